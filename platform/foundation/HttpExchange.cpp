#include "foundation/HttpExchange.h"

#include <QMetaObject>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpSocket>

#include <algorithm>
#include <set>

namespace morvex::http {

namespace {

// What the socket may hold before it stops reading from the network, and what one turn of the
// event loop reads before it lets other work run.
constexpr qint64 kSocketBuffer = 256 * 1024;
constexpr qint64 kReadPiece = 64 * 1024;
constexpr qint64 kReadPerTurn = 1024 * 1024;

std::string certificateProblem(const QSslError& e) {
    switch (e.error()) {
    case QSslError::CertificateExpired: return "the certificate has expired";
    case QSslError::CertificateNotYetValid: return "the certificate is not valid yet";
    case QSslError::HostNameMismatch: return "the certificate was issued for another host name";
    case QSslError::SelfSignedCertificate:
    case QSslError::SelfSignedCertificateInChain: return "the certificate is self-signed and not trusted";
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::CertificateUntrusted: return "the certificate is not signed by a trusted authority";
    case QSslError::CertificateRevoked: return "the certificate has been revoked";
    case QSslError::CertificateBlacklisted: return "the certificate is blocked";
    case QSslError::NoPeerCertificate: return "the server presented no certificate";
    default: return e.errorString().toStdString();
    }
}

}  // namespace

std::string describeCertificateErrors(const QList<QSslError>& errors) {
    std::vector<std::string> seen;
    for (const auto& e : errors) {
        auto text = certificateProblem(e);
        if (std::find(seen.begin(), seen.end(), text) == seen.end()) seen.push_back(std::move(text));
    }
    std::string out;
    for (const auto& s : seen) out += (out.empty() ? "" : "; ") + s;
    return out;
}

Exchange::Exchange(Message message, QList<QSslCertificate> extraAuthorities, wire::Limits limits, Events events)
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
    const bool tls = message_.url.scheme() == "https";
    if (tls) {
        auto* socket = new QSslSocket();
        QSslConfiguration conf = QSslConfiguration::defaultConfiguration();
        if (!extraAuthorities_.isEmpty()) conf.addCaCertificates(extraAuthorities_);
        conf.setPeerVerifyMode(QSslSocket::VerifyPeer);
        conf.setProtocol(QSsl::TlsV1_2OrLater);
        conf.setAllowedNextProtocols({QByteArrayLiteral("http/1.1")});
        socket->setSslConfiguration(conf);
        QObject::connect(socket, &QSslSocket::sslErrors, socket, [weak](const QList<QSslError>& errors) {
            // Never ignored: recorded so that the failure can name its cause.
            if (auto self = weak.lock()) self->tlsProblems_ = describeCertificateErrors(errors);
        });
        QObject::connect(socket, &QSslSocket::encrypted, socket, guarded(&Exchange::writeRequest));
        socket_ = socket;
    } else {
        socket_ = new QTcpSocket();
        QObject::connect(socket_, &QAbstractSocket::connected, socket_, guarded(&Exchange::writeRequest));
    }
    socket_->setReadBufferSize(kSocketBuffer);
    QObject::connect(socket_, &QAbstractSocket::readyRead, socket_, guarded(&Exchange::readAvailable));
    QObject::connect(socket_, &QAbstractSocket::bytesWritten, socket_, [weak](qint64) {
        if (auto self = weak.lock(); self && !self->over_ && self->events_.activity) self->events_.activity();
    });
    QObject::connect(socket_, &QAbstractSocket::errorOccurred, socket_, [weak](QAbstractSocket::SocketError e) {
        if (auto self = weak.lock(); self && !self->over_) self->socketFailed(static_cast<int>(e));
    });
    QObject::connect(socket_, &QAbstractSocket::disconnected, socket_, guarded(&Exchange::peerClosed));

    const auto host = message_.url.host();
    const auto port = static_cast<quint16>(message_.url.port(tls ? 443 : 80));
    if (tls) static_cast<QSslSocket*>(socket_)->connectToHostEncrypted(host, port);
    else socket_->connectToHost(host, port);
}

void Exchange::abort() {
    over_ = true;
    if (!socket_) return;
    auto* socket = socket_;
    socket_ = nullptr;
    QObject::disconnect(socket, nullptr, nullptr, nullptr);
    socket->abort();
    socket->deleteLater();  // it may be in the middle of emitting a signal
}

void Exchange::writeRequest() {
    std::optional<std::size_t> size;
    if (message_.body) size = message_.body->size();
    std::string bytes = wire::requestHead(message_.method, message_.url, message_.headers, size);
    if (message_.body) bytes += *message_.body;
    socket_->write(bytes.data(), static_cast<qint64>(bytes.size()));
}

void Exchange::readAvailable() {
    auto self = shared_from_this();  // the owner may let go of us from a callback
    char buffer[kReadPiece];
    qint64 budget = kReadPerTurn;
    while (!over_ && budget > 0) {
        qint64 n = socket_->read(buffer, std::min<qint64>(sizeof(buffer), budget));
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
    if (!over_ && budget <= 0 && socket_->bytesAvailable() > 0) {
        std::weak_ptr<Exchange> weak = self;
        QMetaObject::invokeMethod(socket_, [weak] {
            if (auto s = weak.lock(); s && !s->over_) s->readAvailable();
        }, Qt::QueuedConnection);
    }
}

void Exchange::peerClosed() {
    auto self = shared_from_this();
    // Bytes that arrived with the close are still waiting in the socket.
    while (!over_ && socket_ && socket_->bytesAvailable() > 0) {
        auto before = socket_->bytesAvailable();
        readAvailable();
        if (!over_ && socket_ && socket_->bytesAvailable() >= before) break;
    }
    if (over_) return;
    if (reader_.finish()) conclude(std::nullopt);
    else conclude(urlError(URLError::networkConnectionLost,
                           std::string(urlError(URLError::networkConnectionLost).message) + " (" + reader_.error() + ")"));
}

void Exchange::socketFailed(int socketError) {
    auto self = shared_from_this();
    auto error = static_cast<QAbstractSocket::SocketError>(socketError);
    switch (error) {
    case QAbstractSocket::RemoteHostClosedError: peerClosed(); return;
    case QAbstractSocket::ConnectionRefusedError: conclude(urlError(URLError::cannotConnectToHost)); return;
    case QAbstractSocket::HostNotFoundError: conclude(urlError(URLError::cannotFindHost)); return;
    case QAbstractSocket::SocketTimeoutError: conclude(urlError(URLError::timedOut)); return;
    case QAbstractSocket::NetworkError: conclude(urlError(URLError::cannotConnectToHost)); return;
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError: {
        std::string cause = !tlsProblems_.empty() ? tlsProblems_
                                                  : "the TLS handshake failed (" + socket_->errorString().toStdString() + ")";
        conclude(urlError(URLError::secureConnectionFailed,
                          "An SSL error has occurred and a secure connection to the server cannot be made: " + cause + "."));
        return;
    }
    default: {
        Error e = urlError(URLError::unknown);
        e.message = socket_->errorString().toStdString();
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
