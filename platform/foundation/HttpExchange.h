#pragma once
// One HTTP/1.1 request and its answer over a connection of its own (TCP, or TLS with the peer's
// certificate and host name verified), on the thread that made it: the main thread. The connection
// comes from the network module; when that cannot be loaded, the exchange fails with its reason.
//
// The request leaves only once the connection stands: after a verified handshake for https, so a
// refused certificate means that not one byte of the request was sent. The answer is read through
// a bounded `wire::ResponseReader`, and the socket's own buffer is bounded: while the owner's body
// callback is busy (a slow disk), nothing more is read and TCP slows the sender down.
//
// Callbacks never run after `abort()`, and `finished` runs at most once. An exchange may be
// aborted and released from inside its own callbacks.
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Error.h"
#include "foundation/HttpTypes.h"
#include "foundation/HttpWire.h"
#include "foundation/NetworkModule.h"

namespace morvex::http {

class Exchange : public std::enable_shared_from_this<Exchange> {
public:
    struct Message {
        Method method = Method::GET;
        QUrl url;
        Headers headers;
        std::optional<std::string> body;
    };
    struct Events {
        std::function<void(const wire::ResponseReader::Head&)> head;
        std::function<void(std::string_view)> body;
        std::function<void()> activity;  // bytes moved either way
        // Nothing on success, else a URL error.
        std::function<void(std::optional<Error>)> finished;
    };

    // `extraAuthorities`: certificates (PEM) trusted besides the system's authorities.
    Exchange(Message message, std::vector<std::string> extraAuthorities, wire::Limits limits, Events events);
    ~Exchange();
    Exchange(const Exchange&) = delete;
    Exchange& operator=(const Exchange&) = delete;

    void start();
    void abort();

private:
    void writeRequest();
    void readAvailable();
    void peerClosed();
    void connectionFailed(network::Connection::Failure failure, const std::string& description);
    void conclude(std::optional<Error> error);

    Message message_;
    std::vector<std::string> extraAuthorities_;
    Events events_;
    wire::ResponseReader reader_;
    std::unique_ptr<network::Connection> connection_;
    bool over_ = false;
};

}  // namespace morvex::http
