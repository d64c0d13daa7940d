#include "viewmodels/NotificationsFeed.h"

#include <QDateTime>
#include <map>

#include "foundation/Log.h"
#include "model/JsonCoding.h"
#include "state/User.h"
#include "viewmodels/AppNotification.h"
#include "viewmodels/NotificationsListModel.h"

namespace morvex {

namespace {

std::string text(const nlohmann::json& j, const char* key) { return coding::lenientString(j, key).value_or(""); }

double number(const nlohmann::json& j, const char* key) {
    const auto* v = coding::member(j, key);
    return v && v->is_number() ? v->get<double>() : 0;
}

std::optional<double> isoDate(const nlohmann::json& j, const char* key) {
    const auto* v = coding::member(j, key);
    if (!v || !v->is_string()) return std::nullopt;
    const QDateTime at = QDateTime::fromString(QString::fromStdString(v->get<std::string>()), Qt::ISODateWithMs);
    if (!at.isValid()) return std::nullopt;
    return static_cast<double>(at.toMSecsSinceEpoch()) / 1000.0;
}

}  // namespace

void from_json(const nlohmann::json& j, NotificationsFeed::Answer& v) {
    const auto* list = coding::member(j, "notifications");
    if (!list || !list->is_array()) coding::throwMissingKey("notifications");
    v.notifications.clear();
    for (const auto& r : *list) {
        if (!r.is_object()) continue;
        const auto* id = coding::member(r, "id");
        if (!id || !id->is_string() || id->get<std::string>().empty()) continue;
        NotificationsFeed::Record record;
        record.id = id->get<std::string>();
        record.title = text(r, "title");
        record.message = text(r, "message");
        record.category = text(r, "category");
        record.type = text(r, "type");
        record.icon = text(r, "icon");
        record.createdAt = isoDate(r, "created_at");
        record.appVersionFrom = number(r, "app_version_from");
        record.appVersionTo = number(r, "app_version_to");
        record.ctaPrimaryTitle = text(r, "cta_primary_title");
        record.ctaPrimaryAction = text(r, "cta_primary_action");
        record.ctaPrimaryValue = text(r, "cta_primary_value");
        record.ctaSecondaryTitle = text(r, "cta_secondary_title");
        record.ctaSecondaryAction = text(r, "cta_secondary_action");
        record.ctaSecondaryValue = text(r, "cta_secondary_value");
        v.notifications.push_back(std::move(record));
    }
}

struct NotificationsFeed::State {
    Networking* client = nullptr;
    ManagedObjectContext* context = nullptr;  // null: the shared store, opened at the first answer
    NotificationCenter* centre = nullptr;
    bool fetching = false;
    ManagedObjectContext& store() const { return context ? *context : CoreDataService::shared().managedObjectContext(); }
};

NotificationsFeed::NotificationsFeed(NetworkingProtocol* networking, ManagedObjectContext* context, NotificationCenter* centre)
    : state_(std::make_shared<State>()) {
    state_->client = dynamic_cast<Networking*>(networking);
    state_->context = context;
    state_->centre = centre ? centre : &NotificationCenter::defaultCenter();
}

NotificationsFeed::~NotificationsFeed() = default;

bool NotificationsFeed::isFetching() const { return state_->fetching; }

void NotificationsFeed::refresh(std::function<void(bool)> done) {
    const auto username = User().vpnUsername();
    if (!state_->client || !username || state_->fetching) {
        if (done) done(false);
        return;
    }
    state_->fetching = true;
    std::weak_ptr<State> weak = state_;
    state_->client->networkRequestDispatcher<Answer>(
        Endpoint::Notifications, std::nullopt, std::nullopt,
        [weak, user = *username, done = std::move(done)](Result<Answer> answer) {
            auto state = weak.lock();
            if (!state) return;
            state->fetching = false;
            bool stored = false;
            // An answer for the user who asked: a sign-out or switch meanwhile leaves it unused.
            if (answer && User().vpnUsername() == user) {
                stored = merge(state->store(), user, answer->notifications);
            } else if (!answer) {
                log::print("In-app notifications not fetched: " + answer.error().localizedDescription());
            }
            if (stored) state->centre->post(NotificationsDidUpdateNotification);
            NotificationsListModel::storeUnreadCount(state->store(), *state->centre);
            if (done) done(stored);
        });
}

bool NotificationsFeed::merge(ManagedObjectContext& context, const std::string& username, const std::vector<Record>& records) {
    auto stored = AppNotification::fetch(context, username);
    if (!stored) return false;
    std::map<std::string, AppNotificationPtr, std::less<>> byId;
    for (auto& n : *stored) byId.emplace(n->id(), n);
    std::map<std::string, bool, std::less<>> kept;
    for (const Record& r : records) {
        if (kept.contains(r.id)) continue;  // the first of two with one id counts
        kept.emplace(r.id, true);
        AppNotificationPtr n;
        if (auto it = byId.find(r.id); it != byId.end()) n = it->second;
        else n = AppNotification::insert(context);
        if (!n) return false;
        n->setText("id", r.id);
        n->setText("username", username);
        n->setText("title", r.title);
        n->setText("message", r.message);
        n->setText("category", r.category);
        n->setText("type", r.type);
        n->setText("icon", r.icon);
        n->setText("ctaPrimaryTitle", r.ctaPrimaryTitle);
        n->setText("ctaPrimaryAction", r.ctaPrimaryAction);
        n->setText("ctaPrimaryValue", r.ctaPrimaryValue);
        n->setText("ctaSecondaryTitle", r.ctaSecondaryTitle);
        n->setText("ctaSecondaryAction", r.ctaSecondaryAction);
        n->setText("ctaSecondaryValue", r.ctaSecondaryValue);
        n->object()->setDate("createdAt", r.createdAt ? std::optional(Date{*r.createdAt}) : std::nullopt);
        n->setAppVersions(r.appVersionFrom, r.appVersionTo);
    }
    for (auto& [id, n] : byId)
        if (!kept.contains(id)) context.deleteObject(n->object());
    if (!context.hasChanges()) return true;
    return context.save().has_value();
}

}  // namespace morvex
