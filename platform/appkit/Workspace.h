#pragma once
// The desktop around the application: opening web pages in the user's browser, and the
// notifications of the machine going to sleep and waking up (logind's PrepareForSleep signal on
// the system bus), posted on the workspace's own notification centre on the main thread.
//
// Threads: main thread.
#include <QDBusConnection>
#include <QObject>
#include <QUrl>
#include <string_view>

#include "foundation/NotificationCenter.h"

namespace morvex::appkit {

class Workspace : public QObject {
    Q_OBJECT
public:
    static constexpr std::string_view didWakeNotification = "NSWorkspaceDidWakeNotification";
    static constexpr std::string_view willSleepNotification = "NSWorkspaceWillSleepNotification";

    // The process's workspace; it listens for sleep on the system bus from its creation.
    static Workspace& shared();
    // A workspace listening on the given bus (tests run a logind of their own on a private bus).
    explicit Workspace(const QDBusConnection& sleepBus);

    NotificationCenter& notificationCenter() { return center_; }

    // Opens a web page (http or https only) with the desktop's handler; false for any other
    // scheme, an invalid address, or when no handler took it.
    bool openURL(const QUrl& url);
    bool openURL(std::string_view url);

    // True when the sleep signal could be subscribed to.
    bool isListeningForSleep() const { return listening_; }

private slots:
    void prepareForSleep(bool starting);

private:
    NotificationCenter center_;
    bool listening_ = false;
};

}  // namespace morvex::appkit
