#pragma once
// Latency by TCP connect time: how long the three-way handshake with host:port takes.
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace zevu::detail {

struct PingTarget {
    std::string host;  // numeric address or a name to resolve
    int port = 0;
};

// Measures every target at once; milliseconds per target, none when it could not be resolved,
// refused the connection or did not answer within the time-out.
std::vector<std::optional<double>> measureConnectTimes(const std::vector<PingTarget>& targets,
                                                       std::chrono::milliseconds timeout);

// True for names that never resolve (".invalid") and addresses of the documentation ranges,
// which the SDK never sends packets to.
bool isUnroutable(const std::string& hostOrAddress);

}  // namespace zevu::detail
