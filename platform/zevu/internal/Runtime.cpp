#include "zevu/internal/Runtime.h"

#include <cstdlib>

namespace zevu {
namespace detail {

Runtime& Runtime::get() {
    static Runtime runtime;
    return runtime;
}

Runtime::Runtime()
    : sdk_(std::make_unique<WorkerLoop>("zevu.sdk")), ping_(std::make_unique<WorkerLoop>("zevu.ping")) {
    if (const char* scale = std::getenv("ZEVU_TIME_SCALE"); scale && *scale) {
        char* end = nullptr;
        const double f = std::strtod(scale, &end);
        if (end != scale && f > 0) settings.timeScale = f;
    }
}

Runtime::~Runtime() {
    // Stop the threads before the objects their tasks use go away.
    ping_.reset();
    sdk_.reset();
}

std::shared_ptr<ZevuManager> Runtime::manager() {
    std::call_once(managerOnce_, [this] { manager_ = ManagerAccess::makeManager(); });
    return manager_;
}

ExtensionManager& Runtime::extensions() {
    std::call_once(extensionsOnce_, [this] { extensions_ = ManagerAccess::makeExtensions(); });
    return *extensions_;
}

namespace {

// "address" or "address:port" (an IPv6 address in brackets when it has a port).
PingTarget parseAddress(const std::string& text, int defaultPort) {
    PingTarget t{text, defaultPort};
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close != std::string::npos) {
            t.host = text.substr(1, close - 1);
            if (close + 1 < text.size() && text[close + 1] == ':') t.port = std::atoi(text.c_str() + close + 2);
        }
        return t;
    }
    const auto colon = text.rfind(':');
    if (colon != std::string::npos && text.find(':') == colon) {
        t.host = text.substr(0, colon);
        t.port = std::atoi(text.c_str() + colon + 1);
    }
    return t;
}

}  // namespace

std::optional<PingTarget> pingTargetFor(const std::optional<std::string>& hostname, const std::optional<std::string>& ip,
                                        int defaultPort, const Settings& settings) {
    for (const auto* key : {&hostname, &ip}) {
        if (!*key) continue;
        if (auto it = settings.hostOverrides.find(**key); it != settings.hostOverrides.end())
            return parseAddress(it->second, defaultPort);
    }
    std::optional<std::string> global = settings.globalOverride;
    if (!global) {
        if (const char* env = std::getenv("ZEVU_SERVER_OVERRIDE"); env && *env) global = std::string(env);
    }
    if (global) return parseAddress(*global, defaultPort);
    for (const auto* key : {&hostname, &ip}) {
        if (*key && !key->value().empty() && !isUnroutable(**key)) return PingTarget{**key, defaultPort};
    }
    return std::nullopt;
}

}  // namespace detail
}  // namespace zevu
