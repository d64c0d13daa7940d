#pragma once
// A TCP server on 127.0.0.1 that hands every connection to a script of the test's own, on a thread
// of its own: for answers no ordinary server gives (trickled, endless, malformed, oversized).
// The destructor stops it: scripts see `stopping()`, their sends fail, and every thread is joined.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace morvex::test {

class RawSocketServer {
public:
    class Connection {
    public:
        // The request's head (up to and with the blank line), read byte by byte so that a body
        // stays unread; empty when the peer closed first or the server stops.
        std::string readHead();
        // Reads whatever arrives within `wait` (at most `limit` bytes).
        std::string readSome(std::chrono::milliseconds wait, std::size_t limit = 64 * 1024);
        // False once the peer has gone or the server stops.
        bool send(std::string_view bytes);
        // Waits, or less when the server stops; answers false when it stops.
        bool pause(std::chrono::milliseconds duration);
        bool stopping() const;

        Connection(int fd, const RawSocketServer& server) : fd_(fd), server_(server) {}

    private:
        int fd_;
        const RawSocketServer& server_;
    };

    using Script = std::function<void(Connection&)>;

    explicit RawSocketServer(Script script);
    ~RawSocketServer();
    RawSocketServer(const RawSocketServer&) = delete;
    RawSocketServer& operator=(const RawSocketServer&) = delete;

    std::uint16_t port() const;
    std::string baseURL() const;  // "http://127.0.0.1:<port>"
    // Connections accepted so far.
    int connections() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace morvex::test
