#include "FakeService.h"

#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <mutex>
#include <regex>
#include <thread>

namespace morvex::fake {

namespace {

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

struct Route {
    std::string method;
    std::regex pattern;
    Handler handler;
};

struct Failure {
    std::regex pattern;
    Answer answer;
    int remaining;
};

}  // namespace

std::optional<std::string> RecordedRequest::header(const std::string& name) const {
    for (const auto& [n, v] : headers)
        if (sameName(n, name)) return v;
    return std::nullopt;
}

std::optional<std::string> RecordedRequest::queryValue(const std::string& name) const {
    auto it = query.find(name);
    if (it == query.end()) return std::nullopt;
    return it->second;
}

std::optional<nlohmann::json> RecordedRequest::json() const {
    auto parsed = nlohmann::json::parse(body, nullptr, false);
    if (parsed.is_discarded()) return std::nullopt;
    return parsed;
}

Answer Answer::json(const nlohmann::json& body, int status) {
    Answer a;
    a.status = status;
    a.body = body.dump();
    return a;
}

Answer Answer::envelope(const nlohmann::json& body, int code, const std::string& message) {
    return json({{"header", {{"response_code", code}, {"message", message}}}, {"body", body}});
}

Answer Answer::bodyOnly(const nlohmann::json& body) { return json({{"body", body}}); }

Answer Answer::plain(int status, std::string body) {
    Answer a;
    a.status = status;
    a.body = std::move(body);
    a.contentType = a.body.empty() ? "" : "text/plain";
    return a;
}

Answer Answer::malformed(int status) {
    Answer a;
    a.status = status;
    a.body = "{\"header\": {\"response_code\": 200,";  // cut off in the middle
    return a;
}

Answer Answer::empty(int status) {
    Answer a;
    a.status = status;
    return a;
}

Answer Answer::dropped(Drop how) {
    Answer a = json({{"header", {{"response_code", 200}, {"message", "OK"}}}, {"body", {{"filler", std::string(256, 'x')}}}});
    a.drop = how;
    return a;
}

Answer Answer::delayed(std::chrono::milliseconds delay, Answer then) {
    then.delay = delay;
    return then;
}

Answer Answer::file(std::string bytes, std::string filename) {
    Answer a;
    a.contentType = "application/octet-stream";
    a.body = std::move(bytes);
    if (!filename.empty())
        a.headers.emplace_back("Content-Disposition", "attachment; filename=\"" + filename + "\"");
    return a;
}

Answer Answer::redirect(int status, std::string location) {
    Answer a = plain(status, "moved");
    a.headers.emplace_back("Location", std::move(location));
    return a;
}

struct FakeService::Impl {
    httplib::Server server;
    std::thread thread;
    std::atomic<int> port{0};
    std::string host = "127.0.0.1";

    mutable std::mutex mutex;
    std::vector<Route> routes;
    std::vector<Failure> failures;
    std::vector<RecordedRequest> records;

    // Pauses end early when the service stops.
    std::mutex sleepMutex;
    std::condition_variable sleepCv;
    bool stopping = false;

    bool pause(std::chrono::milliseconds d) {
        if (d.count() <= 0) return !stopping;
        std::unique_lock lock(sleepMutex);
        sleepCv.wait_for(lock, d, [this] { return stopping; });
        return !stopping;
    }

    void handle(const httplib::Request& req, httplib::Response& res) {
        RecordedRequest record;
        record.method = req.method;
        record.path = req.path;
        for (const auto& [k, v] : req.params) record.query.emplace(k, v);
        for (const auto& [k, v] : req.headers) record.headers.emplace_back(k, v);
        record.body = req.body;

        std::optional<Answer> answer;
        Handler handler;
        {
            std::lock_guard lock(mutex);
            records.push_back(record);
            for (auto& f : failures) {
                if (f.remaining > 0 && std::regex_match(req.path, f.pattern)) {
                    --f.remaining;
                    answer = f.answer;
                    break;
                }
            }
            std::erase_if(failures, [](const Failure& f) { return f.remaining <= 0; });
            if (!answer) {
                for (auto it = routes.rbegin(); it != routes.rend(); ++it) {
                    if ((it->method == "*" || it->method == req.method) && std::regex_match(req.path, it->pattern)) {
                        handler = it->handler;
                        break;
                    }
                }
            }
        }
        if (!answer) {
            answer = handler ? handler(record) : Answer::plain(404, "No route for " + req.method + " " + req.path);
        }
        send(*answer, res);
    }

