#include "viewmodels/AppNotification.h"

namespace morvex {

AppNotification::AppNotification(ManagedObjectPtr object) : object_(std::move(object)) {}

std::shared_ptr<AppNotification> AppNotification::insert(ManagedObjectContext& context) {
    auto object = context.insertNewObject(entityName);
    return object ? std::make_shared<AppNotification>(std::move(object)) : nullptr;
}

Result<std::vector<std::shared_ptr<AppNotification>>> AppNotification::fetch(
    ManagedObjectContext& context, const std::optional<std::string>& username) {
    FetchRequest request{std::string(entityName)};
    if (username) {
        request.predicate = [name = *username](const ManagedObject& o) { return o.string("username") == name; };
    }
    request.sortDescriptors = {{"createdAt", false}};
    auto objects = context.fetch(request);
    if (!objects) return std::unexpected(objects.error());
    std::vector<std::shared_ptr<AppNotification>> list;
    list.reserve(objects->size());
    for (auto& o : *objects) list.push_back(std::make_shared<AppNotification>(o));
    return list;
}

}  // namespace morvex
