#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QThread>

#include <fstream>
#include <nlohmann/json.hpp>

#include "FakeService.h"
#include "foundation/Dispatch.h"
#include "foundation/HttpSession.h"
#include "foundation/NetworkReachability.h"
#include "support/RawSocketServer.h"
#include "support/TestSupport.h"
#include "support/TlsTestServer.h"

namespace morvex::http {
namespace {

using fake::Answer;
using namespace std::chrono_literals;

bool onMainThread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

// The innermost error of a chain.
const Error& innermost(const Error& e) { return e.underlying ? innermost(*e.underlying) : e; }
// The innermost error's code; 0 when the request succeeded.
int failureCode(const DataResponse& r) { return r.error ? innermost(*r.error).code : 0; }
std::string failureText(const DataResponse& r) { return r.error ? innermost(*r.error).message : "succeeded"; }

QUrl toURL(const std::string& text) { return QUrl(QString::fromStdString(text)); }

// Sends and waits; fails the test unless the completion runs exactly once, on the main thread.
DataResponse sendAndWait(Session& session, Request request, std::shared_ptr<RequestInterceptor> interceptor = nullptr,
                         bool validate = true) {
    std::vector<DataResponse> answers;
    bool allOnMain = true;
    session.request(std::move(request), std::move(interceptor), validate, [&](const DataResponse& r) {
        allOnMain = allOnMain && onMainThread();
        answers.push_back(r);
    });
    EXPECT_TRUE(test::waitUntil([&] { return !answers.empty(); }));
    test::drain();
    EXPECT_EQ(answers.size(), 1u);
    EXPECT_TRUE(allOnMain);
    return answers.empty() ? DataResponse{} : answers.front();
}

DownloadResponse downloadAndWait(Session& session, Request request, std::filesystem::path target) {
    std::optional<DownloadResponse> done;
    session.download(std::move(request), true, [target](const HTTPResponse&) { return target; },
                     DownloadOptions{true, true}, nullptr, [&](const DownloadResponse& r) { done = r; });
    EXPECT_TRUE(test::waitUntil([&] { return done.has_value(); }));
    return done.value_or(DownloadResponse{});
}

class HttpSessionTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(service.start()); }

    QUrl url(const std::string& path) const { return toURL(service.baseURL() + path); }

    DataResponse send(Request request, std::shared_ptr<RequestInterceptor> interceptor = nullptr,
                      bool validate = true) {
        return sendAndWait(session, std::move(request), std::move(interceptor), validate);
    }

    fake::FakeService service;
    Session session;
};

TEST_F(HttpSessionTest, GetAndPostAreAnsweredWithBodyStatusAndTiming) {
    service.route("GET", "/hello", Answer::json({{"greeting", "hi"}}));
    service.route("POST", "/echo", [](const fake::RecordedRequest& r) { return Answer::json(*r.json()); });

    Request get{url("/hello?name=x")};
    get.headers.set("X-Probe", "1");
    auto got = send(get);
    ASSERT_FALSE(got.error) << got.error->localizedDescription();
    EXPECT_EQ(got.response->statusCode, 200);
    EXPECT_EQ(nlohmann::json::parse(*got.data)["greeting"], "hi");
    ASSERT_TRUE(got.duration);
    EXPECT_GE(*got.duration, 0.0);

    Request post{url("/echo"), Method::POST};
    post.setJSONBody({{"username", "alex"}});
    auto posted = send(post);
    ASSERT_FALSE(posted.error);
    EXPECT_EQ(nlohmann::json::parse(*posted.data)["username"], "alex");

    auto records = service.requests();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].header("X-Probe"), "1");
    EXPECT_EQ(records[0].queryValue("name"), "x");
    EXPECT_EQ(records[1].method, "POST");
    EXPECT_EQ(records[1].header("Content-Type"), "application/json");
}

struct FailureCase {
    const char* name;
    Answer answer;
    double timeout;
    std::string domain;  // of the innermost error
    int code;
};

