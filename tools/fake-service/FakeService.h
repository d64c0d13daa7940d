#pragma once
// A local stand-in for the service's back end, for tests (in-process, on 127.0.0.1 and a free
// port) and for `./dev run` (the program morvex-fake-service).
//
// Every request is recorded. Routes answer by method and path (a regular expression over the whole
// path); the newest route that matches wins. Failures are scripted per route: the next N answers
// of a path can be any status, a delay, a malformed or empty body, or a dropped connection.
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace morvex::fake {

struct RecordedRequest {
    std::string method;
    std::string path;
    std::multimap<std::string, std::string> query;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    // A header by name (any case); nothing when absent.
    std::optional<std::string> header(const std::string& name) const;
    std::optional<std::string> queryValue(const std::string& name) const;
    // The body as JSON; nothing when it is not JSON.
    std::optional<nlohmann::json> json() const;
};

struct Answer {
    enum class Drop {
        none,
        afterHeaders,  // the status line and headers go out, then the connection closes
        midBody,       // half of the body goes out, then the connection closes
        nearEnd,       // all but the last hundredth of the body goes out, then the connection closes
    };

    int status = 200;
    std::string contentType = "application/json";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
    std::chrono::milliseconds delay{0};  // before anything is sent
    Drop drop = Drop::none;
    // Sends the body in pieces of this size with a pause between them (0: all at once).
    std::size_t chunkSize = 0;
    std::chrono::milliseconds chunkDelay{0};

    static Answer json(const nlohmann::json& body, int status = 200);
    // The gateway envelope: {"header": {"response_code": code, "message": message}, "body": body}.
    static Answer envelope(const nlohmann::json& body, int code = 200, const std::string& message = "OK");
    // The body-only envelope: {"body": body}.
    static Answer bodyOnly(const nlohmann::json& body);
    static Answer plain(int status, std::string body = {});  // text/plain
    static Answer malformed(int status = 200);  // a body that is not JSON
    static Answer empty(int status = 200);      // no body at all
    static Answer dropped(Drop how = Drop::afterHeaders);
    static Answer delayed(std::chrono::milliseconds delay, Answer then);
    static Answer file(std::string bytes, std::string filename = {});
    // A redirect (301, 302, 303, 307, 308) to `location`, with a short text body.
    static Answer redirect(int status, std::string location);

    Answer withDelay(std::chrono::milliseconds d) const { Answer a = *this; a.delay = d; return a; }
    Answer inChunks(std::size_t size, std::chrono::milliseconds pause) const {
        Answer a = *this; a.chunkSize = size; a.chunkDelay = pause; return a;
    }
};

using Handler = std::function<Answer(const RecordedRequest&)>;

class FakeService {
public:
    // With the service's usual routes installed (see FakeService.cpp).
    FakeService();
    ~FakeService();
    FakeService(const FakeService&) = delete;
    FakeService& operator=(const FakeService&) = delete;

    // Listens on host:port (port 0: a free port) on a thread of its own; false when it cannot bind.
    bool start(std::uint16_t port = 0, const std::string& host = "127.0.0.1");
    void stop();

    std::uint16_t port() const;
    std::string baseURL() const;  // "http://127.0.0.1:<port>"

    // Adds a route; the newest matching route answers. Method "*" matches every method.
    void route(const std::string& method, const std::string& pathPattern, Handler handler);
    void route(const std::string& method, const std::string& pathPattern, Answer answer);
    // The next `times` requests whose path matches get `answer` instead of their route's answer.
    void failNext(const std::string& pathPattern, Answer answer, int times = 1);
    // Forgets scripted failures (not routes or records).
    void clearFailures();

    std::vector<RecordedRequest> requests() const;
    std::vector<RecordedRequest> requestsTo(const std::string& path) const;
    void clearRequests();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// The service's usual routes (also installed by the constructor).
void installDefaultRoutes(FakeService& service);
// The three in-app notifications "/MorvexVPN/notification/list/v3" lists (a renewal notice with two
// calls to action, a protocol tip that opens the settings, a persistent e-mail reminder).
nlohmann::json sampleNotifications();

// The token set as the token answers carry it: AES-GCM with the service's key and IV, the tag
// appended, in base64.
std::string sealTokens(const nlohmann::json& tokenSet);
// The VPN password every sign-in of the fake gets, and how the service sends one: RSA PKCS#1 v1.5
// to the public half of the development password key, in base64.
inline constexpr const char* kSamplePassword = "fake-vpn-pa55";
std::string sealPassword(const std::string& password);
// The password route's answer: {"body": {"password": sealed}}.
Answer passwordAnswer(const std::string& password);

// The sign-in server's page (".../realms/MorvexVPN/protocol/openid-connect/auth"): a plain form for
// a user name and a password. The test account below signs in: the form redirects to the
// "redirect_uri" with a fresh "code" and the "state"; a wrong password redirects with
// "error=access_denied" instead, and "Back" with the state alone. Only "zarnapp" redirect URIs
// are served. "/auth/token" takes a code once, and only one the page issued, with the verifier whose
// S256 challenge the page was given and the same redirect URI; anything else is refused with 400.
inline constexpr const char* kTestAccountName = "alex@example.com";
inline constexpr const char* kTestAccountPassword = "morvex-test";
inline constexpr const char* kSignInPagePath = "/realms/MorvexVPN/protocol/openid-connect/auth";
// The codes the sign-in page has issued, oldest first.
std::vector<std::string> issuedSignInCodes();
// A code as the page issues it, for a sign-in that did not go through the page.
std::string issueSignInCode(const std::string& codeChallenge, const std::string& redirectURI);
// The S256 challenge of a verifier (base64url of its SHA-256, no padding).
std::string pkceChallenge(const std::string& verifier);

// The answer of "/auth/token" and "/refresh/token": {"header": ..., "body": {"code": sealed}}.
Answer tokenAnswer(const nlohmann::json& tokenSet);

// What the account check ("/user/login/v3") says of the VPN account: a list of one VPN user name
// with that status, an empty list, or the gateway's refusal of the credentials (1002: wrong
// password, 1003: no such user, both with status 400).
enum class VPNAccount { active, expired, disabled, inactive, noVPNUser, wrongPassword, unknownUser };
inline constexpr const char* kAccountCheckPath = "/MorvexVPN/user/login/v3";
Answer accountCheckAnswer(VPNAccount account);
// Every later account check answers for `account` (a route: the newest wins, failNext still
// comes first).
void setVPNAccount(FakeService& service, VPNAccount account);
// "active", "expired", "disabled", "inactive", "no-vpn-user", "wrong-password", "unknown-user".
std::optional<VPNAccount> vpnAccountFromName(const std::string& name);

// The version check offers `version` (newer than the running one, so the application shows its
// update page) with this service's own installer package as the download, sent in pieces of
// 4 KiB with `pace` between them so that a person can watch the progress and cancel.
inline constexpr const char* kPackagePath = "/MorvexVPN/MorvexVPN.pkg";
void offerUpdate(FakeService& service, const std::string& version,
                 std::chrono::milliseconds pace = std::chrono::milliseconds(0));
// The bytes of that package.
std::string updatePackageBytes();

// Ways the next installer download fails (failNext on the package's path, so a retry succeeds).
enum class DownloadFault { cutAtStart, cutHalfway, cutNearEnd, serverError, stall };
void failNextDownload(FakeService& service, DownloadFault fault, int times = 1);
// "cut-start", "cut-half", "cut-end", "error-500", "stall".
std::optional<DownloadFault> downloadFaultFromName(const std::string& name);

}  // namespace morvex::fake
