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
#include "support/TestSupport.h"

namespace morvex::http {
namespace {

using fake::Answer;
using namespace std::chrono_literals;

bool onMainThread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

// The innermost error of a chain.
const Error& innermost(const Error& e) { return e.underlying ? innermost(*e.underlying) : e; }

class HttpSessionTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(service.start()); }

    QUrl url(const std::string& path) const { return QUrl(QString::fromStdString(service.baseURL() + path)); }

    // Sends and waits; fails the test unless the completion runs exactly once, on the main thread.
    DataResponse send(Request request, std::shared_ptr<RequestInterceptor> interceptor = nullptr,
                      bool validate = true) {
        std::vector<DataResponse> answers;
        bool allOnMain = true;
        session.request(std::move(request), std::move(interceptor), validate, [&](const DataResponse& r) {
            allOnMain = allOnMain && onMainThread();
            answers.push_back(r);
        });
        EXPECT_TRUE(test::waitUntil([&] { return !answers.empty(); }));
        test::spinFor(30ms);
        EXPECT_EQ(answers.size(), 1u);
        EXPECT_TRUE(allOnMain);
        return answers.empty() ? DataResponse{} : answers.front();
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

    service.route("GET", "/slow", Answer::delayed(3000ms, Answer::json({})));
    std::optional<DataResponse> answer;
    int calls = 0;
    auto task = session.request(Request{url("/slow")}, nullptr, true, [&](const DataResponse& r) {
        ++calls;
        answer = r;
    });
    ASSERT_TRUE(test::waitUntil([&] { return !service.requestsTo("/slow").empty(); }));
    task->cancel();
    ASSERT_TRUE(test::waitUntil([&] { return answer.has_value(); }, 2000ms));
    test::spinFor(30ms);
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
    test::spinFor(std::chrono::milliseconds(30));
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