TEST_F(HttpSessionTest, FailuresMapOntoSessionAndURLErrors) {
    const std::vector<FailureCase> cases = {
        {"status 500", Answer::json({{"oops", 1}}, 500), 5, std::string(kSessionErrorDomain), 500},
        {"status 404 without body", Answer::empty(404), 5, std::string(kSessionErrorDomain), 404},
        {"empty 200", Answer::empty(200), 5, std::string(kSessionErrorDomain), SessionError::inputDataNilOrZeroLength},
        {"dropped after headers", Answer::dropped(Answer::Drop::afterHeaders), 5, std::string(kURLErrorDomain), URLError::networkConnectionLost},
        {"dropped mid body", Answer::dropped(Answer::Drop::midBody), 5, std::string(kURLErrorDomain), URLError::networkConnectionLost},
        {"too slow", Answer::delayed(2000ms, Answer::json({})), 0.2, std::string(kURLErrorDomain), URLError::timedOut},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        service.failNext("/fail", c.answer);
        service.route("GET", "/fail", Answer::json({}));
        Request r{url("/fail")};
        r.timeoutInterval = c.timeout;
        auto answer = send(r);
        ASSERT_TRUE(answer.error);
        EXPECT_EQ(innermost(*answer.error).domain, c.domain);
        EXPECT_EQ(innermost(*answer.error).code, c.code);
        if (c.domain == kURLErrorDomain) {
            EXPECT_EQ(answer.error->domain, kSessionErrorDomain);
            EXPECT_EQ(answer.error->code, SessionError::sessionTaskFailed);
        }
    }
}

TEST_F(HttpSessionTest, EmptyAnswersPassOnlyFor204And205AndFailedStatusesKeepTheirBody) {
    service.route("GET", "/nothing", Answer::empty(204));
    EXPECT_FALSE(send(Request{url("/nothing")}).error);

    service.route("GET", "/bad", Answer::plain(400, "not json"));
    auto bad = send(Request{url("/bad")});
    ASSERT_TRUE(bad.error);
    EXPECT_EQ(bad.error->code, 400);
    EXPECT_EQ(bad.data, "not json");
    EXPECT_EQ(bad.response->statusCode, 400);

    auto unvalidated = send(Request{url("/bad")}, nullptr, false);
    EXPECT_FALSE(unvalidated.error);
}

TEST_F(HttpSessionTest, ContentTypeMustBeOneTheRequestAccepts) {
    service.route("GET", "/page", [](const fake::RecordedRequest&) {
        Answer a = Answer::plain(200, "<html></html>");
        a.contentType = "text/html";
        return a;
    });
    Request r{url("/page")};
    r.headers.set("Accept", "application/json");
    auto refused = send(r);
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->code, SessionError::unacceptableContentType);
    r.headers.set("Accept", "application/json, text/*");
    EXPECT_FALSE(send(r).error);
}

TEST_F(HttpSessionTest, ClosedPortAndCancellationMapToURLErrors) {
    auto port = service.port();
    service.stop();
    auto refused = send(Request{QUrl(QString("http://127.0.0.1:%1/x").arg(port))});
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(innermost(*refused.error).code, URLError::cannotConnectToHost);

    ASSERT_TRUE(service.start());
    // TLS is never skipped: https to a server that does not speak it fails the secure connection.
    auto plain = send(Request{QUrl(QString("https://127.0.0.1:%1/x").arg(service.port()))});
    ASSERT_TRUE(plain.error);
    EXPECT_EQ(innermost(*plain.error).code, URLError::secureConnectionFailed);

    // The server would answer long after the wait below gives up: only the cancel can end it.
    service.route("GET", "/slow", Answer::delayed(std::chrono::minutes(10), Answer::json({})));
    std::optional<DataResponse> answer;
    int calls = 0;
    auto task = session.request(Request{url("/slow")}, nullptr, true, [&](const DataResponse& r) {
        ++calls;
        answer = r;
    });
    ASSERT_TRUE(test::waitUntil([&] { return !service.requestsTo("/slow").empty(); }));
    task->cancel();
    ASSERT_TRUE(test::waitUntil([&] { return answer.has_value(); }));
    test::drain();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(innermost(*answer->error).code, URLError::cancelled);
}

