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
#include <QUrl>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "foundation/Error.h"

namespace morvex::http {

// URL-loading errors: the transport's own failures.
inline constexpr std::string_view kURLErrorDomain = "NSURLErrorDomain";
namespace URLError {
inline constexpr int unknown = -1;
inline constexpr int cancelled = -999;
inline constexpr int badURL = -1000;
inline constexpr int timedOut = -1001;
inline constexpr int unsupportedURL = -1002;
inline constexpr int cannotFindHost = -1003;
inline constexpr int cannotConnectToHost = -1004;
inline constexpr int networkConnectionLost = -1005;
inline constexpr int httpTooManyRedirects = -1007;
inline constexpr int notConnectedToInternet = -1009;
inline constexpr int badServerResponse = -1011;
inline constexpr int dataLengthExceedsMaximum = -1103;
inline constexpr int cannotCreateFile = -3000;
inline constexpr int cannotWriteToFile = -3003;
inline constexpr int secureConnectionFailed = -1200;
}  // namespace URLError

// Errors of the session itself. A transport failure is `sessionTaskFailed` with the URL error as
// its underlying error; a status outside 200-299 is reported with the status as the code.
inline constexpr std::string_view kSessionErrorDomain = "HTTPSessionError";
namespace SessionError {
inline constexpr int sessionTaskFailed = 0;
inline constexpr int inputDataNilOrZeroLength = 1;
inline constexpr int unacceptableContentType = 2;
inline constexpr int requestAdaptationFailed = 3;
inline constexpr int downloadFailed = 4;  // the file could not be put at its destination
inline constexpr int invalidRequestHeader = 5;  // a field name or value that would break the request's framing
// Any 100-599 code: unacceptable status code.
}  // namespace SessionError

enum class Method { GET, POST, PUT, PATCH, DELETE_, HEAD };
std::string_view methodName(Method method);

// Header fields in order; names compare without regard to case.
class Headers {
public:
    Headers() = default;
    Headers(std::initializer_list<std::pair<std::string, std::string>> fields);

    // Replaces every earlier field of that name.
    void set(std::string_view name, std::string_view value);
    void add(std::string_view name, std::string_view value);
    void remove(std::string_view name);
    std::optional<std::string> value(std::string_view name) const;
    bool contains(std::string_view name) const { return value(name).has_value(); }
    const std::vector<std::pair<std::string, std::string>>& fields() const { return fields_; }
    bool empty() const { return fields_.empty(); }

private:
    std::vector<std::pair<std::string, std::string>> fields_;
};

// Limits that apply when a request leaves them unset.
inline constexpr std::int64_t kDefaultDataSizeLimit = 16LL << 20;      // request(): an answer held in memory
inline constexpr std::int64_t kDefaultDownloadSizeLimit = 2LL << 30;   // download(): a file on disk
inline constexpr double kDefaultDataDeadline = 120;                    // seconds, request()
inline constexpr double kDefaultDownloadDeadline = 3600;               // seconds, download()
inline constexpr int kMaximumRedirects = 16;

// What happens to a redirect to another origin (scheme, host or port).
enum class CrossOriginRedirects {
    refuse,                    // fails with -1007; nothing is sent to the other origin
    followWithoutCredentials,  // only Accept, Accept-Language and User-Agent go along, and no body
};

struct Request {
    QUrl url;
    Method method = Method::GET;
    Headers headers;
    std::optional<std::string> body;
    double timeoutInterval = 60;  // seconds without a byte either way before -1001
    // Seconds for the whole exchange, redirects included, before -1001; none: the call's default.
    std::optional<double> deadline;
    // Bytes of body the answer may have before -1103; none: the call's default.
    std::optional<std::int64_t> maximumBodySize;
    // none: refuse for request() (API calls carry credentials), follow for download().
    std::optional<CrossOriginRedirects> crossOriginRedirects;

    // The body as JSON; sets "Content-Type: application/json" unless a content type is set.
    void setJSONBody(const nlohmann::json& json);
};

struct HTTPResponse {
    QUrl url;
    int statusCode = 0;
    Headers headers;

    // The content type without parameters, lower case; nothing when absent.
    std::optional<std::string> mimeType() const;
    // The file name that the server proposes (Content-Disposition), else the last path segment of
    // the URL; only a bare name (no folders, not "." or ".."), empty when there is none.
    std::string suggestedFilename() const;
};

struct DataResponse {
    std::optional<Request> request;  // as sent, after adaptation
    std::optional<HTTPResponse> response;
    std::optional<std::string> data;  // the body as received, also for failed statuses
    std::optional<Error> error;
    std::optional<double> duration;   // seconds from sending to the answer; none when never sent

    bool succeeded() const { return !error.has_value(); }
};

// What a retrier tells the session after a failure.
struct RetryResult {
    enum class Kind { retry, retryWithDelay, doNotRetry, doNotRetryWithError };
    Kind kind = Kind::doNotRetry;
    double delay = 0;
    Error error;

    static RetryResult retry() { return {Kind::retry, 0, {}}; }
    static RetryResult retryWithDelay(double seconds) { return {Kind::retryWithDelay, seconds, {}}; }
    static RetryResult doNotRetry() { return {Kind::doNotRetry, 0, {}}; }
    static RetryResult doNotRetryWithError(Error e) { return {Kind::doNotRetryWithError, 0, std::move(e)}; }
};

// Adapter and retrier of one request. Both run on the main thread; each completion must be called
// at most once. A retrier that never completes leaves its request unanswered.
class RequestInterceptor {
public:
    virtual ~RequestInterceptor() = default;
    virtual void adapt(const Request& request, std::function<void(Result<Request>)> completion);
    // `failed` holds the request, answer and error of the failed attempt; `retryCount` counts the
    // attempts already repeated. doNotRetryWithError delivers the given error instead.
    virtual void retry(const DataResponse& failed, int retryCount,
                       std::function<void(RetryResult)> completion);
};

struct Progress {
    std::int64_t completedUnitCount = 0;
    std::int64_t totalUnitCount = -1;  // -1 when the size is unknown
    double fractionCompleted() const;
};

struct DownloadResponse {
    std::optional<Request> request;
    std::optional<HTTPResponse> response;
    std::optional<std::filesystem::path> fileURL;
    std::optional<Error> error;
    std::optional<double> duration;
};

struct DownloadOptions {
    bool removePreviousFile = false;          // replace an existing file (never a folder)
    bool createIntermediateDirectories = false;
};

// Where a finished download goes, given its answer.
using DownloadDestination = std::function<std::filesystem::path(const HTTPResponse&)>;

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

// The session error for a transport failure, wrapping the URL error.
Error sessionTaskFailed(Error urlError);
// A URL error of the given code with its standard description, or with a description that names
// the cause more precisely.
Error urlError(int code);
Error urlError(int code, std::string description);

// Validation of an answer as the session does it; nothing when it passes.
std::optional<Error> validate(const Request& request, const HTTPResponse& response);

}  // namespace morvex::http