    void send(const Answer& a, httplib::Response& res) {
        if (!pause(a.delay)) {
            res.status = 503;
            return;
        }
        res.status = a.status;
        for (const auto& [k, v] : a.headers) res.set_header(k, v);
        auto body = std::make_shared<std::string>(a.body);
        if (a.drop == Answer::Drop::none && a.chunkSize == 0) {
            if (!body->empty() || !a.contentType.empty()) res.set_content(*body, a.contentType);
            return;
        }
        std::size_t limit = a.drop == Answer::Drop::afterHeaders ? 0
                          : a.drop == Answer::Drop::midBody   ? body->size() / 2
                          : a.drop == Answer::Drop::nearEnd   ? body->size() - std::max<std::size_t>(1, body->size() / 100)
                                                              : body->size();
        std::size_t chunk = a.chunkSize == 0 ? body->size() : a.chunkSize;
        auto pauseFor = a.chunkDelay;
        res.set_content_provider(
            body->size(), a.contentType.empty() ? "application/octet-stream" : a.contentType,
            [this, body, limit, chunk, pauseFor](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                if (offset >= limit) return false;  // closes the connection short of the promised length
                std::size_t n = std::min({length, chunk, limit - offset});
                if (offset > 0 && !pause(pauseFor)) return false;
                sink.write(body->data() + offset, n);
                return true;
            });
    }
};

FakeService::FakeService() : impl_(std::make_unique<Impl>()) {
    auto handler = [this](const httplib::Request& req, httplib::Response& res) { impl_->handle(req, res); };
    impl_->server.Get(".*", handler);
    impl_->server.Post(".*", handler);
    impl_->server.Put(".*", handler);
    impl_->server.Patch(".*", handler);
    impl_->server.Delete(".*", handler);
    impl_->server.Options(".*", handler);
    // One request per connection, so stopping never waits for an idle keep-alive connection.
    impl_->server.set_keep_alive_max_count(1);
    installDefaultRoutes(*this);
}

FakeService::~FakeService() { stop(); }

bool FakeService::start(std::uint16_t port, const std::string& host) {
    if (impl_->thread.joinable()) return true;
    {
        std::lock_guard lock(impl_->sleepMutex);
        impl_->stopping = false;
    }
    impl_->host = host;
    int bound = port == 0 ? impl_->server.bind_to_any_port(host)
                          : (impl_->server.bind_to_port(host, port) ? port : -1);
    if (bound <= 0) return false;
    impl_->port = bound;
    impl_->thread = std::thread([this] { impl_->server.listen_after_bind(); });
    while (!impl_->server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void FakeService::stop() {
    {
        std::lock_guard lock(impl_->sleepMutex);
        impl_->stopping = true;
    }
    impl_->sleepCv.notify_all();
    impl_->server.stop();
    if (impl_->thread.joinable()) impl_->thread.join();
}

std::uint16_t FakeService::port() const { return static_cast<std::uint16_t>(impl_->port.load()); }

std::string FakeService::baseURL() const { return "http://" + impl_->host + ":" + std::to_string(port()); }

void FakeService::route(const std::string& method, const std::string& pathPattern, Handler handler) {
    std::lock_guard lock(impl_->mutex);
    impl_->routes.push_back(Route{method, std::regex(pathPattern), std::move(handler)});
}

void FakeService::route(const std::string& method, const std::string& pathPattern, Answer answer) {
    route(method, pathPattern, [answer](const RecordedRequest&) { return answer; });
}

void FakeService::failNext(const std::string& pathPattern, Answer answer, int times) {
    std::lock_guard lock(impl_->mutex);
    impl_->failures.push_back(Failure{std::regex(pathPattern), std::move(answer), times});
}

void FakeService::clearFailures() {
    std::lock_guard lock(impl_->mutex);
    impl_->failures.clear();
}

std::vector<RecordedRequest> FakeService::requests() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->records;
}

std::vector<RecordedRequest> FakeService::requestsTo(const std::string& path) const {
    std::lock_guard lock(impl_->mutex);
    std::vector<RecordedRequest> out;
    for (const auto& r : impl_->records)
        if (r.path == path) out.push_back(r);
    return out;
}

void FakeService::clearRequests() {
    std::lock_guard lock(impl_->mutex);
    impl_->records.clear();
}

// ---------------------------------------------------------------------------------------------
// The usual answers of the service, enough for the application to run against.

namespace {

nlohmann::json sampleProfile() {
    return {
        {"client_name", "Alex Example"},
        {"email", "alex@example.com"},
        {"phone_number", ""},
        {"signup_date", "2024-03-01"},
        {"billing_cycle", "Annually"},
        {"expiry_date", "2027-03-01"},
        {"status", "active"},
        {"vpn_username", "morvex0s1234567"},
        {"is_trial", 0},
        {"grace_period", 0},
        {"client_id", "42"},
        {"client_type", "paid"},
        {"payment_gateway", {{"name", "stripe"}, {"recurring_gateway", 1}, {"auto_recurring", 1}, {"sku", "annual"}}},
        {"active_addons", nlohmann::json::array()},
        {"addons", nlohmann::json::array()},
        {"billing_plan", "1 Year"},
        {"referral_link", "https://morvexvpn.example/r/42"},
    };
}

std::vector<unsigned char> fromHex(std::string_view hex) {
    std::vector<unsigned char> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<unsigned char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return bytes;
}

// A fresh token set per answer, so tests can tell which answer a session holds.
nlohmann::json nextTokenSet() {
    static std::atomic<int> counter{0};
    int n = ++counter;
    return {{"oem-at", "access-" + std::to_string(n)}, {"oem-rt", "refresh-" + std::to_string(n)},
            {"oem-type", "Bearer"}, {"oem-ate", 3600}, {"oem-rte", 1209600}, {"customer_id", "42"}};
}

std::string packageBytes() {
    std::string bytes(256 * 1024, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 131 + 7) & 0xff);
    return bytes;
}

}  // namespace

std::string updatePackageBytes() { return packageBytes(); }

void offerUpdate(FakeService& service, const std::string& version, std::chrono::milliseconds pace) {
    service.route("GET", "/MorvexVPN/app/latest/version/mac", [&service, version](const RecordedRequest&) {
        return Answer::bodyOnly({{"device", "mac"},
                                 {"version", version},
                                 {"release_note_url", service.baseURL() + "/release-notes"},
                                 {"download_url", service.baseURL() + kPackagePath}});
    });
    auto package = Answer::file(updatePackageBytes(), "MorvexVPN.pkg");
    if (pace.count() > 0) package = package.inChunks(4 * 1024, pace);
    service.route("GET", kPackagePath, package);
    service.route("GET", "/release-notes",
                  Answer{200, "text/html; charset=utf-8",
                         "<!doctype html><html><body style=\"font-family: sans-serif\"><h2>MorvexVPN " + version +
                             "</h2><ul><li>Faster connections.</li><li>Fixes.</li></ul></body></html>"});
}

void failNextDownload(FakeService& service, DownloadFault fault, int times) {
    Answer answer = Answer::file(updatePackageBytes(), "MorvexVPN.pkg");
    switch (fault) {
    case DownloadFault::cutAtStart: answer.drop = Answer::Drop::afterHeaders; break;
    case DownloadFault::cutHalfway: answer.drop = Answer::Drop::midBody; break;
    case DownloadFault::cutNearEnd: answer.drop = Answer::Drop::nearEnd; break;
    case DownloadFault::serverError: answer = Answer::plain(500, "Internal Server Error"); break;
    // Half the package, then nothing more for an hour (stopping the service ends the wait).
    case DownloadFault::stall: answer = answer.inChunks(answer.body.size() / 2, std::chrono::hours(1)); break;
    }
    service.failNext(kPackagePath, answer, times);
}

std::optional<DownloadFault> downloadFaultFromName(const std::string& name) {
    static const std::pair<const char*, DownloadFault> names[] = {
        {"cut-start", DownloadFault::cutAtStart}, {"cut-half", DownloadFault::cutHalfway},
        {"cut-end", DownloadFault::cutNearEnd},   {"error-500", DownloadFault::serverError},
        {"stall", DownloadFault::stall},
    };
    for (const auto& [n, fault] : names)
        if (name == n) return fault;
    return std::nullopt;
}

std::string sealTokens(const nlohmann::json& tokenSet) {
    // The service's token key and IV, as the application holds them.
    static const auto key = fromHex("6f14c9e2a07b3d58e91f62c4b8d03a7e5c29f1b6d48e0a37c5f92b1e6d0a4c83");
    static const auto iv = fromHex("A7D3E91B04C6F28D5B3E7A1C09F4D26E");
    std::string plain = tokenSet.dump();
    std::vector<unsigned char> out(plain.size() + 16);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    int written = 0, last = 0;
    EVP_EncryptInit_ex(ctx, EVP_aes_256_gcm(), nullptr, nullptr, nullptr);
    EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(iv.size()), nullptr);
    EVP_EncryptInit_ex(ctx, nullptr, nullptr, key.data(), iv.data());
    EVP_EncryptUpdate(ctx, out.data(), &written, reinterpret_cast<const unsigned char*>(plain.data()),
                      static_cast<int>(plain.size()));
    EVP_EncryptFinal_ex(ctx, out.data() + written, &last);
    out.resize(static_cast<std::size_t>(written + last));
    unsigned char tag[16];
    EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_GET_TAG, 16, tag);
    EVP_CIPHER_CTX_free(ctx);
    out.insert(out.end(), tag, tag + 16);
    std::string encoded(4 * ((out.size() + 2) / 3) + 1, '\0');
    int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data()), out.data(), static_cast<int>(out.size()));
    encoded.resize(static_cast<std::size_t>(length));
    return encoded;
}