// Adds a header, and retries a failed request a fixed number of times.
class RecordingInterceptor : public RequestInterceptor {
public:
    int adaptCalls = 0;
    int retryCalls = 0;
    int retriesAllowed = 0;
    std::optional<Error> replaceWith;

    void adapt(const Request& request, std::function<void(Result<Request>)> completion) override {
        ++adaptCalls;
        Request changed = request;
        changed.headers.set("X-Attempt", std::to_string(adaptCalls));
        completion(changed);
    }
    void retry(const DataResponse&, int retryCount, std::function<void(RetryResult)> completion) override {
        ++retryCalls;
        if (retryCount < retriesAllowed) completion(RetryResult::retry());
        else if (replaceWith) completion(RetryResult::doNotRetryWithError(*replaceWith));
        else completion(RetryResult::doNotRetry());
    }
};

TEST_F(HttpSessionTest, InterceptorAdaptsEveryAttemptAndDecidesOnRetries) {
    service.route("GET", "/flaky", Answer::json({{"ok", true}}));
    service.failNext("/flaky", Answer::plain(503), 2);

    auto retrying = std::make_shared<RecordingInterceptor>();
    retrying->retriesAllowed = 5;
    auto ok = send(Request{url("/flaky")}, retrying);
    EXPECT_FALSE(ok.error);
    EXPECT_EQ(retrying->retryCalls, 2);
    auto records = service.requestsTo("/flaky");
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[2].header("X-Attempt"), "3");

    service.failNext("/flaky", Answer::plain(401));
    auto refusing = std::make_shared<RecordingInterceptor>();
    refusing->replaceWith = Error("Mine", 7, "replaced");
    auto failed = send(Request{url("/flaky")}, refusing);
    ASSERT_TRUE(failed.error);
    EXPECT_EQ(failed.error->domain, "Mine");
    EXPECT_EQ(failed.response->statusCode, 401);
    EXPECT_EQ(service.requestsTo("/flaky").size(), 4u);
}

TEST_F(HttpSessionTest, DownloadReportsProgressOnMainThreadAndLandsItsFile) {
    std::string bytes(200 * 1024, 'm');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 251);
    service.route("GET", "/pkg/Setup.pkg", Answer::file(bytes, "../../Setup.pkg").inChunks(32 * 1024, 10ms));
    test::TempDir dir;

    std::vector<Progress> reports;
    bool progressOnMain = true;
    std::optional<DownloadResponse> done;
    std::string suggested;
    session.download(
        Request{url("/pkg/Setup.pkg")}, true,
        [&](const HTTPResponse& r) {
            suggested = r.suggestedFilename();
            return dir.path() / "sub" / suggested;
        },
        DownloadOptions{true, true},
        [&](const Progress& p) {
            progressOnMain = progressOnMain && onMainThread();
            reports.push_back(p);
        },
        [&](const DownloadResponse& r) { done = r; });
    ASSERT_TRUE(test::waitUntil([&] { return done.has_value(); }));
    ASSERT_FALSE(done->error) << done->error->localizedDescription();
    EXPECT_EQ(suggested, "Setup.pkg");
    ASSERT_TRUE(done->fileURL);
    EXPECT_EQ(*done->fileURL, dir.path() / "sub" / "Setup.pkg");
    std::ifstream in(*done->fileURL, std::ios::binary);
    std::string landed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(landed, bytes);

    EXPECT_TRUE(progressOnMain);
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports.back().completedUnitCount, static_cast<std::int64_t>(bytes.size()));
    EXPECT_DOUBLE_EQ(reports.back().fractionCompleted(), 1.0);
    for (std::size_t i = 1; i < reports.size(); ++i)
        EXPECT_LE(reports[i - 1].completedUnitCount, reports[i].completedUnitCount);
}

