#pragma once
// The one HTTPS client of the service's back end: URL building, error texts, installer downloads,
// reachability and the device identifiers that requests carry.
#include <QUrl>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "api/AuthProtocol.h"
#include "api/Endpoint.h"
#include "foundation/Error.h"
#include "foundation/HttpSession.h"
#include "foundation/NetworkReachability.h"

namespace morvex {

inline constexpr std::string_view kMorvexVPNErrorDomain = "MorvexVPNError";
inline constexpr std::string_view kNetworkReachabilityChangedNotification = "NetworkReachabilityChangedNotification";
// The salt of the "Token" header.
inline constexpr std::string_view kTokenSalt = "vendro";
// The installer's file name when the server proposes none.
inline constexpr std::string_view kDefaultPackageName = "MorvexVPN.pkg";

class NetworkingProtocol {
public:
    virtual ~NetworkingProtocol() = default;
};

class Networking : public NetworkingProtocol {
public:
    using Status = NetworkReachabilityManager::Status;

    static Networking& shared();
    explicit Networking(AuthProtocol* auth = sharedAuth(), http::Session& session = http::Session::shared());

    std::map<std::string, std::shared_ptr<http::Task>> downloadRequests;
    NetworkReachabilityManager reachablityManager;
    bool digestReachabilityListener = true;
    AuthProtocol* auth;
    // The VPN status as the engine reports it (a ZevuVPNState number). The engine installs it at launch.
    std::function<int()> vpnStatus = [] { return 0; };

    // The URL of an endpoint, with the parameters as query items (none: no query).
    static QUrl makeURL(Endpoint endpoint,
                        const std::optional<std::map<std::string, std::string>>& parameters = std::nullopt);

    // Error texts and wrapping into the "MorvexVPNError" domain.
    static std::string errorMessage(int code);
    static Error wrapError(const Error& error);
    static Error wrapRequestError(const Error& error, const std::string& url);
    static Error underlyingError(const Error& error);
    static Error handleFailedResponse(const http::DataResponse& response);

    // Downloads an installer package into the application's own folder, under the server's
    // proposed name or "MorvexVPN.pkg". Progress gets the estimated remaining seconds; both
    // callbacks run on the main thread. Answers the request's identifier.
    std::string downloadPackage(const std::string& url,
                                std::function<void(const http::Progress&, double remaining)> progress,
                                std::function<void(Result<std::filesystem::path>)> completion);
    // ceil(elapsed * (1 - fraction) / fraction); nothing before the first byte.
    static std::optional<double> remainingSeconds(double elapsed, double fraction);
    // Where a download with that proposed name lands.
    static std::filesystem::path downloadDestination(const std::string& suggestedName);

    // Listens for reachability changes (the application shell starts this at launch).
    void startReachabilityListener();
    void handleReachabilityChange(Status status);

    // The machine's identity (from /etc/machine-id, as an upper-case UUID) and model name (DMI).
    static std::string deviceUUID();
    static std::string hardwareModel();
    static std::string deviceUUIDFrom(const std::filesystem::path& machineIdFile);
    static std::string hardwareModelFrom(const std::filesystem::path& productNameFile);

    http::Session& session;
};

}  // namespace morvex