std::string sealPassword(const std::string& password) {
    // The public half of the development password key (keys/password_key_public.pem).
    static const char* pem =
        "-----BEGIN PUBLIC KEY-----\n"
        "MIGfMA0GCSqGSIb3DQEBAQUAA4GNADCBiQKBgQCy/x4ARUNxOmoFKtGAtF/eMrh0\n"
        "w9yRlWxqLVw2zwVCmEkFTxXrQuo2UpJXUT1i96aZifrBXHySB9ZKiSF37vACFRKd\n"
        "kPav1FEZ4/CwQ5h69bvkV7LfTSuC4In6m8rvm3SIzzum+jeYO/1fHF/bqK7mdoEK\n"
        "afTtBFGmfRAz/3T54wIDAQAB\n"
        "-----END PUBLIC KEY-----\n";
    BIO* bio = BIO_new_mem_buf(pem, -1);
    EVP_PKEY* key = PEM_read_bio_PUBKEY(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    if (!key) return {};
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(key, nullptr);
    EVP_PKEY_encrypt_init(ctx);
    EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PADDING);
    std::size_t length = 0;
    auto in = reinterpret_cast<const unsigned char*>(password.data());
    EVP_PKEY_encrypt(ctx, nullptr, &length, in, password.size());
    std::vector<unsigned char> out(length);
    EVP_PKEY_encrypt(ctx, out.data(), &length, in, password.size());
    out.resize(length);
    EVP_PKEY_CTX_free(ctx);
    EVP_PKEY_free(key);
    std::string encoded(4 * ((out.size() + 2) / 3) + 1, '\0');
    int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data()), out.data(), static_cast<int>(out.size()));
    encoded.resize(static_cast<std::size_t>(written));
    return encoded;
}

