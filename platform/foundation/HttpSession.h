#pragma once
// HTTP client on Qt Network.
//
// A request passes an optional interceptor twice: its adapter may change the request before it
// leaves (headers, tokens), and its retrier is asked whenever the exchange failed and decides
// whether the request is sent again. Answers are validated (status 200-299 and a content type that
// the request's Accept header allows) and an empty body counts as a failure except for HEAD and the
// statuses 204 and 205. Every completion runs exactly once, on the main thread, with the duration
// of the exchange. Transport failures carry URL-loading codes (-1009 offline, -1001 timed out,
// -999 cancelled, -1005 connection lost, ...), wrapped in a session error.
//
// Requests may be started from any thread; the network work itself runs on the main thread's event
// loop. TLS certificates are always verified, and a request leaves only over a verified connection.
//
// Hostile answers are bounded: each request has a cap on its body (held in memory, or streamed to
// disk for downloads), a total deadline besides its idle time-out, and the head of an answer is
// limited in size (see HttpWire.h). Redirects are followed by the session itself, at most
// `kMaximumRedirects` times: within the request's origin as they come; never from https to http;
// to another origin only when the request allows it, and then without any header but a few
// harmless ones (no Authorization, no cookies, no custom tokens) and never with the body. Header
// fields with CR, LF or NUL are refused before anything is sent.
//
// The wire is HTTP/1.1, one connection per request, no content codings (the body is asked for and
// accepted only as it is).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/HttpTypes.h"

namespace morvex::http {

// A request in flight. Cancelling completes it with -999 (if it has not completed yet).
class Task {
public:
    virtual ~Task() = default;
    virtual void cancel() = 0;
    // A UUID in its standard text form, fixed for the task's life.
    virtual const std::string& identifier() const = 0;
};

struct SessionConfiguration {
    // Certificates (PEM) trusted besides the system's authorities; for servers that tests start.
    std::vector<std::string> additionalTrustedCertificates;
};

class Session {
public:
    // The process-wide session.
    static Session& shared();
    Session();
    explicit Session(SessionConfiguration configuration);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Sends `request` through the interceptor (may be null), validates when `validate` is true,
    // and calls `completion` once on the main thread.
    std::shared_ptr<Task> request(Request request, std::shared_ptr<RequestInterceptor> interceptor,
                                  bool validate, std::function<void(const DataResponse&)> completion);

    // Downloads the answer's body into a temporary file, then moves it to the destination.
    // `progress` runs on the main thread as bytes arrive; `completion` once on the main thread.
    std::shared_ptr<Task> download(Request request, bool validate, DownloadDestination destination,
                                   DownloadOptions options,
                                   std::function<void(const Progress&)> progress,
                                   std::function<void(const DownloadResponse&)> completion);

    // Requests and downloads of every session in the process that are sent or waiting to be sent
    // and not yet answered. Tests wait for none before they count what an action sent.
    static std::size_t unansweredRequests();

    struct Impl;

private:
    std::shared_ptr<Impl> impl_;
};

}  // namespace morvex::http