TEST_F(HttpSessionTest, DownloadNeverReplacesAFolderAndFailsOnAnErrorStatus) {
    test::TempDir dir;
    std::filesystem::create_directories(dir.path() / "Setup.pkg" / "keep");
    service.route("GET", "/Setup.pkg", Answer::file("payload"));
    auto download = [&](std::string path) {
        std::optional<DownloadResponse> done;
        session.download(Request{url(path)}, true,
                         [&](const HTTPResponse&) { return dir.path() / "Setup.pkg"; },
                         DownloadOptions{true, true}, nullptr, [&](const DownloadResponse& r) { done = r; });
        EXPECT_TRUE(test::waitUntil([&] { return done.has_value(); }));
        return *done;
    };
    auto blocked = download("/Setup.pkg");
    ASSERT_TRUE(blocked.error);
    EXPECT_EQ(blocked.error->code, SessionError::downloadFailed);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "Setup.pkg" / "keep"));

    std::filesystem::remove_all(dir.path() / "Setup.pkg");
    auto missing = download("/Missing.pkg");
    ASSERT_TRUE(missing.error);
    EXPECT_EQ(missing.error->code, 404);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Setup.pkg"));
}

TEST_F(HttpSessionTest, ADownloadThatCannotBeWrittenOutFails) {
    test::TempDir dir;
    service.route("GET", "/Setup.pkg", Answer::file("payload that does not fit"));
    std::optional<DownloadResponse> done;
    // Files may grow to a few bytes only, until the download has ended.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = saved;
    tight.rlim_cur = 4;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    session.download(Request{url("/Setup.pkg")}, true, [&](const HTTPResponse&) { return dir.path() / "Setup.pkg"; },
                     DownloadOptions{true, true}, nullptr, [&](const DownloadResponse& r) { done = r; });
    const bool finished = test::waitUntil([&] { return done.has_value(); });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, oldHandler);
    ASSERT_TRUE(finished);
    ASSERT_TRUE(done->error);
    EXPECT_EQ(innermost(*done->error).code, URLError::cannotWriteToFile);
    EXPECT_FALSE(done->fileURL);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Setup.pkg"));
}

TEST_F(HttpSessionTest, RequestsStartedOnAnotherThreadAnswerOnTheMainThread) {
    service.route("GET", "/hello", Answer::json({{"ok", true}}));
    auto worker = DispatchQueue::serial("test.worker");
    std::optional<DataResponse> answer;
    bool onMain = false;
    worker->async([&] {
        session.request(Request{url("/hello")}, nullptr, true, [&](const DataResponse& r) {
            onMain = onMainThread();
            answer = r;
        });
    });
    ASSERT_TRUE(test::waitUntil([&] { return answer.has_value(); }));
    EXPECT_TRUE(onMain);
    EXPECT_FALSE(answer->error);
}

// ---- Hostile answers and redirects --------------------------------------------------------------

// A request that carries every kind of credential the application sends.
Request signedRequest(QUrl target, Method method, std::optional<CrossOriginRedirects> policy) {
    Request r{std::move(target), method};
    r.headers.set("Authorization", "Bearer secret");
    r.headers.set("Token", "digest");
    r.headers.set("Cookie", "session=1");
    r.headers.set("Accept", "application/json");
    if (method == Method::POST) r.setJSONBody({{"password", "hunter2"}});
    r.crossOriginRedirects = policy;
    return r;
}

