#include "zevu/internal/KnownServers.h"

namespace zevu::detail {

bool KnownServers::load() {
    if (list_) return true;
    auto path = ServerCatalog::defaultPath();
    if (!path) {
        loadError_ = makeError(ErrorCode::ServerListUnavailable, "The server list is missing from the SDK's resources.");
        return false;
    }
    auto loaded = ServerCatalog::load(*path);
    if (!loaded) {
        loadError_ = loaded.error();
        return false;
    }
    list_ = *loaded;
    loadError_.reset();
    return true;
}

std::optional<std::int64_t> KnownServers::latency(std::int64_t dataCenterId) const {
    auto it = latencies_.find(dataCenterId);
    if (it == latencies_.end()) return std::nullopt;
    return it->second;
}

void KnownServers::setLatency(std::int64_t dataCenterId, std::optional<std::int64_t> milliseconds) {
    if (milliseconds) latencies_[dataCenterId] = *milliseconds;
    else latencies_.erase(dataCenterId);
}

void KnownServers::reset() {
    list_.reset();
    loadError_.reset();
    latencies_.clear();
}

}  // namespace zevu::detail
