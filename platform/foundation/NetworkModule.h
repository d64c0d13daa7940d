#pragma once
// The contract between the program and its network module (platform/network), which holds what
// the program uses of Qt Network: sockets, TLS, the system's view of reachability and the plain
// posts of the analytics client. Qt Network, and the Kerberos and proxy libraries it links, take a
// few milliseconds to map and relocate: as a module loaded from the bundle at the first connection
// or reachability question, a start that shows its window before either never pays for them.
//
// Threads: a connection and the reachability calls belong to the main thread; `load()` may be
// called from any thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace morvex::network {

// A TCP connection, or a TLS one whose peer certificate and host name are verified.
class Connection {
public:
    enum class Failure { refused, hostNotFound, timedOut, network, remoteClosed, tls, other };
    struct Events {
        std::function<void()> ready;     // connected; for TLS, after the handshake verified the peer
        std::function<void()> readable;  // bytes are waiting
        std::function<void()> wrote;     // bytes left
        // Never for a certificate that was refused before its cause is known: the text names
        // the certificate's problems for `tls`, else the socket's own words.
        std::function<void(Failure, const std::string& description)> failed;
        std::function<void()> closed;  // the peer closed; bytes may still be waiting
    };
    struct Options {
        bool tls = false;
        // Certificates (PEM) trusted besides the system's authorities.
        std::vector<std::string> extraAuthorities;
        // What the connection holds before it stops reading from the network.
        std::int64_t readBufferSize = 0;
    };

    // Dropping a connection aborts it and no event runs after that, even when it is dropped from
    // inside one of its own events.
    virtual ~Connection() = default;
    virtual void open(const std::string& host, std::uint16_t port) = 0;
    virtual std::int64_t read(char* into, std::int64_t most) = 0;
    virtual void write(const char* bytes, std::int64_t size) = 0;
    virtual std::int64_t bytesAvailable() const = 0;
};

enum class Reachability { unknown, notReachable, reachable };

// What a plain POST came back with: the status (0 without an answer), and the failure's text when
// the exchange failed or the status is not 2xx.
struct PostResult {
    int status = 0;
    std::optional<std::string> failure;
};

class Module {
public:
    virtual ~Module() = default;
    virtual std::unique_ptr<Connection> connection(Connection::Options options, Connection::Events events) = 0;

    // Loads the system's reachability backend once; false when the system has none.
    virtual bool startReachability() = 0;
    // The backend's view; unknown until startReachability() found one.
    virtual Reachability reachability() = 0;
    // Calls `changed` on every change of the backend's view, until the returned token is let go.
    virtual std::shared_ptr<void> observeReachability(std::function<void(Reachability)> changed) = 0;

    // POSTs `body` with its content type; `done` runs once on the main thread. `timeoutMs` is the
    // time allowed without progress.
    virtual void post(const std::string& url, const std::string& contentType, std::string body, int timeoutMs,
                      std::function<void(const PostResult&)> done) = 0;
};

// The module, loaded from the bundle the first time it is asked for; null when it cannot be
// loaded, and failure() says why.
Module* load();
const std::string& failure();

// The module's one exported function, and its name.
using MakeModule = Module* (*)();
inline constexpr const char* kMakeModuleSymbol = "morvexMakeNetworkModule";

}  // namespace morvex::network