TEST_F(HttpSessionTest, RedirectsToAnotherOriginAreRefusedOrFollowedWithoutCredentialsOrBody) {
    fake::FakeService otherPort;
    ASSERT_TRUE(otherPort.start());
    for (auto* s : {&service, &otherPort}) s->route("*", "/landing", Answer::json({{"landed", true}}));
    struct Target { const char* name; std::string base; fake::FakeService* server; };
    const Target targets[] = {
        {"another port", otherPort.baseURL(), &otherPort},
        {"another host name", "http://localhost:" + std::to_string(service.port()), &service},
    };
    for (int status : {301, 302, 307, 308}) {
        for (const auto& t : targets) {
            SCOPED_TRACE(std::to_string(status) + " to " + t.name);
            service.route("*", "/start", Answer::redirect(status, t.base + "/landing"));
            auto landings = [&] { return t.server->requestsTo("/landing"); };
            const auto before = landings().size();

            // By default nothing reaches the other origin.
            for (auto method : {Method::GET, Method::POST}) {
                auto refused = send(signedRequest(url("/start"), method, std::nullopt));
                EXPECT_EQ(failureCode(refused), URLError::httpTooManyRedirects);
                EXPECT_NE(failureText(refused).find("another origin"), std::string::npos) << failureText(refused);
            }
            ASSERT_EQ(landings().size(), before);

            // Allowed, it arrives with nothing that could be a credential.
            auto followed = send(signedRequest(url("/start"), Method::GET, CrossOriginRedirects::followWithoutCredentials));
            ASSERT_FALSE(followed.error) << failureText(followed);
            EXPECT_EQ(followed.response->url.path(), "/landing");
            ASSERT_EQ(landings().size(), before + 1);
            auto arrived = landings().back();
            EXPECT_EQ(arrived.header("Accept"), "application/json");
            for (auto name : {"Authorization", "Token", "Cookie"}) EXPECT_FALSE(arrived.header(name)) << name;

            // A log-in: 301 and 302 turn it into a GET without the body; 307 and 308 would have
            // to resend the body, so they are refused.
            auto post = send(signedRequest(url("/start"), Method::POST, CrossOriginRedirects::followWithoutCredentials));
            if (status == 307 || status == 308) {
                EXPECT_EQ(failureCode(post), URLError::httpTooManyRedirects);
                EXPECT_EQ(landings().size(), before + 1);
            } else {
                ASSERT_FALSE(post.error) << failureText(post);
                ASSERT_EQ(landings().size(), before + 2);
                EXPECT_EQ(landings().back().method, "GET");
                EXPECT_EQ(landings().back().body, "");
                EXPECT_FALSE(landings().back().header("Authorization"));
            }
        }
    }
}

TEST_F(HttpSessionTest, RedirectsWithinTheOriginKeepTheRequestUpToALimit) {
    service.route("*", "/landing", Answer::json({{"landed", true}}));
    service.route("*", "/keep", Answer::redirect(307, "/landing"));
    service.route("*", "/see-other", Answer::redirect(303, url("/landing").toString().toStdString()));
    service.route("*", "/loop", Answer::redirect(302, "/loop"));

    ASSERT_FALSE(send(signedRequest(url("/keep"), Method::POST, std::nullopt)).error);
    auto kept = service.requestsTo("/landing").back();
    EXPECT_EQ(kept.method, "POST");
    EXPECT_EQ(kept.json()->at("password"), "hunter2");
    EXPECT_EQ(kept.header("Authorization"), "Bearer secret");

    ASSERT_FALSE(send(signedRequest(url("/see-other"), Method::POST, std::nullopt)).error);
    EXPECT_EQ(service.requestsTo("/landing").back().method, "GET");
    EXPECT_EQ(service.requestsTo("/landing").back().body, "");

    auto loop = send(Request{url("/loop")});
    EXPECT_EQ(failureCode(loop), URLError::httpTooManyRedirects);
    EXPECT_EQ(failureText(loop), "too many HTTP redirects");
    EXPECT_EQ(service.requestsTo("/loop").size(), static_cast<std::size_t>(kMaximumRedirects + 1));
}

