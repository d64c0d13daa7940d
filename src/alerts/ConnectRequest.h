#pragma once
// A connection request as alerts hand it to the engine's connect-to-location path: the location
// and the values that say where the request came from, in that path's argument order, and the
// caller's error handler.
#include <functional>
#include <optional>
#include <string>

#include "foundation/Error.h"
#include "model/ServerRecord.h"
#include "model/ZevuTypes.h"

namespace morvex {

struct ConnectRequest {
    ZevuDataFetcherTypes::ServerPtr server;
    ZevuTypes::ConnectVia connectVia = ZevuTypes::ConnectVia::SmartConnect;
    ZevuTypes::SelectedInterfaceScreen selectedInterfaceScreen = ZevuTypes::SelectedInterfaceScreen::None;
    ZevuTypes::ConnectionInitiatedBy connectionInitiatedBy = ZevuTypes::ConnectionInitiatedBy::User;
    ZevuTypes::SelectedInterface selectedInterface = ZevuTypes::SelectedInterface::Recommended;
    bool allowProtocolFallback = false;
    // False: the request may replace a connection that is up.
    bool checkBusy = true;
};

// Receives the connect error, or none.
using ConnectErrorHandler = std::function<void(const std::optional<Error>&)>;
// The engine's connect-to-location path (the caller's `Zevu`), with the handler it reports to.
using ConnectToLocation = std::function<void(const ConnectRequest&, ConnectErrorHandler)>;

// What the connection alerts put in their analytics: where the request came from and the name of
// the location asked for.
struct ConnectionDescription {
    ZevuTypes::ConnectVia connectVia = ZevuTypes::ConnectVia::SmartConnect;
    ZevuTypes::SelectedInterface selectedInterface = ZevuTypes::SelectedInterface::Recommended;
    ZevuTypes::SelectedInterfaceScreen selectedInterfaceScreen = ZevuTypes::SelectedInterfaceScreen::None;
    std::string locationName;
};

}  // namespace morvex
