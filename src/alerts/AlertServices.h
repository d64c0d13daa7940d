#pragma once
// What alert handlers reach outside the alert: the presenter, the VPN SDK, the workspace, the
// sign-out entry, the application's end, process launching, the main queue and the analytics
// tracker. One plain value of collaborators: the application installs its own at start (each
// layer filling the part it owns), a test installs recorders, and every new `Alert` takes the
// installed set unless it is given another.
//
// Main thread only, like the alerts.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "alerts/AlertPresenter.h"
#include "foundation/Error.h"
#include "state/EventTracker.h"

namespace morvex {

class AppManager;

// The VPN SDK as the alerts drive it: its manager's status and tunnel calls and the kill-switch
// firewall. The calls return at once; their outcome arrives through the engine's notifications.
class VPNControl {
public:
    virtual ~VPNControl() = default;
    // A zevu::ZevuVPNState raw value.
    virtual int getCurrentVPNStatus() = 0;
    virtual void setDoCheckInternetConnectivity(bool check) = 0;
    virtual void reconnectVPN() = 0;
    virtual void cancelVPN() = 0;
    virtual void disconnectVPN() = 0;
    // Switches the kill-switch firewall off; failures are not reported.
    virtual void disableFirewall() = 0;
};

struct AlertServices {
    std::shared_ptr<AlertPresenter> presenter;
    std::shared_ptr<VPNControl> vpn;
    // Opens a web address in the user's browser.
    std::function<void(const std::string& url)> openURL;
    // The sign-out entry with its default collaborators: asks first while the VPN is up, then
    // forgets the session and returns the application to the signed-out state.
    std::function<void()> logout;
    // Asks the application to end (it may still ask the user), and ends the process at once.
    std::function<void()> terminate;
    std::function<void(int status)> exitProcess;
    // Starts a program that outlives this process, with its arguments passed as they are (no
    // shell reads them). An error when it could not be started.
    std::function<Result<void>(const std::string& program, const std::vector<std::string>& arguments)> launchProcess;
    // Runs a block on the main queue after `seconds` (0: on a later turn of the loop).
    std::function<void(double seconds, std::function<void()> block)> afterDelay;
    // A tracker over the main analytics instance, for handlers that send events of their own.
    std::function<EventTracker()> makeEventTracker;
    // The process-wide interface flags (not owned).
    AppManager* appManager = nullptr;

    // The platform's own: no presenter yet (an alert is logged and not shown), the SDK's shared
    // manager and firewall manager, xdg-open, a logout entry that only logs, the Qt application's
    // quit, detached processes, the main queue, a default tracker and AppManager::shared().
    static AlertServices defaults();
    // What a new Alert uses.
    static AlertServices installed();
    // Installs `services`; every collaborator left empty takes its default.
    static void install(AlertServices services);
    // `services` with every collaborator left empty taken from the defaults.
    static AlertServices completed(AlertServices services);
};

}  // namespace morvex
