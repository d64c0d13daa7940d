#pragma once
// Controls of the simulated SDK for tests and local runs: timings, scripted faults, where the
// data-centre hosts really are, and the extension requests' outcome.
//
// Environment: ZEVU_TIME_SCALE (a factor on every simulated delay), ZEVU_SERVER_OVERRIDE
// ("address[:port]" that every data-centre host stands for), ZEVU_SERVER_LIST (a server list file).
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "zevu/ZevuCore.h"

namespace zevu {

// What goes wrong with one connect request. Each request takes the next queued script; a request
// without one goes well.
struct ZevuFaultScript {
    // The request is refused before dialling: error block and dial error with this error.
    std::optional<Error> rejectRequest;
    // The dial fails with this error; no redial.
    std::optional<Error> refuseDial;
    // The first dials fail with `failingDialCode`, each followed by a redial; when every allowed
    // dial fails (ZevuTestAPI::maxDialAttempts) the attempt ends with a dial error.
    int failingDials = 0;
    int failingDialCode = ErrorCode::TunnelFailed;
    // The tunnel drops this many (scaled) seconds after it came up.
    std::optional<double> dropAfter;
    // The tunnel comes up but the internet cannot be reached through it (reported when the
    // manager checks connectivity).
    bool noInternet = false;
    // Extra (scaled) seconds each dial takes; past the connect time-out the attempt ends TimedOut.
    double slowConnect = 0;
};

enum class ExtensionOutcome { Completed, WillCompleteAfterReboot, NeedsApproval, Failed };

class ZevuTestAPI {
public:
    // Simulated delays (not ping time-outs) are multiplied by this factor; 1 is real time.
    static void setTimeScale(double factor);
    static double timeScale();
    static double scaled(double seconds) { return seconds * timeScale(); }

    // A barrier: returns once every task the SDK has scheduled has run (catalogue answers, delegate
    // calls, a dial's steps, ping measurements, and what they schedule in turn), delayed ones when
    // they fall due on the scaled clock. It does not wait for the traffic tick of a tunnel that is
    // still up (it repeats while the tunnel lasts; the last tick of an ended tunnel is waited for)
    // nor for steps made moot by a reset or by the end of the attempt they belonged to. Answers whether any task ran meanwhile. Never call it from an
    // SDK callback.
    static bool settle();

    // Back to a fresh process: no configuration, delegates, hooks, credential, tunnel, scripts,
    // overrides or measurements. Waits until the worker has settled.
    static void reset();

    static void scriptNextConnect(ZevuFaultScript script);
    static constexpr int maxDialAttempts = 3;
    static constexpr double connectTimeout = 25.0;  // seconds, scaled

    // Faults of a tunnel that is up.
    static void dropTunnel();
    static void pauseTunnel();
    static void resumeTunnel();

    // Every data-centre host stands for this "address[:port]" (none: back to the environment).
    static void setHostOverride(std::optional<std::string> address);
    // One host (name or IP, also a dedicated host) stands for "address[:port]".
    static void setHostOverride(const std::string& host, std::optional<std::string> address);
    static void setPingTimeout(std::chrono::milliseconds timeout);
    static std::chrono::milliseconds pingTimeout();

    static void setServerListPath(std::optional<std::filesystem::path> path);
    static std::optional<std::filesystem::path> serverListPath();

    // Catalogue requests.
    static void failCountryRequests(std::optional<Error> error);
    // The recommended-location answer instead of the computed one: a location (or none), or an error.
    static void setRecommendedLocationAnswer(std::optional<std::optional<ZevuLocation>> location,
                                             std::optional<Error> error = std::nullopt);

    // How the following extension requests end. NeedsApproval requests wait for
    // approvePendingExtensions (completed) or denyPendingExtensions (failed).
    static void setExtensionOutcome(ExtensionOutcome outcome, int errorCode = 1);
    static void approvePendingExtensions();
    static void denyPendingExtensions(int errorCode = 1);
};

}  // namespace zevu
