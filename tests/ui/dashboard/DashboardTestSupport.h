#pragma once
// The dashboard's test world: the alert recorders (presenter, SDK calls, analytics), quick
// Servers and stored recommended locations, and a ConnectionInfo maker.
#include <string>

#include "alerts/AlertTestSupport.h"
#include "foundation/UserDefaults.h"
#include "model/ZevuTypes.h"
#include "state/AppPreferences.h"
#include "state/StoredServers.h"
#include "vpn/AppError.h"

namespace morvex::test {

inline constexpr int kSdkConnected = zevu::rawValue(zevu::ZevuVPNState::Connected);
inline constexpr int kSdkConnecting = zevu::rawValue(zevu::ZevuVPNState::Connecting);
inline constexpr int kSdkDisconnected = zevu::rawValue(zevu::ZevuVPNState::Disconnected);

inline ZevuDataFetcherTypes::ServerPtr location(std::string id, std::string name, ZevuDataFetcherTypes::ServerType type,
                                                std::string code) {
    return std::make_shared<ZevuDataFetcherTypes::Server>(std::move(id), std::move(name), type, std::move(code));
}

inline void storeRecommended(const ZevuDataFetcherTypes::ServerPtr& s) {
    UserDefaults defaults = AppPreferences().defaults();
    setEncodedServer(defaults, s, AppPreferences::Key::recommendedServer);
}

inline ZevuTypes::ConnectionInfo report(ZevuConnectionState state, std::optional<std::string> id = std::nullopt,
                                        std::shared_ptr<const AppError> error = nullptr) {
    ZevuTypes::ConnectionInfo info;
    info.state = state;
    info.connectionId = std::move(id);
    info.error = std::move(error);
    return info;
}

inline std::shared_ptr<const AppError> failure(std::int64_t code, std::optional<std::string> action = std::nullopt) {
    auto e = std::make_shared<AppError>(AppError::makeFallback(code));
    e->action = std::move(action);
    e->primaryCta = "Troubleshoot";
    e->secondaryCta = "Dismiss";
    return e;
}

}  // namespace morvex::test
