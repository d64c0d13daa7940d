#pragma once
// The desktop around the application: opening web pages in the user's browser, handing a local
// file to the desktop's handler of its type and showing a file in the file manager, and the
// notifications of the machine going to sleep and waking up (logind's PrepareForSleep signal on
// the system bus), posted on the workspace's own notification centre on the main thread.
//
// Threads: main thread.
#include <QDBusConnection>
#include <QObject>
#include <QUrl>
#include <filesystem>
#include <functional>
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

    // Hands a local file to the desktop's handler of its type by running `opener` (the desktop's
    // "xdg-open" unless a caller names another) with the file's path. `done` runs once, on the
    // main thread, when the opener has ended: true only when it exited normally with status 0, the
    // only sign that a handler took the file. An opener that cannot be started, exits non-zero or is
    // killed answers false.
    static void openFile(const std::filesystem::path& file, std::function<void(bool opened)> done,
                         const QString& opener = QStringLiteral("xdg-open"));
    // Shows the file selected in the desktop's file manager (the freedesktop FileManager1 service
    // on the session bus), or opens its folder when no file manager offers that service.
    static void revealFile(const std::filesystem::path& file);

    // True when the sleep signal could be subscribed to.
    bool isListeningForSleep() const { return listening_; }

private slots:
    void prepareForSleep(bool starting);

private:
    NotificationCenter center_;
    bool listening_ = false;
};

}  // namespace morvex::appkit
