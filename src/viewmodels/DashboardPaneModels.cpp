#include "viewmodels/DashboardPaneModels.h"

#include "alerts/Alert.h"
#include "foundation/Bundle.h"
#include "state/AppManager.h"
#include "flows/MorvexVPNService.h"
#include "zevu/ZevuCore.h"

namespace morvex {

namespace {
constexpr int kConnected = zevu::rawValue(zevu::ZevuVPNState::Connected);
constexpr int kConnecting = zevu::rawValue(zevu::ZevuVPNState::Connecting);
}  // namespace

// ---- connection state pages ----

ConnectionStateModel::ConnectionStateModel(PreservedPreferences preferences) : preservedPreference_(std::move(preferences)) {}

ConnectionStateModel::Reaction ConnectionStateModel::reactTo(const ZevuTypes::ConnectionInfo& info) const {
    Reaction r;
    switch (info.state) {
    case ZevuConnectionState::Connected:
        if (preservedPreference_.allowVPNNotifications()) r.notification = localized("zevu.connected-notification.message");
        break;
    case ZevuConnectionState::Connecting: r.page = Page::Connection; break;
    case ZevuConnectionState::Disconnected:
        if (!info.cancelled && preservedPreference_.allowVPNNotifications())
            r.notification = localized("zevu.disconnected-notification.message");
        break;
    default: break;
    }
    return r;
}

// ---- bottom pane ----

std::string_view ConnectionBottomModel::rawValue(SegueComponents c) {
    switch (c) {
    case SegueComponents::segueDashboardFirst: return "segueDashboardFirst";
    case SegueComponents::segueRecent: return "segueRecent";
    case SegueComponents::segueCancel: return "segueCancel";
    case SegueComponents::None: return "None";
    }
    return "None";
}

std::optional<ConnectionBottomModel::SegueComponents> ConnectionBottomModel::fromRaw(std::string_view raw) {
    for (auto c : {SegueComponents::segueDashboardFirst, SegueComponents::segueRecent, SegueComponents::segueCancel,
                   SegueComponents::None})
        if (rawValue(c) == raw) return c;
    return std::nullopt;
}

ConnectionBottomModel::ConnectionBottomModel(PreservedPreferences preferences) : preservedPreference_(std::move(preferences)) {}

ConnectionBottomModel::SegueComponents ConnectionBottomModel::componentFor(ZevuConnectionState state) const {
    switch (state) {
    case ZevuConnectionState::Connecting:
    case ZevuConnectionState::Redialing:
    case ZevuConnectionState::Disconnecting: return SegueComponents::segueCancel;
    case ZevuConnectionState::Disconnected:
    case ZevuConnectionState::UnableToConnect:
        return preservedPreference_.recents().empty() ? SegueComponents::segueDashboardFirst : SegueComponents::segueRecent;
    case ZevuConnectionState::Connected:
    case ZevuConnectionState::UnableToBrowse: return SegueComponents::None;
    }
    return SegueComponents::None;
}

ConnectionBottomModel::SegueComponents ConnectionBottomModel::componentForStatus(int sdkStatus) const {
    if (sdkStatus == kConnected) return componentFor(ZevuConnectionState::Connected);
    if (sdkStatus == kConnecting) return componentFor(ZevuConnectionState::Connecting);
    return componentFor(ZevuConnectionState::Disconnected);
}

std::optional<ConnectionBottomModel::SegueComponents> ConnectionBottomModel::componentForReport(
    const ZevuTypes::ConnectionInfo& info) {
    const auto component = componentFor(info.state);
    if (component != SegueComponents::segueCancel) return component;
    // Every report of one attempt carries its identifier; the pane opens for the first of them.
    if (info.connectionId == cancelReceivedForID_) return std::nullopt;
    cancelReceivedForID_ = info.connectionId;
    return component;
}

// ---- cancel pane ----

DashboardCancelModel::Collaborators DashboardCancelModel::defaults() {
    Collaborators c;
    c.services = AlertServices::installed();
    c.isAnyFirewallEnabled = [](std::function<void(bool)> answer) {
        HelperComunicator().isAnyFirewallEnabled(true, std::move(answer));
    };
    return c;
}

DashboardCancelModel::DashboardCancelModel(Collaborators collaborators) : c_(std::move(collaborators)) {
    c_.services = AlertServices::completed(std::move(c_.services));
}

void DashboardCancelModel::cancelConnectionClicked(std::function<void(bool)> setButtonEnabled) {
    if (setButtonEnabled) setButtonEnabled(false);
    auto answered = lifetime_.guard([this, setButtonEnabled](bool firewallActive) {
        if (setButtonEnabled) setButtonEnabled(true);
        if (firewallActive) {
            EventTracker tracker = c_.services.makeEventTracker ? c_.services.makeEventTracker() : EventTracker();
            return Alert(c_.services).showCancelConnection(tracker);
        }
        if (c_.services.vpn) c_.services.vpn->cancelVPN();
        if (c_.services.appManager) c_.services.appManager->lastVPNStateConnected = false;
    });
    if (!c_.isAnyFirewallEnabled) return answered(false);
    c_.isAnyFirewallEnabled(std::move(answered));
}

// ---- refer-a-friend banner ----

ReferAFriendMessageModel::ReferAFriendMessageModel(EventTracker eventTracker) : eventTracker_(std::move(eventTracker)) {}

std::string ReferAFriendMessageModel::message() const {
    return localized("dashboard.refer.a.friend.message") + " " + buttonText();
}

std::string ReferAFriendMessageModel::buttonText() const { return localized("dashboard.refer.a.friend.button.text"); }

bool ReferAFriendMessageModel::applyDetailOpen(bool open) {
    const bool changed = hide != open;
    hide = open;
    return changed;
}

bool ReferAFriendMessageModel::applyState(ZevuConnectionState state) {
    const bool before = hide;
    switch (state) {
    case ZevuConnectionState::Connected:
    case ZevuConnectionState::Disconnected:
    case ZevuConnectionState::UnableToConnect: hide = false; break;
    case ZevuConnectionState::Connecting: hide = true; break;
    default: break;
    }
    return before != hide;
}

void ReferAFriendMessageModel::viewWillAppear() {
    eventTracker_.track(kImpressionEvent, Dictionary{{"title", ""},
                                                     {"type", "banner"},
                                                     {"body", message()},
                                                     {"cta_clicked", "primary"},
                                                     {"cta_primary_action", "open-screen"},
                                                     {"cta_primary_destination", "refer-a-friend"},
                                                     {"cta_primary_title", buttonText()},
                                                     {"origin", "local"}});
}

void ReferAFriendMessageModel::messageClicked() {
    eventTracker_.track(kClickEvent, Dictionary{{"title", ""},
                                                {"type", "banner"},
                                                {"category", ""},
                                                {"body", message()},
                                                {"cta_clicked", "primary"},
                                                {"cta_primary_title", buttonText()},
                                                {"cta_primary_action", "open-screen"},
                                                {"cta_primary_destination", "refer-a-friend"},
                                                {"origin", "local"}});
}

}  // namespace morvex
