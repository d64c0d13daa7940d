#include "support/RawSocketServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace morvex::test {

struct RawSocketServer::Impl {
    int listener = -1;
    std::uint16_t port = 0;
    Script script;
    std::atomic<bool> stop{false};
    std::atomic<int> accepted{0};
    std::mutex mutex;
    std::condition_variable wake;
    std::vector<int> open;  // under mutex
    std::vector<std::thread> threads;
    std::thread acceptor;
};

namespace {

// Waits until `fd` can be read or `timeout` passes; false on time-out.
bool readable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0;
}

}  // namespace

RawSocketServer::RawSocketServer(Script script) : impl_(std::make_unique<Impl>()) {
    impl_->script = std::move(script);
    impl_->listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (impl_->listener < 0 || ::bind(impl_->listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(impl_->listener, 16) != 0 ||
        ::getsockname(impl_->listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("RawSocketServer: cannot listen on 127.0.0.1");
    impl_->port = ntohs(address.sin_port);

    impl_->acceptor = std::thread([impl = impl_.get(), this] {
        while (!impl->stop) {
            if (!readable(impl->listener, 20)) continue;
            int fd = ::accept4(impl->listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            impl->accepted += 1;
            std::lock_guard lock(impl->mutex);
            impl->open.push_back(fd);
            impl->threads.emplace_back([impl, fd, this] {
                Connection connection(fd, *this);
                impl->script(connection);
                ::shutdown(fd, SHUT_RDWR);
            });
        }
    });
}

RawSocketServer::~RawSocketServer() {
    impl_->stop = true;
    impl_->wake.notify_all();
    impl_->acceptor.join();
    {
        std::lock_guard lock(impl_->mutex);
        for (int fd : impl_->open) ::shutdown(fd, SHUT_RDWR);
    }
    for (auto& t : impl_->threads) t.join();
    for (int fd : impl_->open) ::close(fd);
    ::close(impl_->listener);
}

std::uint16_t RawSocketServer::port() const { return impl_->port; }

std::string RawSocketServer::baseURL() const { return "http://127.0.0.1:" + std::to_string(impl_->port); }

int RawSocketServer::connections() const { return impl_->accepted; }

std::string RawSocketServer::Connection::readHead() {
    std::string head;
    while (!stopping() && head.size() < 1024 * 1024) {
        if (!readable(fd_, 20)) continue;
        char c = 0;
        if (::recv(fd_, &c, 1, 0) != 1) return {};
        head.push_back(c);
        if (head.ends_with("\r\n\r\n")) return head;
    }
    return {};
}

std::string RawSocketServer::Connection::readSome(std::chrono::milliseconds wait, std::size_t limit) {
    std::string bytes;
    auto until = std::chrono::steady_clock::now() + wait;
    while (!stopping() && bytes.size() < limit && std::chrono::steady_clock::now() < until) {
        if (!readable(fd_, 10)) continue;
        char buffer[4096];
        auto n = ::recv(fd_, buffer, std::min(sizeof(buffer), limit - bytes.size()), 0);
        if (n <= 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

bool RawSocketServer::Connection::send(std::string_view bytes) {
    while (!bytes.empty()) {
        if (stopping()) return false;
        pollfd p{fd_, POLLOUT, 0};
        if (::poll(&p, 1, 20) <= 0) continue;
        auto n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool RawSocketServer::Connection::pause(std::chrono::milliseconds duration) {
    std::unique_lock lock(server_.impl_->mutex);
    server_.impl_->wake.wait_for(lock, duration, [this] { return stopping(); });
    return !stopping();
}

bool RawSocketServer::Connection::stopping() const { return server_.impl_->stop; }

}  // namespace morvex::test
