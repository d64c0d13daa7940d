#pragma once
// What every content screen shares beyond its widget: the two navigation actions of the left tab
// bar, the account-status gate that each connect entry point passes before it starts a
// connection, and the default collaborators the screens begin with. Plain code: the screens'
// widget base class holds one and forwards to it.
#include <cstdint>
#include <string_view>

#include "alerts/AlertServices.h"
#include "state/EventTracker.h"
#include "state/User.h"

namespace morvex {

class BaseViewController {
public:
    // Asks the main content to show a page; the object is the page's number (std::int64_t).
    static constexpr std::string_view appShowControllerNotification = "AppShowController";
    static constexpr std::int64_t dashboardPage = 0;
    static constexpr std::int64_t tabsPage = 8;

    // Reads the user and shows alerts through the installed services, or through the ones given.
    BaseViewController();
    explicit BaseViewController(AlertServices services);

    // The tab list page, and back to the dashboard.
    void showMenu() const;
    void back() const;

    // True when a connection may start: only an active account with a VPN user name passes. No
    // or an empty VPN user name shows the no-subscription alert; an expired account the
    // subscription-expired alert; every other status is refused without an alert (the caller
    // decides what follows).
    bool accountStatusCheck() const;
    bool isUserExpired() const;
    void showSubscriptionExpiredAlert() const;

    // A tracker over the main analytics instance with stores over the standard defaults.
    static EventTracker makeEventTrackerDefaultValue();

private:
    AlertServices services_;
};

}  // namespace morvex
