#include "support/TlsTestServer.h"

#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <stdexcept>

namespace morvex::test {

namespace {

QByteArray pem(auto write) {
    BIO* bio = BIO_new(BIO_s_mem());
    write(bio);
    char* data = nullptr;
    long length = BIO_get_mem_data(bio, &data);
    QByteArray out(data, static_cast<qsizetype>(length));
    BIO_free(bio);
    return out;
}

}  // namespace

TestCertificate TestCertificate::make(const std::vector<std::string>& altNames, int validFromDays,
                                      int validUntilDays) {
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* cert = X509_new();
    if (!key || !cert) throw std::runtime_error("TestCertificate: no key");
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert), static_cast<long>(validFromDays) * 86400);
    X509_gmtime_adj(X509_getm_notAfter(cert), static_cast<long>(validUntilDays) * 86400);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("test server"), -1,
                               -1, 0);
    X509_set_issuer_name(cert, name);
    std::string sans;
    for (const auto& n : altNames) sans += (sans.empty() ? "" : ",") + n;
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
    for (auto [nid, value] : {std::pair{NID_subject_alt_name, sans}, std::pair{NID_basic_constraints, std::string("CA:TRUE")}}) {
        X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
        if (!ext) throw std::runtime_error("TestCertificate: bad extension " + value);
        X509_add_ext(cert, ext, -1);
        X509_EXTENSION_free(ext);
    }
    X509_sign(cert, key, EVP_sha256());
    TestCertificate out;
    out.certificatePem = pem([&](BIO* b) { PEM_write_bio_X509(b, cert); });
    out.keyPem = pem([&](BIO* b) { PEM_write_bio_PrivateKey(b, key, nullptr, nullptr, 0, nullptr, nullptr); });
    X509_free(cert);
    EVP_PKEY_free(key);
    return out;
}

namespace {

class Server : public QTcpServer {
public:
    QSslConfiguration configuration;
    std::function<void(QSslSocket*)> accepted;

protected:
    void incomingConnection(qintptr descriptor) override {
        auto* socket = new QSslSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        socket->setSslConfiguration(configuration);
        accepted(socket);
        socket->startServerEncryption();
    }
};

}  // namespace

struct TlsTestServer::Impl {
    Server server;
};

TlsTestServer::TlsTestServer(const TestCertificate& certificate, QByteArray answer) : impl_(std::make_unique<Impl>()) {
    QSslConfiguration conf = QSslConfiguration::defaultConfiguration();
    conf.setLocalCertificate(QSslCertificate(certificate.certificatePem));
    conf.setPrivateKey(QSslKey(certificate.keyPem, QSsl::Ec));
    conf.setPeerVerifyMode(QSslSocket::VerifyNone);
    impl_->server.configuration = conf;
    impl_->server.accepted = [this, answer](QSslSocket* socket) {
        auto head = std::make_shared<QByteArray>();
        QObject::connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QSslSocket::errorOccurred, socket, [this, socket](QAbstractSocket::SocketError) {
            if (!socket->isEncrypted()) ++refused_;
        });
        QObject::connect(socket, &QSslSocket::readyRead, socket, [this, socket, head, answer] {
            head->append(socket->readAll());
            if (!head->contains("\r\n\r\n")) return;
            head->clear();
            ++requests_;
            socket->write(answer);
            socket->disconnectFromHost();
        });
    };
    if (!impl_->server.listen(QHostAddress::LocalHost, 0)) throw std::runtime_error("TlsTestServer: cannot listen");
}

TlsTestServer::~TlsTestServer() = default;

std::uint16_t TlsTestServer::port() const { return impl_->server.serverPort(); }

}  // namespace morvex::test
