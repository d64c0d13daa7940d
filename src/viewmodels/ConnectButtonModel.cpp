#include "viewmodels/ConnectButtonModel.h"

#include <QPointer>

#include "alerts/Alert.h"
#include "state/AppManager.h"
#include "state/PreservedPreferences.h"
#include "state/User.h"
#include "flows/MorvexVPNService.h"

namespace morvex {

namespace {
constexpr int kConnected = zevu::rawValue(zevu::ZevuVPNState::Connected);
constexpr int kConnecting = zevu::rawValue(zevu::ZevuVPNState::Connecting);
}  // namespace

ConnectButtonModel::Collaborators ConnectButtonModel::defaults() {
    Collaborators c;
    c.services = AlertServices::installed();
    Zevu zevu = MorvexVPNService::makeZevu();
    c.connect = zevu.connectToLocationHook();
    c.updateRecommendedLocation = [zevu]() mutable { zevu.updateRecommendedLocation(); };
    return c;
}

ConnectButtonModel::ConnectButtonModel(Collaborators collaborators, QObject* parent)
    : BaseViewModel(parent), c_(std::move(collaborators)) {
    c_.services = AlertServices::completed(std::move(c_.services));
}

ConnectButtonModel::ClickOutcome ConnectButtonModel::connectButtonClicked(const std::function<bool()>& accountGate) {
    const int status = c_.services.vpn ? c_.services.vpn->getCurrentVPNStatus() : 0;
    if (status == kConnecting) return ClickOutcome::Ignored;
    if (status == kConnected) {
        c_.services.vpn->disconnectVPN();
        if (c_.services.appManager) c_.services.appManager->lastVPNStateConnected = false;
        return ClickOutcome::Disconnected;
    }
    if (accountGate && !accountGate()) return ClickOutcome::RefusedByAccount;
    return connectToRecommendedServer() ? ClickOutcome::ConnectRequested : ClickOutcome::RecommendedRequested;
}

bool ConnectButtonModel::connectToRecommendedServer() {
    QPointer<ConnectButtonModel> self(this);
    const bool requested = connectToRecommendedLocation(
        c_.appPreference, ZevuTypes::SelectedInterfaceScreen::Dashboard, c_.connect,
        [self](const std::optional<Error>& error) {
            if (self) self->handleVPNError(error);
        },
        c_.updateRecommendedLocation);
    if (requested && delegate) delegate->connectButtonModelDidRequestConnection();
    return requested;
}

void ConnectButtonModel::handleVPNError(const std::optional<Error>& error) {
    if (!error) return;
    switch (error->code) {
    case 998: return Alert(c_.services).showNoSubscription();
    case 701: {
        EventTracker tracker = c_.services.makeEventTracker ? c_.services.makeEventTracker() : EventTracker();
        return Alert(c_.services).showUserExpired(User(), PreservedPreferences(), ScreenContext::connect, tracker);
    }
    case 533: return Alert(c_.services).showUserDisabled(PreservedPreferences());
    case 999: {
        EventTracker tracker = c_.services.makeEventTracker ? c_.services.makeEventTracker() : EventTracker();
        return Alert(c_.services).showPasswordChanged(AppScreen::Dashboard, tracker);
    }
    default: return;
    }
}

std::optional<ConnectButtonModel::Animation> ConnectButtonModel::animationFor(ZevuConnectionState state,
                                                                            const std::optional<std::string>& connectionId) {
    switch (state) {
    case ZevuConnectionState::Connected: return connectedAnimation;
    case ZevuConnectionState::Connecting:
        if (playedConnectingForId_ == connectionId) return std::nullopt;
        playedConnectingForId_ = connectionId;
        return connectingAnimation;
    case ZevuConnectionState::Disconnected:
    case ZevuConnectionState::UnableToConnect: return disconnectedAnimation;
    case ZevuConnectionState::Redialing:
    case ZevuConnectionState::Disconnecting:
    case ZevuConnectionState::UnableToBrowse: return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::string> ConnectButtonModel::statusTextFor(ZevuConnectionState state) {
    switch (state) {
    // The line is empty in every state; connected keeps three blanks so it holds its height.
    case ZevuConnectionState::Connected: return std::string("   ");
    case ZevuConnectionState::Disconnected:
    case ZevuConnectionState::UnableToConnect: return std::string();
    default: return std::nullopt;
    }
}

}  // namespace morvex
