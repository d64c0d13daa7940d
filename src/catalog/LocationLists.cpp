#include "catalog/LocationLists.h"

#include "alerts/Alert.h"

namespace morvex {

void showLocationConnectError(const std::optional<Error>& error, const ZevuDataFetcherTypes::ServerPtr& server,
                              ZevuTypes::ConnectVia connectVia, ZevuTypes::SelectedInterface selectedInterface,
                              const ConnectToLocation& connect) {
    if (!error) return;
    using Screen = ZevuTypes::SelectedInterfaceScreen;
    switch (error->code) {
    case 998: return Alert().showNoSubscription();
    case 701:
        return Alert().showUserExpired(User(), PreservedPreferences(), ScreenContext::connect, EventTracker());
    case 533: return Alert().showUserDisabled(PreservedPreferences());
    case 999: return Alert().showPasswordChanged(AppScreen::Locations, EventTracker());
    case -1001: {
        ConnectRequest request{server, connectVia, Screen::Location, ZevuTypes::ConnectionInitiatedBy::User,
                               selectedInterface, false, true};
        return Alert().showChangeOfConnection(
            request, connect, [server, connectVia, selectedInterface, connect](const std::optional<Error>& e) {
                showLocationConnectError(e, server, connectVia, selectedInterface, connect);
            });
    }
    case -1002:
        return Alert().showAlreadyConnected(
            ConnectionDescription{connectVia, selectedInterface, Screen::Location, server ? server->name : ""});
    default: return;
    }
}

}  // namespace morvex