TEST_F(HttpSessionTest, HeaderFieldsThatWouldBreakTheHeadAreRefusedBeforeAnythingIsSent) {
    service.route("GET", "/.*", Answer::json({{"ok", true}}));
    struct Case { const char* name; std::string field; std::string value; };
    const std::vector<Case> cases = {
        {"CR LF and a smuggled request", "Authorization", "Bearer x\r\nContent-Length: 0\r\n\r\nGET /smuggled HTTP/1.1\r\nX-A: b"},
        {"LF alone", "Token", "digest\nX-Injected: 1"},
        {"CR alone", "Token", "digest\rX-Injected: 1"},
        {"NUL", "Token", std::string("dig\0est", 7)},
        {"line break in a name", "X-A\r\nX-Injected", "1"},
        {"a name that is no token", "X-A: b", "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Request r{url("/hello")};
        r.headers.set(c.field, c.value);
        auto refused = send(r);
        ASSERT_TRUE(refused.error);
        EXPECT_EQ(refused.error->domain, kSessionErrorDomain);
        EXPECT_EQ(refused.error->code, SessionError::invalidRequestHeader);
        EXPECT_EQ(refused.error->message.find_first_of(std::string("\r\n\0", 3)), std::string::npos);
        EXPECT_FALSE(refused.duration);
    }
    EXPECT_TRUE(service.requests().empty());
}

// A raw answer: the head of the request is read, `answer` goes out, the connection closes.
test::RawSocketServer answering(std::string answer) {
    return test::RawSocketServer([answer](test::RawSocketServer::Connection& c) {
        if (!c.readHead().empty()) c.send(answer);
    });
}

TEST_F(HttpSessionTest, BodiesOverTheirCapFailOnceAndDownloadsLeaveNoFile) {
    const std::string big(1 << 20, 'b');
    service.route("GET", "/big", Answer::plain(200, big));
    // An endless chunked body (64 MiB at most, then silence).
    test::RawSocketServer endless([](test::RawSocketServer::Connection& c) {
        if (c.readHead().empty()) return;
        c.send("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nTransfer-Encoding: chunked\r\n\r\n");
        const std::string chunk = "10000\r\n" + std::string(0x10000, 'e') + "\r\n";
        for (int i = 0; i < 1024 && c.send(chunk); ++i) {}
        c.pause(30s);
    });
    struct Case { const char* name; QUrl url; std::optional<std::int64_t> cap; };
    const Case cases[] = {
        {"stated length over the cap", url("/big"), 64 * 1024},
        {"endless body over the cap", toURL(endless.baseURL() + "/x"), 64 * 1024},
        {"endless body over the default cap", toURL(endless.baseURL() + "/x"), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Request r{c.url};
        r.maximumBodySize = c.cap;
        auto refused = send(r);
        EXPECT_EQ(failureCode(refused), URLError::dataLengthExceedsMaximum) << failureText(refused);
        EXPECT_FALSE(refused.data);
    }
    Request exact{url("/big")};
    exact.maximumBodySize = static_cast<std::int64_t>(big.size());
    auto fits = send(exact);
    ASSERT_FALSE(fits.error) << failureText(fits);
    EXPECT_EQ(fits.data->size(), big.size());

    // A body of no stated length within the cap arrives whole and in order.
    std::string varied(3 * (1 << 20) + 5, '\0');
    for (std::size_t i = 0; i < varied.size(); ++i) varied[i] = static_cast<char>(i * 7 % 251);
    test::RawSocketServer chunked([&varied](test::RawSocketServer::Connection& c) {
        if (c.readHead().empty()) return;
        std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nTransfer-Encoding: chunked\r\n\r\n";
        for (std::size_t at = 0; at < varied.size(); at += 40000) {
            auto piece = varied.substr(at, 40000);
            answer += QByteArray::number(static_cast<qulonglong>(piece.size()), 16).toStdString() + "\r\n" + piece + "\r\n";
        }
        c.send(answer + "0\r\n\r\n");
    });
    Request within{toURL(chunked.baseURL() + "/x")};
    within.maximumBodySize = 4 << 20;
    auto whole = send(within);
    ASSERT_FALSE(whole.error) << failureText(whole);
    EXPECT_TRUE(whole.data == varied);

    test::TempDir dir;
    for (auto source : {url("/big"), toURL(endless.baseURL() + "/x")}) {
        Request r{source};
        r.maximumBodySize = 64 * 1024;
        auto download = downloadAndWait(session, r, dir.path() / "Setup.pkg");
        ASSERT_TRUE(download.error);
        EXPECT_EQ(innermost(*download.error).code, URLError::dataLengthExceedsMaximum);
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "Setup.pkg"));
    }
}

