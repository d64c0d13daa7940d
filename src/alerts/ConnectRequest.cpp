#include "alerts/ConnectRequest.h"

#include "state/AppPreferences.h"

namespace morvex {

bool connectToRecommendedLocation(const AppPreferences& preferences, ZevuTypes::SelectedInterfaceScreen screen,
                                  const ConnectToLocation& connect, ConnectErrorHandler onError,
                                  const std::function<void()>& fetchRecommended) {
    const auto server = preferences.recommendedServer();
    if (!server) {
        if (fetchRecommended) fetchRecommended();
        return false;
    }
    ConnectRequest request;
    request.server = server;
    request.connectVia = ZevuTypes::connectVia(server->type);
    request.selectedInterfaceScreen = screen;
    request.connectionInitiatedBy = ZevuTypes::ConnectionInitiatedBy::User;
    request.selectedInterface = ZevuTypes::SelectedInterface::Recommended;
    request.allowProtocolFallback = false;
    request.checkBusy = true;
    if (connect) connect(request, std::move(onError));
    return true;
}

}  // namespace morvex
