#pragma once
// What the application's start, wake and quit need of the VPN engine and the location catalogue.
// `sdk()` sets the SDK up through the engine (Zevu::configureSDK) and does the rest over the SDK's
// shared manager; the catalogue's fetcher can take the country fetch over without the application
// delegate changing.
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "zevu/ZevuCore.h"

namespace morvex {

class User;

class VpnEngine {
public:
    using Countries = std::vector<zevu::ZevuCountry>;

    virtual ~VpnEngine() = default;

    // Configures the SDK, installs the engine's state listener and hands over the user's VPN
    // credentials when there are any.
    virtual void setUpSDK(const User& user) = 0;
    // The SDK's status number: 3 connected, 2 connecting, anything else not connected.
    virtual int vpnStatus() const = 0;
    virtual void disconnectVPN() = 0;
    virtual void reconnectVPN() = 0;
    virtual void setDoCheckInternetConnectivity(bool check) = 0;
    // The SDK's country list, on the main thread; none when the fetch failed.
    virtual void fetchCountries(std::function<void(std::optional<Countries>)> completion) = 0;

    static std::shared_ptr<VpnEngine> sdk();
};

}  // namespace morvex