TEST_F(HttpSessionTest, TrickledAnswersEndAtTheDeadlineAndOversizedHeadsAreRefused) {
    auto trickle = [](std::string start) {
        return test::RawSocketServer([start](test::RawSocketServer::Connection& c) {
            if (c.readHead().empty() || !c.send(start)) return;
            while (c.pause(20ms) && c.send("a")) {}
        });
    };
    auto trickledBody = trickle("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 100000\r\n\r\n");
    auto trickledHead = trickle("HTTP/1.1 200 OK\r\nX-Slow: ");
    for (auto* server : {&trickledBody, &trickledHead}) {
        Request r{toURL(server->baseURL() + "/x")};
        r.timeoutInterval = 5;
        r.deadline = 0.3;
        auto late = send(r);
        EXPECT_EQ(failureCode(late), URLError::timedOut);
        EXPECT_NE(failureText(late).find("deadline"), std::string::npos) << failureText(late);
        EXPECT_LT(late.duration.value_or(99), 3.0);
    }

    // Heads that never end: one endless field list, and very many small fields.
    auto endlessHead = [](std::string line) {
        return test::RawSocketServer([line](test::RawSocketServer::Connection& c) {
            if (c.readHead().empty() || !c.send("HTTP/1.1 200 OK\r\n")) return;
            std::string block;
            while (block.size() < 256 * 1024) block += line;
            for (int i = 0; i < 128 && c.send(block); ++i) {}  // 32 MiB at most, then silence
            c.pause(30s);
        });
    };
    auto longFields = endlessHead("X-Filler: " + std::string(1000, 'f') + "\r\n");
    auto manyFields = endlessHead("A: b\r\n");
    for (auto* server : {&longFields, &manyFields}) {
        auto refused = send(Request{toURL(server->baseURL() + "/x")});
        EXPECT_EQ(failureCode(refused), URLError::badServerResponse) << failureText(refused);
        EXPECT_NE(failureText(refused).find("head"), std::string::npos) << failureText(refused);
    }
}

TEST_F(HttpSessionTest, AnAnswerThatCannotBeReadFailsWhateverItsStatus) {
    // 32 MiB of zeros in a few kilobytes: a decompression bomb.
    QByteArray bomb = qCompress(QByteArray(32 << 20, '\0'), 9).mid(4);
    const std::string ok = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n";
    struct Case { const char* name; std::string answer; int code; };
    const std::vector<Case> cases = {
        {"deflate bomb", ok + "Content-Encoding: deflate\r\nContent-Length: " + std::to_string(bomb.size()) + "\r\n\r\n" + bomb.toStdString(), URLError::badServerResponse},
        {"gzip body", ok + "Content-Encoding: gzip\r\nContent-Length: 4\r\n\r\n\x1f\x8b\x08\x00", URLError::badServerResponse},
        {"bad chunk size", ok + "Transfer-Encoding: chunked\r\n\r\nzz\r\n{}\r\n0\r\n\r\n", URLError::badServerResponse},
        {"chunk longer than stated", ok + "Transfer-Encoding: chunked\r\n\r\n1\r\n{}\r\n0\r\n\r\n", URLError::badServerResponse},
        {"two different lengths", ok + "Content-Length: 2\r\nContent-Length: 4\r\n\r\n{}{}", URLError::badServerResponse},
        {"body cut short", ok + "Content-Length: 100\r\n\r\n{}", URLError::networkConnectionLost},
        {"not HTTP at all", "SSH-2.0-OpenSSH_9.2\r\n\r\n", URLError::badServerResponse},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto server = answering(c.answer);
        auto failed = send(Request{toURL(server.baseURL() + "/x")});
        EXPECT_EQ(failureCode(failed), c.code) << failureText(failed);
        EXPECT_FALSE(failed.data);
    }
}

class HttpsTest : public ::testing::Test {
protected:
    static QByteArray ok() { return "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 2\r\n\r\n{}"; }
    static QUrl at(const test::TlsTestServer& server) { return QUrl(QString("https://127.0.0.1:%1/x").arg(server.port())); }
};

