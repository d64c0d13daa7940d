#pragma once
// A minimal HTTP/1.1 server on 127.0.0.1 for tests, driven by the main thread's event loop. It
// records every request and answers each with the status that is set at that moment.
#include <QByteArray>
#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace morvex::test {

class LocalHttpServer {
public:
    struct Request {
        std::string method;
        std::string target;  // path and query
        std::string body;
    };

    LocalHttpServer();
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    std::string baseURL() const;  // "http://127.0.0.1:<port>"
    void setStatus(int status) { status_ = status; }
    const std::vector<Request>& requests() const { return requests_; }
    // Stops listening (new connections are refused).
    void close();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    int status_ = 200;
    std::vector<Request> requests_;
};

}  // namespace morvex::test
