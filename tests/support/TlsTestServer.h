#pragma once
// An HTTPS server on 127.0.0.1 for tests, driven by the main thread's event loop, with a throwaway
// certificate that the test makes. It answers every request with the same bytes.
#include <QByteArray>

#include <memory>
#include <string>
#include <vector>

namespace morvex::test {

// A self-signed certificate and its key, both PEM.
struct TestCertificate {
    QByteArray certificatePem;
    QByteArray keyPem;

    // Names go into the subject alternative names ("DNS:localhost", "IP:127.0.0.1"); validity is
    // given in days from now (negative: in the past).
    static TestCertificate make(const std::vector<std::string>& altNames, int validFromDays = -1,
                                int validUntilDays = 30);
};

class TlsTestServer {
public:
    TlsTestServer(const TestCertificate& certificate, QByteArray answer);
    ~TlsTestServer();
    TlsTestServer(const TlsTestServer&) = delete;
    TlsTestServer& operator=(const TlsTestServer&) = delete;

    std::uint16_t port() const;
    // Request heads that arrived over a finished handshake.
    int requests() const { return requests_; }
    // Connections whose handshake did not finish.
    int refusedHandshakes() const { return refused_; }

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
    int requests_ = 0;
    int refused_ = 0;
};

}  // namespace morvex::test
