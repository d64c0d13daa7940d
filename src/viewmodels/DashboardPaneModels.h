#pragma once
// The small models that frame the dashboard, without their widgets:
// - which page the connection-state tab view shows and when the desktop is told that the VPN came
//   up or went down;
// - which component the bottom pane shows (the recommended tile, the recent tile, the cancel pane
//   or nothing) and the cancel pane's button;
// - the refer-a-friend banner's text, visibility and analytics.
//
// Threads: main thread; the screens bring the engine's reports there first.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "alerts/AlertServices.h"
#include "foundation/Lifetime.h"
#include "model/ZevuTypes.h"
#include "state/EventTracker.h"
#include "state/PreservedPreferences.h"

namespace morvex {

// ---- connection state pages and desktop notifications ----
class ConnectionStateModel {
public:
    enum class Page { Connection = 0, Troubleshoot = 1 };
    struct Reaction {
        std::optional<Page> page;                 // none: the page stays
        std::optional<std::string> notification;  // the localized body to post, none: nothing
    };
    explicit ConnectionStateModel(PreservedPreferences preferences = PreservedPreferences());
    // What a report of the engine changes. A cancelled attempt ending, and a user who turned the
    // notifications off, post nothing.
    Reaction reactTo(const ZevuTypes::ConnectionInfo& info) const;

private:
    PreservedPreferences preservedPreference_;
};

// ---- bottom pane ----
class ConnectionBottomModel {
public:
    // Each component's raw value is the identifier of the segue that shows it.
    enum class SegueComponents { segueDashboardFirst, segueRecent, segueCancel, None };
    static std::string_view rawValue(SegueComponents c);
    static std::optional<SegueComponents> fromRaw(std::string_view raw);

    explicit ConnectionBottomModel(PreservedPreferences preferences = PreservedPreferences());

    SegueComponents segueToPerform = SegueComponents::segueDashboardFirst;
    const std::optional<std::string>& cancelReceivedForID() const { return cancelReceivedForID_; }

    // The component for a state: the cancel pane while a tunnel is changing, the recent tile (or
    // the recommended one without recents) while down, nothing while up.
    SegueComponents componentFor(ZevuConnectionState state) const;
    // The component for the SDK's status number (3 up, 2 coming up, else down).
    SegueComponents componentForStatus(int sdkStatus) const;
    // The component to show for a report, none when the pane stays as it is: the cancel pane opens
    // once per attempt identifier.
    std::optional<SegueComponents> componentForReport(const ZevuTypes::ConnectionInfo& info);

private:
    PreservedPreferences preservedPreference_;
    std::optional<std::string> cancelReceivedForID_;
};

// The cancel pane's button: while a kill-switch firewall is up the user is asked first (the
// tunnel is all that lets traffic out), otherwise the attempt is cancelled at once.
class DashboardCancelModel {
public:
    struct Collaborators {
        AlertServices services;
        // Whether any firewall rule set is active; answers on the main queue.
        std::function<void(std::function<void(bool)>)> isAnyFirewallEnabled;
    };
    static Collaborators defaults();
    explicit DashboardCancelModel(Collaborators collaborators = defaults());

    // `setButtonEnabled` is told false at once and true when the firewall question is answered.
    void cancelConnectionClicked(std::function<void(bool)> setButtonEnabled);

private:
    Collaborators c_;
    Lifetime lifetime_;
};

// ---- refer-a-friend banner ----
class ReferAFriendMessageModel {
public:
    explicit ReferAFriendMessageModel(EventTracker eventTracker);

    static constexpr int kImpressionEvent = 94;  // app_view_notification
    static constexpr int kClickEvent = 95;       // app_click_notification
    static constexpr double kCallToActionRGB[3] = {0.184, 0.501, 0.929};

    std::string message() const;     // plain text: the invitation and the call to action
    std::string buttonText() const;  // the call to action alone
    bool hide = false;

    // True when the banner's visibility changed.
    bool applyDetailOpen(bool open);
    bool applyState(ZevuConnectionState state);
    void viewWillAppear();
    // Sends the click's event; the caller shows the refer-a-friend page.
    void messageClicked();

private:
    EventTracker eventTracker_;
};

}  // namespace morvex
