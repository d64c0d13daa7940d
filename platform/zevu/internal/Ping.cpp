#include "zevu/internal/Ping.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zevu::detail {

namespace {

using Clock = std::chrono::steady_clock;

struct Probe {
    int fd = -1;
    Clock::time_point start;
    bool done = false;
};

// Starts a non-blocking connect; the socket, or -1 when the target cannot be tried.
int startConnect(const PingTarget& t, bool& connectedAtOnce) {
    connectedAtOnce = false;
    if (t.host.empty() || t.port <= 0 || t.port > 65535 || isUnroutable(t.host)) return -1;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(t.port);
    if (::getaddrinfo(t.host.c_str(), port.c_str(), &hints, &found) != 0 || !found) return -1;
    int fd = ::socket(found->ai_family, found->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, found->ai_protocol);
    if (fd >= 0) {
        int rc = ::connect(fd, found->ai_addr, found->ai_addrlen);
        if (rc == 0) {
            connectedAtOnce = true;
        } else if (errno != EINPROGRESS) {
            ::close(fd);
            fd = -1;
        }
    }
    ::freeaddrinfo(found);
    return fd;
}

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

bool isUnroutable(const std::string& host) {
    std::string lowerHost(host);
    std::transform(lowerHost.begin(), lowerHost.end(), lowerHost.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    while (!lowerHost.empty() && lowerHost.back() == '.') lowerHost.pop_back();
    if (lowerHost == "invalid" || lowerHost.ends_with(".invalid")) return true;
    in_addr a{};
    if (::inet_pton(AF_INET, host.c_str(), &a) == 1) {
        const std::uint32_t ip = ntohl(a.s_addr);
        const std::uint32_t net = ip & 0xFFFFFF00u;
        return net == 0xC0000200u /* 192.0.2.0/24 */ || net == 0xC6336400u /* 198.51.100.0/24 */ ||
               net == 0xCB007100u /* 203.0.113.0/24 */;
    }
    return false;
}

std::vector<std::optional<double>> measureConnectTimes(const std::vector<PingTarget>& targets,
                                                       std::chrono::milliseconds timeout) {
    std::vector<std::optional<double>> results(targets.size());
    constexpr std::size_t kBatch = 128;  // keeps the number of open sockets modest
    for (std::size_t begin = 0; begin < targets.size(); begin += kBatch) {
        const std::size_t end = std::min(targets.size(), begin + kBatch);
        std::vector<Probe> probes(end - begin);
        for (std::size_t i = begin; i < end; ++i) {
            auto& p = probes[i - begin];
            p.start = Clock::now();
            bool atOnce = false;
            p.fd = startConnect(targets[i], atOnce);
            if (p.fd < 0) {
                p.done = true;
            } else if (atOnce) {
                results[i] = millisecondsSince(p.start);
                p.done = true;
            }
        }
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            std::vector<pollfd> fds;
            std::vector<std::size_t> index;
            for (std::size_t k = 0; k < probes.size(); ++k) {
                if (!probes[k].done) {
                    fds.push_back({probes[k].fd, POLLOUT, 0});
                    index.push_back(k);
                }
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (fds.empty() || left.count() <= 0) break;
            int n = ::poll(fds.data(), fds.size(), static_cast<int>(left.count()) + 1);
            if (n < 0 && errno != EINTR) break;
            for (std::size_t f = 0; f < fds.size(); ++f) {
                if (!fds[f].revents) continue;
                auto& p = probes[index[f]];
                int err = 0;
                socklen_t len = sizeof err;
                ::getsockopt(p.fd, SOL_SOCKET, SO_ERROR, &err, &len);
                if (err == 0 && (fds[f].revents & POLLOUT)) results[begin + index[f]] = millisecondsSince(p.start);
                p.done = true;
            }
        }
        for (auto& p : probes) {
            if (p.fd >= 0) ::close(p.fd);
        }
    }
    return results;
}

}  // namespace zevu::detail
