#pragma once
// Desktop notifications through the freedesktop notification service
// (org.freedesktop.Notifications on the session bus).
//
// A request carries an identifier: a newer request with the same identifier replaces the one
// still shown (the service's replaces-id), so the user never sees two of them. Requests are
// sent without waiting; one still unanswered holds back later ones of its identifier, and only the
// newest of those is sent once the service has answered.
//
// "Authorization" is whether the session has a notification service: there is no per-application
// permission on this desktop. Without a service, requests are dropped silently, as a denied
// permission drops them.
//
// Threads: main thread.
#include <QDBusConnection>
#include <QObject>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "foundation/Error.h"

namespace morvex::appkit {

struct NotificationRequest {
    std::string identifier;
    std::string title;
    std::string body;
};

// Presentation options (bit values as the original framework's): badge 1, sound 2, alert 4.
namespace presentation {
inline constexpr unsigned badge = 1;
inline constexpr unsigned sound = 2;
inline constexpr unsigned alert = 4;
}  // namespace presentation

class UserNotificationCenterDelegate {
public:
    virtual ~UserNotificationCenterDelegate() = default;
    // How to show a notification that arrives while the application is in front.
    virtual unsigned willPresentNotification(const NotificationRequest& request) {
        (void)request;
        return 0;
    }
};

class UserNotificationCenter : public QObject {
    Q_OBJECT
public:
    // The application's centre, on the session bus.
    static UserNotificationCenter& current();
    // A centre on the given bus, naming the application as `applicationName`.
    UserNotificationCenter(const QDBusConnection& bus, std::string applicationName);

    void setDelegate(UserNotificationCenterDelegate* delegate) { delegate_ = delegate; }
    UserNotificationCenterDelegate* delegate() const { return delegate_; }

    // Answers on the main thread: granted when the session has a notification service; the error
    // says why not otherwise.
    void requestAuthorization(unsigned options, std::function<void(bool granted, std::optional<Error> error)> completion);

    // Shows the notification now, replacing the shown one of the same identifier.
    void add(const NotificationRequest& request);
    // Closes every notification this centre showed.
    void removeAllDeliveredNotifications();

    // The service's id of the notification shown for the identifier; none when none is known.
    std::optional<std::uint32_t> deliveredId(const std::string& identifier) const;

private slots:
    void notificationClosed(uint id, uint reason);

private:
    struct Slot {
        std::uint32_t shownId = 0;
        bool inFlight = false;
        std::optional<NotificationRequest> waiting;
    };
    void send(const NotificationRequest& request);

    QDBusConnection bus_;
    std::string applicationName_;
    UserNotificationCenterDelegate* delegate_ = nullptr;
    std::map<std::string, Slot> slots_;
};

}  // namespace morvex::appkit
