#pragma once
// One message of the service to the user in the in-app notification list, as kept in the local
// store: a typed face over the store's "AppNotification" record. The record is shared with the
// store's context, so a change made here shows in every later fetch and is written by the next
// save of the context.
//
// Threads: the store is thread-safe; the list's screen uses it on the main thread.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Error.h"
#include "state/CoreDataService.h"

namespace morvex {

class AppNotification {
public:
    static constexpr std::string_view entityName = "AppNotification";
    // The type of a notice that cannot be closed (spelt as the service sends it).
    static constexpr std::string_view persistentType = "persistant";

    explicit AppNotification(ManagedObjectPtr object);

    // A new notice inserted in the context (stored with the next save); null when the store's
    // model lacks the entity.
    static std::shared_ptr<AppNotification> insert(ManagedObjectContext& context);
    // The notices of `username` (every notice when none is given), newest first.
    static Result<std::vector<std::shared_ptr<AppNotification>>> fetch(
        ManagedObjectContext& context, const std::optional<std::string>& username = std::nullopt);

    const ManagedObjectPtr& object() const { return object_; }

    // Text attributes; an absent one reads as "".
    std::string id() const { return text("id"); }
    std::string title() const { return text("title"); }
    std::string message() const { return text("message"); }
    std::string category() const { return text("category"); }
    std::string type() const { return text("type"); }
    std::string icon() const { return text("icon"); }
    std::string username() const { return text("username"); }
    std::string ctaPrimaryAction() const { return text("ctaPrimaryAction"); }
    std::string ctaPrimaryTitle() const { return text("ctaPrimaryTitle"); }
    std::string ctaPrimaryValue() const { return text("ctaPrimaryValue"); }
    std::string ctaSecondaryAction() const { return text("ctaSecondaryAction"); }
    std::string ctaSecondaryTitle() const { return text("ctaSecondaryTitle"); }
    std::string ctaSecondaryValue() const { return text("ctaSecondaryValue"); }
    std::optional<Date> createdAt() const { return object_->date("createdAt"); }
    double appVersionFrom() const { return object_->doubleValue("appVersionFrom"); }
    double appVersionTo() const { return object_->doubleValue("appVersionTo"); }
    bool closed() const { return object_->boolean("closed"); }
    bool seen() const { return object_->boolean("seen"); }
    bool clicked() const { return object_->boolean("clicked"); }
    bool isPersistent() const { return type() == persistentType; }

    // False (and nothing changes) for a name the entity lacks.
    bool setText(std::string_view attribute, std::string value) { return object_->setString(attribute, std::move(value)); }
    void setCreatedAt(Date date) { object_->setDate("createdAt", date); }
    void setAppVersions(double from, double to) {
        object_->setDouble("appVersionFrom", from);
        object_->setDouble("appVersionTo", to);
    }
    void setClosed(bool v) { object_->setBool("closed", v); }
    void setSeen(bool v) { object_->setBool("seen", v); }
    void setClicked(bool v) { object_->setBool("clicked", v); }

private:
    std::string text(std::string_view attribute) const { return object_->string(attribute).value_or(""); }
    ManagedObjectPtr object_;
};

using AppNotificationPtr = std::shared_ptr<AppNotification>;
using AppNotificationList = std::vector<AppNotificationPtr>;

}  // namespace morvex