Answer passwordAnswer(const std::string& password) { return Answer::bodyOnly({{"password", sealPassword(password)}}); }

Answer tokenAnswer(const nlohmann::json& tokenSet) {
    return Answer::json({{"header", {{"response_code", 200}, {"message", "OK"}}}, {"body", {{"code", sealTokens(tokenSet)}}}});
}

namespace {

std::string htmlEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string queryEncoded(const std::string& text) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') out += static_cast<char>(c);
        else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::mutex issuedMutex;
std::vector<std::string> issuedCodes;
// What the sign-in page was asked for, by the code it issued: the exchange must match it, once.
struct PendingCode {
    std::string challenge;
    std::string method;
    std::string redirectURI;
};
std::map<std::string, PendingCode> pendingCodes;

std::string base64URL(const unsigned char* bytes, std::size_t size) {
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string out;
    for (std::size_t i = 0; i < size; i += 3) {
        std::uint32_t n = std::uint32_t(bytes[i]) << 16;
        if (i + 1 < size) n |= std::uint32_t(bytes[i + 1]) << 8;
        if (i + 2 < size) n |= bytes[i + 2];
        out += alphabet[(n >> 18) & 63];
        out += alphabet[(n >> 12) & 63];
        if (i + 1 < size) out += alphabet[(n >> 6) & 63];
        if (i + 2 < size) out += alphabet[n & 63];
    }
    return out;
}

std::string issueCode(PendingCode pending) {
    static std::atomic<int> counter{0};
    std::string code = "fake-code-" + std::to_string(++counter);
    std::lock_guard lock(issuedMutex);
    issuedCodes.push_back(code);
    pendingCodes[code] = std::move(pending);
    return code;
}

// The code exchange: {"authorization_code", "code_verifier", "redirect_uri", ...}. A code is taken
// once, whatever the outcome; its verifier must hash to the challenge the page was given.
Answer exchangeCode(const RecordedRequest& r) {
    auto refused = [](const char* message) {
        return Answer::json({{"header", {{"response_code", 400}, {"message", message}}}, {"body", nlohmann::json::object()}}, 400);
    };
    auto body = r.json();
    auto text = [&](const char* key) {
        return body && body->is_object() && body->contains(key) && (*body)[key].is_string() ? (*body)[key].get<std::string>()
                                                                                             : std::string();
    };
    std::optional<PendingCode> pending;
    {
        std::lock_guard lock(issuedMutex);
        if (auto it = pendingCodes.find(text("authorization_code")); it != pendingCodes.end()) {
            pending = std::move(it->second);
            pendingCodes.erase(it);
        }
    }
    if (!pending) return refused("invalid_grant: unknown or used code");
    const std::string verifier = text("code_verifier");
    if (verifier.empty() || pending->method != "S256" || pkceChallenge(verifier) != pending->challenge)
        return refused("invalid_grant: code verifier does not match");
    if (text("redirect_uri") != pending->redirectURI) return refused("invalid_grant: redirect URI does not match");
    return tokenAnswer(nextTokenSet());
}

Answer signInForm(const RecordedRequest& r, const std::string& failure = {}) {
    const std::string redirect = r.queryValue("redirect_uri").value_or("");
    if (redirect.rfind("zarnapp://", 0) != 0) return Answer::plain(400, "redirect_uri must be a zarnapp:// callback");
    std::string hidden;
    for (const char* name : {"redirect_uri", "state", "code_challenge", "code_challenge_method", "client_id"})
        hidden += std::string("<input type=\"hidden\" name=\"") + name + "\" value=\"" +
                  htmlEscaped(r.queryValue(name).value_or("")) + "\">";
    Answer a;
    a.contentType = "text/html; charset=utf-8";
    a.body = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Sign in to MorvexVPN</title>"
             // The product's look: system sans everywhere (form controls too), a white card on
             // the window grey, brand-blue buttons; the dark colours when the desktop is dark.
             "<meta name=\"color-scheme\" content=\"light dark\"><style>"
             ":root{--ground:#F6F6F6;--card:#FFFFFF;--text:#1C1C1C;--secondary:#646B71;--line:#DEE2E6;"
             "--theme:#4772A5;--error:#C8372E}"
             "@media (prefers-color-scheme:dark){:root{--ground:#1C2029;--card:#262B38;--text:#F1F3F5;"
             "--secondary:#ADB5BD;--line:#3A4150;--theme:#6D9AD3;--error:#FF7B72}}"
             "*{font-family:system-ui,sans-serif;box-sizing:border-box}"
             "body{margin:0;padding:40px 16px;background:var(--ground);color:var(--text);font-size:14px}"
             "main{margin:0 auto;max-width:340px;background:var(--card);border-radius:12px;padding:20px}"
             "h1{font-size:20px;font-weight:700;margin:0 0 16px}"
             "label{display:block;color:var(--secondary);font-size:13px}"
             "input{display:block;width:100%;margin:6px 0 14px;padding:8px 10px;font-size:14px;color:var(--text);"
             "background:var(--card);border:1px solid var(--line);border-radius:10px}"
             "button{font-size:14px;padding:0 18px;height:30px;min-width:126px;margin:6px 8px 0 0;border-radius:8px;"
             "border:1px solid #4772A5;background:#4772A5;color:#FFFFFF;cursor:pointer}"
             "button#back{background:transparent;color:var(--theme);border-color:var(--line)}"
             ".error{color:var(--error)}</style></head><body><main>"
             "<h1>Sign in</h1>" +
             (failure.empty() ? std::string() : "<p class=\"error\">" + htmlEscaped(failure) + "</p>") +
             "<form id=\"signin\" method=\"post\" action=\"authenticate\">" + hidden +
             "<label>E-mail<input id=\"username\" name=\"username\" autocomplete=\"username\"></label>"
             "<label>Password<input id=\"password\" name=\"password\" type=\"password\"></label>"
             "<button id=\"submit\" type=\"submit\" name=\"action\" value=\"login\">Sign in</button>"
             "<button id=\"back\" type=\"submit\" name=\"action\" value=\"back\">Back</button>"
             "</form></main></body></html>";
    return a;
}

Answer signInAnswer(const RecordedRequest& r) {
    const std::string redirect = r.queryValue("redirect_uri").value_or("");
    if (redirect.rfind("zarnapp://", 0) != 0) return Answer::plain(400, "redirect_uri must be a zarnapp:// callback");
    const std::string state = "state=" + queryEncoded(r.queryValue("state").value_or(""));
    const std::string joiner = redirect.find('?') == std::string::npos ? "?" : "&";
    if (r.queryValue("action") == std::optional<std::string>("back")) return Answer::redirect(302, redirect + joiner + state);
    if (r.queryValue("username") != std::optional<std::string>(kTestAccountName) ||
        r.queryValue("password") != std::optional<std::string>(kTestAccountPassword))
        return Answer::redirect(302, redirect + joiner + "error=access_denied&error_description=" +
                                         queryEncoded("Invalid user name or password.") + "&" + state);
    const std::string code = issueCode({r.queryValue("code_challenge").value_or(""),
                                        r.queryValue("code_challenge_method").value_or(""), redirect});
    return Answer::redirect(302, redirect + joiner + state + "&code=" + code);
}

}  // namespace