TEST_F(HttpsTest, CertificateFailuresNameTheirCauseAndNothingIsSent) {
    const auto good = test::TestCertificate::make({"IP:127.0.0.1"});
    {
        test::TlsTestServer server(good, ok());
        Session session(SessionConfiguration{{good.certificatePem.toStdString()}});
        auto fine = sendAndWait(session, Request{at(server)});
        ASSERT_FALSE(fine.error) << failureText(fine);
    }
    struct Case { const char* name; test::TestCertificate served; bool trusted; const char* cause; };
    const std::vector<Case> cases = {
        {"self-signed, not trusted", good, false, "self-signed"},
        {"expired", test::TestCertificate::make({"IP:127.0.0.1"}, -30, -1), true, "expired"},
        {"not valid yet", test::TestCertificate::make({"IP:127.0.0.1"}, 2, 30), true, "not valid yet"},
        {"another host name", test::TestCertificate::make({"DNS:other.invalid"}), true, "another host name"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TlsTestServer server(c.served, ok());
        SessionConfiguration configuration;
        if (c.trusted) configuration.additionalTrustedCertificates.push_back(c.served.certificatePem.toStdString());
        Session session(configuration);
        auto refused = sendAndWait(session, Request{at(server)});
        EXPECT_EQ(failureCode(refused), URLError::secureConnectionFailed);
        EXPECT_NE(failureText(refused).find(c.cause), std::string::npos) << failureText(refused);
        EXPECT_EQ(server.requests(), 0);
    }
}

TEST_F(HttpsTest, ARedirectFromHttpsToHttpIsRefusedAndSaysSo) {
    const auto certificate = test::TestCertificate::make({"IP:127.0.0.1"});
    fake::FakeService plain;
    ASSERT_TRUE(plain.start());
    plain.route("*", "/landing", Answer::json({}));
    test::TlsTestServer server(certificate, QByteArray::fromStdString("HTTP/1.1 302 Found\r\nLocation: " + plain.baseURL() +
                                                                      "/landing\r\nContent-Length: 0\r\n\r\n"));
    Session session(SessionConfiguration{{certificate.certificatePem.toStdString()}});
    Request r{at(server)};
    r.crossOriginRedirects = CrossOriginRedirects::followWithoutCredentials;  // the scheme alone decides
    auto refused = sendAndWait(session, r);
    EXPECT_EQ(failureCode(refused), URLError::httpTooManyRedirects);
    EXPECT_NE(failureText(refused).find("from https to http"), std::string::npos) << failureText(refused);
    EXPECT_EQ(server.requests(), 1);
    EXPECT_TRUE(plain.requests().empty());
}

TEST(NetworkReachabilityTest, ListenerHearsTheCurrentStatusOnTheMainThread) {
    NetworkReachabilityManager manager;
    std::vector<NetworkReachabilityManager::Status> heard;
    bool onMain = true;
    manager.startListening([&](NetworkReachabilityManager::Status s) {
        onMain = onMain && onMainThread();
        heard.push_back(s);
    });
    ASSERT_TRUE(test::waitUntil([&] { return !heard.empty(); }));
    EXPECT_TRUE(onMain);
    EXPECT_EQ(heard.front(), manager.status());
    manager.stopListening();
    NetworkReachabilityManager stopped;
    stopped.startListening([&](NetworkReachabilityManager::Status s) { heard.push_back(s); });
    stopped.stopListening();
    test::drain();
    EXPECT_EQ(heard.size(), 1u);
}

TEST(HttpResponseTest, SuggestedFilenameIsABareName) {
    struct Case { const char* disposition; const char* url; const char* expected; };
    const Case cases[] = {
        {"attachment; filename=\"MorvexVPN.pkg\"", "http://h/x/y", "MorvexVPN.pkg"},
        {"attachment; filename=../../etc/passwd", "http://h/x", "passwd"},
        {"attachment; filename*=UTF-8''Setup%20v2.pkg", "http://h/x", "Setup v2.pkg"},
        {"attachment; filename=\"..\"", "http://h/x", ""},
        {nullptr, "http://h/dir/Setup.pkg", "Setup.pkg"},
        {nullptr, "http://h/", ""},
    };
    for (const auto& c : cases) {
        HTTPResponse r;
        r.url = QUrl(c.url);
        if (c.disposition) r.headers.set("Content-Disposition", c.disposition);
        EXPECT_EQ(r.suggestedFilename(), c.expected) << c.url;
    }
}

}  // namespace
}  // namespace morvex::http
