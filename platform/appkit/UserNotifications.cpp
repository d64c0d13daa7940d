#include "appkit/UserNotifications.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QPointer>
#include <QVariantMap>

#include "foundation/Log.h"

namespace morvex::appkit {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
constexpr std::string_view kErrorDomain = "UNErrorDomain";
constexpr int kNotificationsNotAllowed = 1;

QString qs(const std::string& text) { return QString::fromStdString(text); }
}  // namespace

UserNotificationCenter& UserNotificationCenter::current() {
    static UserNotificationCenter* centre = [] {
        std::string name = QCoreApplication::applicationName().toStdString();
        auto* c = new UserNotificationCenter(QDBusConnection::sessionBus(), name.empty() ? "MorvexVPN" : name);
        c->setParent(QCoreApplication::instance());
        return c;
    }();
    return *centre;
}

UserNotificationCenter::UserNotificationCenter(const QDBusConnection& bus, std::string applicationName)
    : bus_(bus), applicationName_(std::move(applicationName)) {
    if (bus_.isConnected())
        bus_.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                     SLOT(notificationClosed(uint, uint)));
}

void UserNotificationCenter::requestAuthorization(unsigned options,
                                                  std::function<void(bool, std::optional<Error>)> completion) {
    (void)options;  // the desktop has no per-application permission to ask for
    auto deny = [](const std::string& why) {
        return Error(std::string(kErrorDomain), kNotificationsNotAllowed, "Notifications are not allowed: " + why);
    };
    if (!bus_.isConnected()) {
        QMetaObject::invokeMethod(this, [completion, error = deny("there is no session bus")] {
            if (completion) completion(false, error);
        }, Qt::QueuedConnection);
        return;
    }
    auto call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("GetServerInformation"));
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [completion, deny](QDBusPendingCallWatcher* w) {
        QDBusPendingCall reply = *w;
        w->deleteLater();
        if (!completion) return;
        if (reply.isError()) completion(false, deny("the session has no notification service (" +
                                                    reply.error().message().toStdString() + ")"));
        else completion(true, std::nullopt);
    });
}

void UserNotificationCenter::add(const NotificationRequest& request) {
    Slot& slot = slots_[request.identifier];
    if (slot.inFlight) {
        slot.waiting = request;  // only the newest waiting request is still worth showing
        return;
    }
    send(request);
}

void UserNotificationCenter::send(const NotificationRequest& request) {
    unsigned options = presentation::alert;
    if (delegate_ && QGuiApplication::applicationState() == Qt::ApplicationActive)
        options = delegate_->willPresentNotification(request);
    if (!(options & presentation::alert) || !bus_.isConnected()) return;

    Slot& slot = slots_[request.identifier];
    QVariantMap hints;
    if (options & presentation::sound) hints.insert(QStringLiteral("sound-name"), QStringLiteral("message-new-instant"));
    auto call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << qs(applicationName_) << uint(slot.shownId) << QString() << qs(request.title) << qs(request.body)
         << QStringList() << hints << int(-1);
    slot.inFlight = true;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    const std::string identifier = request.identifier;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, identifier](QDBusPendingCallWatcher* w) {
        QDBusPendingReply<uint> reply = *w;
        w->deleteLater();
        Slot& s = slots_[identifier];
        s.inFlight = false;
        if (reply.isError()) log::nslog("UserNotifications: not shown: " + reply.error().message().toStdString());
        else s.shownId = reply.value();
        if (auto next = std::exchange(s.waiting, std::nullopt)) send(*next);
    });
}

void UserNotificationCenter::removeAllDeliveredNotifications() {
    for (auto& [identifier, slot] : slots_) {
        slot.waiting.reset();
        if (slot.shownId == 0 || !bus_.isConnected()) continue;
        auto call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("CloseNotification"));
        call << uint(slot.shownId);
        bus_.asyncCall(call);
        slot.shownId = 0;
    }
}

std::optional<std::uint32_t> UserNotificationCenter::deliveredId(const std::string& identifier) const {
    auto it = slots_.find(identifier);
    if (it == slots_.end() || it->second.shownId == 0) return std::nullopt;
    return it->second.shownId;
}

void UserNotificationCenter::notificationClosed(uint id, uint) {
    for (auto& [identifier, slot] : slots_)
        if (slot.shownId == id) slot.shownId = 0;
}

}  // namespace morvex::appkit