Answer accountCheckAnswer(VPNAccount account) {
    auto refused = [](int code, const char* message) {
        return Answer::json({{"header", {{"response_code", code}, {"message", message}}}, {"body", nlohmann::json::object()}}, 400);
    };
    nlohmann::json names = nlohmann::json::array();
    switch (account) {
        case VPNAccount::wrongPassword: return refused(1002, "Invalid password");
        case VPNAccount::unknownUser: return refused(1003, "User does not exist");
        case VPNAccount::noVPNUser: break;
        case VPNAccount::active:
        case VPNAccount::expired:
        case VPNAccount::disabled:
        case VPNAccount::inactive: {
            const char* status = account == VPNAccount::active    ? "active"
                                 : account == VPNAccount::expired ? "expired"
                                 : account == VPNAccount::disabled ? "disabled"
                                                                   : "inactive";
            names.push_back({{"username", "morvex0s1234567"}, {"status", status},
                             {"billing_cycle", "Annually"}, {"payment_gateway", "stripe"},
                             {"expiry_date", "2027-03-01"},
                             {"expiry_reason", account == VPNAccount::expired ? "Subscription ended" : ""},
                             {"hosting_id", "0"}});
            break;
        }
    }
    return Answer::envelope({{"client_id", 42}, {"uuid", "4f0c2a9e-0000-4000-8000-000000000042"}, {"is_migrated", true},
                             {"method", "email"}, {"token", "custom-token"}, {"vpn_usernames", names}});
}

