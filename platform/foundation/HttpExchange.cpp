#include "foundation/HttpExchange.h"

#include <QTimer>

#include <algorithm>

namespace morvex::http {

namespace {

// What the connection may hold before it stops reading from the network, and what one turn of
// the event loop reads before it lets other work run.
constexpr std::int64_t kSocketBuffer = 256 * 1024;
constexpr std::int64_t kReadPiece = 64 * 1024;
constexpr std::int64_t kReadPerTurn = 1024 * 1024;

}  // namespace

Exchange::Exchange(Message message, std::vector<std::string> extraAuthorities, wire::Limits limits, Events events)
    : message_(std::move(message)), extraAuthorities_(std::move(extraAuthorities)), events_(std::move(events)),
      reader_(message_.method == Method::HEAD, limits,
              [this](const wire::ResponseReader::Head& head) {
                  if (events_.head) events_.head(head);
                  return !over_;
              },
              [this](std::string_view piece) {
                  if (events_.body) events_.body(piece);
                  return !over_;
              }) {}

Exchange::~Exchange() { abort(); }

void Exchange::start() {
    std::weak_ptr<Exchange> weak = weak_from_this();
    auto guarded = [weak](auto member) {
        return [weak, member](auto&&... args) {
            if (auto self = weak.lock(); self && !self->over_) (self.get()->*member)(args...);
        };
    };
    auto* module = network::load();
    if (!module) {
        auto self = shared_from_this();
        conclude(urlError(URLError::unknown, "The network is out of reach: " + network::failure() + "."));
        return;
    }
    const bool tls = message_.url.scheme() == "https";
    network::Connection::Events events;
    events.ready = guarded(&Exchange::writeRequest);
    events.readable = guarded(&Exchange::readAvailable);
    events.wrote = [weak] {
        if (auto self = weak.lock(); self && !self->over_ && self->events_.activity) self->events_.activity();
    };
    events.closed = guarded(&Exchange::peerClosed);
    events.failed = [weak](network::Connection::Failure failure, const std::string& description) {
        if (auto self = weak.lock(); self && !self->over_) self->connectionFailed(failure, description);
    };
    connection_ = module->connection({tls, extraAuthorities_, kSocketBuffer}, std::move(events));
    connection_->open(message_.url.host().toStdString(), static_cast<std::uint16_t>(message_.url.port(tls ? 443 : 80)));
}

void Exchange::abort() {
    over_ = true;
    connection_.reset();
}

void Exchange::writeRequest() {
    std::optional<std::size_t> size;
    if (message_.body) size = message_.body->size();
    std::string bytes = wire::requestHead(message_.method, message_.url, message_.headers, size);
    if (message_.body) bytes += *message_.body;
    connection_->write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

void Exchange::readAvailable() {
    auto self = shared_from_this();  // the owner may let go of us from a callback
    char buffer[kReadPiece];
    std::int64_t budget = kReadPerTurn;
    while (!over_ && budget > 0) {
        std::int64_t n = connection_->read(buffer, std::min<std::int64_t>(sizeof(buffer), budget));
        if (n <= 0) break;
        budget -= n;
        if (events_.activity) events_.activity();
        if (over_) return;
        if (!reader_.feed(std::string_view(buffer, static_cast<std::size_t>(n)))) {
            if (!over_) conclude(urlError(URLError::badServerResponse, "The server's answer was refused: " + reader_.error() + "."));
            return;
        }
        if (reader_.complete()) {
            conclude(std::nullopt);
            return;
        }
    }
    // More than one turn's worth is waiting: go on after other events have had their turn.
    if (!over_ && budget <= 0 && connection_->bytesAvailable() > 0) {
        std::weak_ptr<Exchange> weak = self;
        QTimer::singleShot(0, [weak] {
            if (auto s = weak.lock(); s && !s->over_) s->readAvailable();
        });
    }
}

void Exchange::peerClosed() {
    auto self = shared_from_this();
    // Bytes that arrived with the close are still waiting in the socket.
    while (!over_ && connection_ && connection_->bytesAvailable() > 0) {
        auto before = connection_->bytesAvailable();
        readAvailable();
        if (!over_ && connection_ && connection_->bytesAvailable() >= before) break;
    }
    if (over_) return;
    if (reader_.finish()) conclude(std::nullopt);
    else conclude(urlError(URLError::networkConnectionLost,
                           std::string(urlError(URLError::networkConnectionLost).message) + " (" + reader_.error() + ")"));
}

void Exchange::connectionFailed(network::Connection::Failure failure, const std::string& description) {
    using Failure = network::Connection::Failure;
    auto self = shared_from_this();
    switch (failure) {
    case Failure::remoteClosed: peerClosed(); return;
    case Failure::refused: conclude(urlError(URLError::cannotConnectToHost)); return;
    case Failure::hostNotFound: conclude(urlError(URLError::cannotFindHost)); return;
    case Failure::timedOut: conclude(urlError(URLError::timedOut)); return;
    case Failure::network: conclude(urlError(URLError::cannotConnectToHost)); return;
    case Failure::tls:
        conclude(urlError(URLError::secureConnectionFailed,
                          "An SSL error has occurred and a secure connection to the server cannot be made: " + description + "."));
        return;
    case Failure::other: {
        Error e = urlError(URLError::unknown);
        e.message = description;
        conclude(std::move(e));
        return;
    }
    }
}

void Exchange::conclude(std::optional<Error> error) {
    if (over_) return;
    auto finished = std::move(events_.finished);
    abort();
    if (finished) finished(std::move(error));
}

}  // namespace morvex::http
