#include "zevu/ZevuTestAPI.h"

#include "zevu/internal/Runtime.h"

namespace zevu {

using detail::Runtime;

void ZevuTestAPI::setTimeScale(double factor) {
    std::lock_guard lock(Runtime::get().mutex);
    Runtime::get().settings.timeScale = factor > 0 ? factor : 1.0;
}

double ZevuTestAPI::timeScale() {
    std::lock_guard lock(Runtime::get().mutex);
    return Runtime::get().settings.timeScale;
}

bool ZevuTestAPI::settle() {
    auto& rt = Runtime::get();
    bool ran = false;
    // A ping answer goes back to the SDK's worker and a worker task may start a ping: both until
    // neither has anything due.
    for (;;) {
        const bool sdk = rt.sdk().settle();
        const bool ping = rt.ping().settle();
        if (!sdk && !ping) return ran;
        ran = true;
    }
}

void ZevuTestAPI::reset() {
    auto& rt = Runtime::get();
    detail::resetExtensions(rt.extensions());
    detail::resetManager(*rt.manager());
    std::lock_guard lock(rt.mutex);
    const double scale = rt.settings.timeScale;
    rt.settings = detail::Settings{};
    rt.settings.timeScale = scale;
}

void ZevuTestAPI::scriptNextConnect(ZevuFaultScript script) {
    std::lock_guard lock(Runtime::get().mutex);
    Runtime::get().settings.scripts.push_back(std::move(script));
}

void ZevuTestAPI::dropTunnel() { detail::dropTunnel(*Runtime::get().manager()); }
void ZevuTestAPI::pauseTunnel() { detail::pauseTunnel(*Runtime::get().manager(), true); }
void ZevuTestAPI::resumeTunnel() { detail::pauseTunnel(*Runtime::get().manager(), false); }

void ZevuTestAPI::setHostOverride(std::optional<std::string> address) {
    std::lock_guard lock(Runtime::get().mutex);
    Runtime::get().settings.globalOverride = std::move(address);
}

void ZevuTestAPI::setHostOverride(const std::string& host, std::optional<std::string> address) {
    std::lock_guard lock(Runtime::get().mutex);
    auto& map = Runtime::get().settings.hostOverrides;
    if (address) map[host] = *address;
    else map.erase(host);
}

void ZevuTestAPI::setPingTimeout(std::chrono::milliseconds timeout) {
    std::lock_guard lock(Runtime::get().mutex);
    Runtime::get().settings.pingTimeout = timeout;
}

std::chrono::milliseconds ZevuTestAPI::pingTimeout() {
    std::lock_guard lock(Runtime::get().mutex);
    return Runtime::get().settings.pingTimeout;
}

void ZevuTestAPI::setServerListPath(std::optional<std::filesystem::path> path) {
    std::lock_guard lock(Runtime::get().mutex);
    Runtime::get().settings.serverList = std::move(path);
}

std::optional<std::filesystem::path> ZevuTestAPI::serverListPath() {
    std::lock_guard lock(Runtime::get().mutex);
    return Runtime::get().settings.serverList;
}

void ZevuTestAPI::failCountryRequests(std::optional<Error> error) {
    std::lock_guard lock(Runtime::get().mutex);
    Runtime::get().settings.failCountries = std::move(error);
}

void ZevuTestAPI::setRecommendedLocationAnswer(std::optional<std::optional<ZevuLocation>> location,
                                               std::optional<Error> error) {
    std::lock_guard lock(Runtime::get().mutex);
    auto& s = Runtime::get().settings;
    s.recommendedOverridden = location.has_value() || error.has_value();
    s.recommendedLocation = location.value_or(std::nullopt);
    s.recommendedError = std::move(error);
}

void ZevuTestAPI::setExtensionOutcome(ExtensionOutcome outcome, int errorCode) {
    std::lock_guard lock(Runtime::get().mutex);
    Runtime::get().settings.extensionOutcome = outcome;
    Runtime::get().settings.extensionErrorCode = errorCode;
}

void ZevuTestAPI::approvePendingExtensions() { detail::settleExtensions(Runtime::get().extensions(), true, 0); }
void ZevuTestAPI::denyPendingExtensions(int errorCode) {
    detail::settleExtensions(Runtime::get().extensions(), false, errorCode);
}

}  // namespace zevu