void setVPNAccount(FakeService& service, VPNAccount account) {
    service.route("POST", kAccountCheckPath, accountCheckAnswer(account));
}

std::optional<VPNAccount> vpnAccountFromName(const std::string& name) {
    static const std::map<std::string, VPNAccount> names{
        {"active", VPNAccount::active},         {"expired", VPNAccount::expired},
        {"disabled", VPNAccount::disabled},     {"inactive", VPNAccount::inactive},
        {"no-vpn-user", VPNAccount::noVPNUser}, {"wrong-password", VPNAccount::wrongPassword},
        {"unknown-user", VPNAccount::unknownUser}};
    auto it = names.find(name);
    if (it == names.end()) return std::nullopt;
    return it->second;
}
namespace {

// The web site's description of an add-on ("addon" query: "dedicated-ip" or "port-forwarding"),
// as the add-on dialog shows it.
Answer addonDetailsPage(const RecordedRequest& r) {
    const std::string addon = r.queryValue("addon").value_or("");
    std::string title, lead, points;
    if (addon == "dedicated-ip") {
        title = "Dedicated IP";
        lead = "An address of your own, used by no one else.";
        points = "<li>Fewer captchas and blocks</li><li>Safe access to remote networks that allow only known addresses</li>"
                 "<li>Available in 20 countries</li>";
    } else if (addon == "port-forwarding") {
        title = "Port Forwarding";
        lead = "Reach services on your device from outside through the tunnel.";
        points = "<li>Open the ports you choose</li><li>For game servers, file sharing and remote access</li>";
    } else {
        return Answer::plain(404, "No such add-on");
    }
    Answer a;
    a.contentType = "text/html; charset=utf-8";
    a.body = "<!doctype html><html><head><meta charset='utf-8'><title>" + title +
             "</title><style>body{margin:0;padding:32px 36px;background:#353B69;color:#fff;"
             "font-family:sans-serif}h1{font-size:26px;margin:0 0 8px}p{font-size:15px;color:#D6DAF0;margin:0 0 18px}"
             "li{font-size:14px;margin:8px 0}.price{margin-top:22px;font-size:18px;font-weight:600}</style></head><body><h1>" +
             title + "</h1><p>" + lead + "</p><ul>" + points + "</ul><div class='price'>From 2.99 / month</div></body></html>";
    return a;
}

// Three platforms as the other-devices answer describes them (16-pixel PNGs, dark and light).
nlohmann::json sampleDevices() {
    const std::string dark = "iVBORw0KGgoAAAANSUhEUgAAABAAAAAQCAIAAACQkWg2AAAAFklEQVR42mPQ6LlDEmIY1TCqYfhqAADy3ZAQa9dJ4AAAAABJRU5ErkJggg==";
    const std::string light = "iVBORw0KGgoAAAANSUhEUgAAABAAAAAQCAIAAACQkWg2AAAAFklEQVR42mN49uwDSYhhVMOohuGrAQAX4Lwf3oAeLgAAAABJRU5ErkJggg==";
    nlohmann::json devices = nlohmann::json::array();
    for (const auto& [title, path] : {std::pair{"Linux router", "router"}, std::pair{"Smart TV", "smart-tv"}, std::pair{"Game console", "console"}})
        devices.push_back({{"url", std::string("https://morvexvpn.example/setup/") + path}, {"title", title}, {"dark_x2", dark}, {"light_x2", light}});
    return devices;
}

}  // namespace

