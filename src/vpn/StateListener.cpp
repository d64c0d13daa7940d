#include "vpn/StateListener.h"

#include "foundation/NotificationCenter.h"
#include "model/ZevuTypes.h"

namespace morvex {

StateListener::StateListener(AppPreferences appPreference, EventTracker eventTracker,
                             PreservedPreferences preservedPreferences)
    : appPreference(std::move(appPreference)),
      eventTracker(std::move(eventTracker)),
      preservedPreferences(std::move(preservedPreferences)),
      stateChanged([this](int state) { handleSDKState(state); }) {}

void StateListener::handleSDKState(int state) {
    if (state == zevu::rawValue(zevu::ZevuVPNState::Connecting) || state == zevu::rawValue(zevu::ZevuVPNState::Redialing))
        postConnecting();
}

void StateListener::postConnecting() {
    ZevuTypes::ConnectionInfo info;
    info.state = ZevuConnectionState::Connecting;
    info.connectionId = AppPreferences().onGoingConnectionId();
    NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, info);
}

void StateListener::zevuManagerDidInitialized(zevu::ZevuManager&) {
    NotificationCenter::defaultCenter().post(ZevuTypes::sdkInitializedNotification);
}

}  // namespace morvex
