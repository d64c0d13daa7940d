// The network module on Qt Network: built on its own and loaded on first use (see
// foundation/NetworkModule.h).
#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QNetworkInformation>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QSslSocket>
#include <QTcpSocket>
#include <QUrl>

#include <algorithm>

#include "foundation/NetworkModule.h"

namespace {

using morvex::network::Connection;
using morvex::network::PostResult;
using morvex::network::Reachability;

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

// The certificate errors as one text, each named once, e.g. "the certificate has expired".
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

Connection::Failure failureOf(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::RemoteHostClosedError: return Connection::Failure::remoteClosed;
    case QAbstractSocket::ConnectionRefusedError: return Connection::Failure::refused;
    case QAbstractSocket::HostNotFoundError: return Connection::Failure::hostNotFound;
    case QAbstractSocket::SocketTimeoutError: return Connection::Failure::timedOut;
    case QAbstractSocket::NetworkError: return Connection::Failure::network;
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError: return Connection::Failure::tls;
    default: return Connection::Failure::other;
    }
}

class QtConnection final : public Connection {
public:
    QtConnection(Options options, Events events) : state_(std::make_shared<State>()) {
        state_->events = std::move(events);
        // The slots hold the state, not this object: the owner may drop the connection from
        // inside an event, and the event's own callback must outlive that.
        auto state = state_;
        if (options.tls) {
            auto* socket = new QSslSocket();
            QSslConfiguration conf = QSslConfiguration::defaultConfiguration();
            for (const auto& pem : options.extraAuthorities)
                conf.addCaCertificates(QSslCertificate::fromData(QByteArray::fromStdString(pem), QSsl::Pem));
            conf.setPeerVerifyMode(QSslSocket::VerifyPeer);
            conf.setProtocol(QSsl::TlsV1_2OrLater);
            conf.setAllowedNextProtocols({QByteArrayLiteral("http/1.1")});
            socket->setSslConfiguration(conf);
            QObject::connect(socket, &QSslSocket::sslErrors, socket, [state](const QList<QSslError>& errors) {
                // Never ignored: recorded so that the failure can name its cause.
                state->tlsProblems = describeCertificateErrors(errors);
            });
            QObject::connect(socket, &QSslSocket::encrypted, socket, [state] { state->fire(state->events.ready); });
            state->socket = socket;
        } else {
            state->socket = new QTcpSocket();
            QObject::connect(state->socket, &QAbstractSocket::connected, state->socket,
                             [state] { state->fire(state->events.ready); });
        }
        tls_ = options.tls;
        auto* socket = state->socket;
        if (options.readBufferSize > 0) socket->setReadBufferSize(options.readBufferSize);
        QObject::connect(socket, &QAbstractSocket::readyRead, socket, [state] { state->fire(state->events.readable); });
        QObject::connect(socket, &QAbstractSocket::bytesWritten, socket, [state](qint64) { state->fire(state->events.wrote); });
        QObject::connect(socket, &QAbstractSocket::disconnected, socket, [state] { state->fire(state->events.closed); });
        QObject::connect(socket, &QAbstractSocket::errorOccurred, socket, [state](QAbstractSocket::SocketError e) {
            if (state->over || !state->events.failed || !state->socket) return;
            const auto failure = failureOf(e);
            std::string text;
            if (failure == Failure::tls)
                text = !state->tlsProblems.empty()
                           ? state->tlsProblems
                           : "the TLS handshake failed (" + state->socket->errorString().toStdString() + ")";
            else
                text = state->socket->errorString().toStdString();
            auto failed = state->events.failed;
            failed(failure, text);
        });
    }

    ~QtConnection() override {
        state_->over = true;
        auto* socket = state_->socket;
        state_->socket = nullptr;
        if (!socket) return;
        QObject::disconnect(socket, nullptr, nullptr, nullptr);
        socket->abort();
        socket->deleteLater();  // it may be in the middle of emitting a signal
    }

    void open(const std::string& host, std::uint16_t port) override {
        const QString name = QString::fromStdString(host);
        if (tls_) static_cast<QSslSocket*>(state_->socket)->connectToHostEncrypted(name, port);
        else state_->socket->connectToHost(name, port);
    }

    std::int64_t read(char* into, std::int64_t most) override {
        return state_->socket ? state_->socket->read(into, most) : -1;
    }

    void write(const char* bytes, std::int64_t size) override {
        if (state_->socket) state_->socket->write(bytes, size);
    }

    std::int64_t bytesAvailable() const override { return state_->socket ? state_->socket->bytesAvailable() : 0; }

private:
    struct State {
        QAbstractSocket* socket = nullptr;
        Events events;
        std::string tlsProblems;
        bool over = false;
        void fire(const std::function<void()>& event) {
            if (over || !event) return;
            auto call = event;  // the handler may drop the connection, and with it `events`
            call();
        }
    };
    std::shared_ptr<State> state_;
    bool tls_ = false;
};

Reachability fromQt(QNetworkInformation::Reachability r) {
    switch (r) {
    case QNetworkInformation::Reachability::Disconnected: return Reachability::notReachable;
    case QNetworkInformation::Reachability::Local:
    case QNetworkInformation::Reachability::Site:
    case QNetworkInformation::Reachability::Online: return Reachability::reachable;
    case QNetworkInformation::Reachability::Unknown: break;
    }
    return Reachability::unknown;
}

class QtNetworkModule final : public morvex::network::Module {
public:
    std::unique_ptr<Connection> connection(Connection::Options options, Connection::Events events) override {
        return std::make_unique<QtConnection>(std::move(options), std::move(events));
    }

    bool startReachability() override {
        if (!QNetworkInformation::instance())
            QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
        return QNetworkInformation::instance() != nullptr;
    }

    Reachability reachability() override {
        auto* info = QNetworkInformation::instance();
        return info ? fromQt(info->reachability()) : Reachability::unknown;
    }

    std::shared_ptr<void> observeReachability(std::function<void(Reachability)> changed) override {
        auto* info = QNetworkInformation::instance();
        if (!info) return nullptr;
        auto connection = QObject::connect(info, &QNetworkInformation::reachabilityChanged, info,
                                           [changed = std::move(changed)](QNetworkInformation::Reachability r) {
                                               changed(fromQt(r));
                                           });
        return std::shared_ptr<void>(new QMetaObject::Connection(connection), [](void* p) {
            auto* c = static_cast<QMetaObject::Connection*>(p);
            QObject::disconnect(*c);
            delete c;
        });
    }

    void post(const std::string& url, const std::string& contentType, std::string body, int timeoutMs,
              std::function<void(const PostResult&)> done) override {
        if (!network_) network_ = std::make_unique<QNetworkAccessManager>();
        QNetworkRequest request(QUrl(QString::fromStdString(url)));
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray::fromStdString(contentType));
        request.setTransferTimeout(timeoutMs);
        QNetworkReply* reply = network_->post(request, QByteArray::fromStdString(body));
        QObject::connect(reply, &QNetworkReply::finished, reply, [reply, done = std::move(done)] {
            reply->deleteLater();
            PostResult result;
            result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (reply->error() != QNetworkReply::NoError || result.status < 200 || result.status >= 300)
                result.failure = reply->errorString().toStdString();
            if (done) done(result);
        });
    }

private:
    std::unique_ptr<QNetworkAccessManager> network_;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) morvex::network::Module* morvexMakeNetworkModule() {
    static auto* module = new QtNetworkModule();
    return module;
}