nlohmann::json sampleNotifications() {
    auto notice = [](const char* id, const char* category, const char* title, const char* message, const char* createdAt,
                     const char* type) {
        return nlohmann::json{{"id", id},           {"category", category}, {"title", title},
                              {"message", message}, {"created_at", createdAt}, {"type", type}};
    };
    nlohmann::json list = nlohmann::json::array();
    auto renewal = notice("fake-renewal", "billing", "Your subscription renews soon",
                          "Your plan renews on 5 March. Nothing to do if you want to keep it.", "2026-12-10T09:00:00Z", "regular");
    renewal["cta_primary_title"] = "Manage Subscription";
    renewal["cta_primary_action"] = "member_area";
    renewal["cta_primary_value"] = "subscription";
    renewal["cta_secondary_title"] = "Learn More";
    renewal["cta_secondary_action"] = "url";
    renewal["cta_secondary_value"] = "https://morvexvpn.example/renewal";
    list.push_back(renewal);
    auto protocol = notice("fake-wireguard", "app", "Try WireGuard",
                           "Faster connections on most networks. Switch protocols in the settings.", "2026-12-08T15:30:00Z", "regular");
    protocol["cta_primary_title"] = "Open Settings";
    protocol["cta_primary_action"] = "screen";
    protocol["cta_primary_value"] = "settings";
    list.push_back(protocol);
    list.push_back(notice("fake-confirm-email", "accounts", "Confirm your e-mail address",
                          "We sent you a link. Confirm it to keep your account safe.", "2026-11-30T08:00:00Z", "persistant"));
    return list;
}

std::string pkceChallenge(const std::string& verifier) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(verifier.data(), verifier.size(), digest, &size, EVP_sha256(), nullptr);
    return base64URL(digest, size);
}

std::string issueSignInCode(const std::string& codeChallenge, const std::string& redirectURI) {
    return issueCode({codeChallenge, "S256", redirectURI});
}

std::vector<std::string> issuedSignInCodes() {
    std::lock_guard lock(issuedMutex);
    return issuedCodes;
}

void installDefaultRoutes(FakeService& service) {
    const std::string p = "/MorvexVPN";
    // Token requests: the code exchange of the sign-in and the refresh (neither has the prefix).
    service.route("POST", "/auth/token", exchangeCode);
    // The sign-in server's page and its form (any path prefix, as the sign-in URL may carry one).
    const std::string page = kSignInPagePath;
    service.route("GET", ".*" + page, [](const RecordedRequest& r) { return signInForm(r); });
    service.route("POST", ".*" + page.substr(0, page.rfind('/')) + "/authenticate", signInAnswer);
    service.route("POST", "/refresh/token", [](const RecordedRequest& r) {
        auto body = r.json();
        if (!body || !body->contains("refresh_token") || !(*body)["refresh_token"].is_string() ||
            (*body)["refresh_token"].get<std::string>().empty())
            return Answer::json({{"header", {{"response_code", 1046}, {"message", "Invalid refresh token"}}}, {"body", nlohmann::json::object()}}, 400);
        return tokenAnswer(nextTokenSet());
    });
    service.route("GET", p + "/user/profile", Answer::bodyOnly(sampleProfile()));
    service.route("GET", p + "/user/profile/v3", Answer::envelope(sampleProfile()));
    service.route("POST", p + "/ticket/create",
                  Answer::envelope({{"result", "success"}, {"id", 1001}, {"tid", "T-1001"}, {"c", "ok"}, {"ticket_id", 1001}}));
    service.route("GET", p + "/refer-a-friend/[^/]*", [](const RecordedRequest& r) {
        auto id = r.path.substr(r.path.find_last_of('/') + 1);
        return Answer::envelope({{"url", "https://morvexvpn.example/r/" + id}});
    });
    // The platforms the other-devices page lists: a few, each with a small icon per look.
    service.route("GET", p + "/device/setupotherdevices/v3", Answer::envelope({{"setup_devices", sampleDevices()}}));
    // The signed-in user's in-app notifications (the list endpoint agreed with the application).
    service.route("GET", p + "/notification/list/v3", Answer::envelope({{"notifications", sampleNotifications()}}));
    // The latest-version answer in its real shape: the four texts of the version record.
    service.route("GET", p + "/app/latest/version/mac",
                  Answer::bodyOnly({{"device", "mac"},
                                    {"version", "1.0.0"},
                                    {"release_note_url", "https://morvexvpn.example/release-notes"},
                                    {"download_url", "https://morvexvpn.example/MorvexVPN.pkg"}}));
    service.route("GET", p + "/vpn/account/password", [](const RecordedRequest&) { return passwordAnswer(kSamplePassword); });
    service.route("GET", p + "/user/portforwarding/v3",
                  Answer::envelope({{"port", "51820"}, {"status", "active"}, {"username", "morvex0s1234567"},
                                    {"open_all_ports", false}, {"block_all_ports", false}, {"block_all_ports_except", true},
                                    {"ports", "51820, 51821"}, {"expiry_date", "2027-01-31"}}));
    service.route("GET", p + "/status/dedicated/ip",
                  Answer::bodyOnly({{"connected", false}, {"status", "active"}, {"dedicated_ip", "192.0.2.10"}}));
    service.route("GET", p + "/user/dedicatedipdetail/v3",
                  Answer::envelope({{"ip", "192.0.2.10"}, {"iso", "DE"},
                                    {"dedicated_ip_detail", {{"ip", "192.0.2.10"}, {"host", "de1.dedicated.invalid"}, {"country_iso", "DE"}}},
                                    {"hosts", {{{"dns", "de1.dedicated.invalid"}, {"protocol", "IKEV"}, {"server_type", "dedicated"}, {"port_number", "500"}}}}}));
    service.route("POST", p + "/kill/session/dedicated/ip", Answer::envelope(nlohmann::json::object(), 200, "Session killed"));
    // The post-connection feedback: whether the user achieved what they wanted.
    service.route("POST", p + "/user/setdesiredoutcome/v3", Answer::envelope(nlohmann::json::object()));
    service.route("POST", p + "/user/migrateemail/v3", Answer::envelope({{"email", "alex@example.com"}, {"migrated", true}}));
    service.route("POST", p + "/user/importtoken", [](const RecordedRequest&) {
        auto tokens = nextTokenSet();
        return Answer::envelope({{"token", tokens["oem-at"]}, {"refreshToken", tokens["oem-rt"]}});
    });
    setVPNAccount(service, VPNAccount::active);
    // Pages of the web site that the application shows inside its windows.
    service.route("GET", "/applinks/addon-details", addonDetailsPage);
    // The analytics sink: batches of events, kept in the request records.
    service.route("POST", "/track", Answer::json({{"status", 1}}));
    service.route("GET", p + "/mac-2.0/assets/v1/remoteconfig", Answer::json(nlohmann::json::object()));
    auto package = Answer::file(updatePackageBytes(), "MorvexVPN.pkg");
    service.route("GET", p + "/MorvexVPN.pkg", package);
    service.route("GET", p + "/mac-2.0/packages/(QA|Alpha|Beta)/MorvexVPN.pkg", package);
}

}  // namespace morvex::fake
