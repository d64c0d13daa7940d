// The sign-in window in a process of its own: what the application takes from that process, and
// what it does when the process misbehaves, dies, or outlives its use. Stand-in window programs
// (small shell scripts) play the process's side of the pipe; the real one is driven by the login
// page's web sign-in tests.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <csignal>
#include <cstdio>
#include <optional>

#include "appkit/SignInWindowChannel.h"
#include "appkit/WebAuthenticationSession.h"
#include "support/SignInWindowStandIn.h"
#include "support/TestSupport.h"

namespace morvex::appkit {
namespace {

using test::waitUntil;
namespace Code = WebAuthenticationSessionErrorCode;

const QUrl kStart("https://signin.example/auth?x=1");
constexpr const char* kParentRole = "MORVEX_TEST_SIGN_IN_APPLICATION";

// What every stand-in below must be given on its input.
const std::string kRequest = "start https://signin.example/auth?x=1 zarnapp 1 Sign%20in 600 560 % % % %";

// A stand-in window that checks its request first.
struct StandIn : test::SignInWindowStandIn {
    explicit StandIn(const std::string& body) : SignInWindowStandIn(body, kRequest) {}
};
using test::processEnded;

struct Outcome {
    bool called = false;
    int calls = 0;
    std::optional<QUrl> url;
    std::optional<Error> error;
};

std::unique_ptr<WebAuthenticationSession> makeSession(Outcome& outcome, std::vector<QUrl>& opened) {
    auto session = std::make_unique<WebAuthenticationSession>(kStart, "zarnapp", [&outcome](std::optional<QUrl> url, std::optional<Error> error) {
        outcome.called = true;
        ++outcome.calls;
        outcome.url = std::move(url);
        outcome.error = std::move(error);
    });
    session->prefersEphemeralWebBrowserSession = true;
    session->windowTitle = "Sign in";
    session->openOutside = [&opened](const QUrl& url) { opened.push_back(url); };
    return session;
}

TEST(SignInWindowProcessTest, TheApplicationTakesOnlyAWellFormedAnswerAndEveryOtherEndingIsAFailure) {
    struct Case {
        const char* name;
        std::string body;
        std::optional<QUrl> url;  // or else the error code
        int code = 0;
        std::vector<QUrl> opened;
    };
    const QUrl callback("zarnapp://callback?code=c0de&state=s%2F1");
    const Case cases[] = {
        {"the callback, after the page's title", "printf 'title Sign%%20in\\ncallback zarnapp://callback?code=c0de&state=s%%252F1\\n'; cat >/dev/null", callback},
        {"an https link for the browser, then the callback",
         "printf 'open https://help.example/terms\\ncallback zarnapp://callback?code=c0de&state=s%%252F1\\n'; cat >/dev/null", callback, 0,
         {QUrl("https://help.example/terms")}},
        {"the user closed the window", "printf 'failed 1 closed\\n'", std::nullopt, Code::canceledLogin},
        {"the page was not secure", "printf 'failed 3 %%\\n'", std::nullopt, Code::insecurePage},
        {"a crash", "kill -SEGV $$", std::nullopt, Code::windowFailed},
        {"an end without an answer", "exit 0", std::nullopt, Code::windowFailed},
        {"a half line, then the end", "printf 'callback zarnapp://callback?code=c0de'", std::nullopt, Code::windowFailed},
        {"garbage", "printf 'HTTP/1.1 200 OK\\r\\n\\r\\n'; cat >/dev/null", std::nullopt, Code::windowFailed},
        {"a line that never ends", "exec tr '\\000' a </dev/zero", std::nullopt, Code::windowFailed},
        {"a callback of another scheme", "printf 'callback https://evil.example/?code=1\\n'; cat >/dev/null", std::nullopt, Code::windowFailed},
        {"a failure the window cannot have", "printf 'failed 99 %%\\n'; cat >/dev/null", std::nullopt, Code::windowFailed},
        {"a file for the browser", "printf 'open file:///etc/passwd\\n'; cat >/dev/null", std::nullopt, Code::windowFailed},
        {"a title that is not UTF-8", "printf 'title %%ff\\n'; cat >/dev/null", std::nullopt, Code::windowFailed},
        {"a callback with a field too many", "printf 'callback zarnapp://a zarnapp://b\\n'; cat >/dev/null", std::nullopt, Code::windowFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StandIn standIn(c.body);
        Outcome outcome;
        std::vector<QUrl> opened;
        auto session = makeSession(outcome, opened);
        ASSERT_TRUE(session->start());
        const qint64 pid = session->windowProcessId();
        ASSERT_NE(pid, 0);
        ASSERT_TRUE(waitUntil([&] { return outcome.called; }));
        EXPECT_FALSE(session->isRunning());
        if (c.url) {
            EXPECT_EQ(outcome.url, c.url);
            EXPECT_FALSE(outcome.error.has_value()) << outcome.error->message;
        } else {
            EXPECT_FALSE(outcome.url.has_value());
            ASSERT_TRUE(outcome.error.has_value());
            EXPECT_EQ(outcome.error->domain, kWebAuthenticationSessionErrorDomain);
            EXPECT_EQ(outcome.error->code, c.code) << outcome.error->message;
        }
        EXPECT_EQ(opened, c.opened);
        // Every stand-in that waits for more is let go or stopped once the session has its answer.
        EXPECT_TRUE(waitUntil([&] { return processEnded(pid); })) << "the window's process outlived its answer";
        test::drain();
        EXPECT_EQ(outcome.calls, 1);
    }
}

TEST(SignInWindowProcessTest, WithoutItsProgramTheSignInFails) {
    ::setenv("MORVEX_SIGN_IN_PROGRAM", "/nonexistent/MorvexVPNSignIn", 1);
    Outcome outcome;
    std::vector<QUrl> opened;
    auto session = makeSession(outcome, opened);
    ASSERT_TRUE(session->start());
    ASSERT_TRUE(waitUntil([&] { return outcome.called; }));
    ::unsetenv("MORVEX_SIGN_IN_PROGRAM");
    ASSERT_TRUE(outcome.error.has_value());
    EXPECT_EQ(outcome.error->code, Code::windowFailed);
}

TEST(SignInWindowProcessTest, ACancelOrTheSessionsEndStopsAWindowThatWillNotEnd) {
    // A window that ignores the end of its input.
    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "cancelled" : "session destroyed");
        StandIn standIn("printf 'title ready\\n'; trap '' TERM; exec sleep 100000");
        Outcome outcome;
        std::vector<QUrl> opened;
        auto session = makeSession(outcome, opened);
        ASSERT_TRUE(session->start());
        const qint64 pid = session->windowProcessId();
        ASSERT_TRUE(waitUntil([&] { return session->pageTitle() == "ready"; }));
        if (cancel) {
            session->cancel();
            ASSERT_TRUE(outcome.called);
            ASSERT_TRUE(outcome.error.has_value());
            EXPECT_EQ(outcome.error->code, Code::canceledLogin);
        } else {
            session.reset();
            EXPECT_FALSE(outcome.called) << "an owner that goes is not told";
        }
        EXPECT_TRUE(waitUntil([&] { return processEnded(pid); }));
    }
}

// The application's side when this program is started as one (see below): a session on a window
// that never ends; prints the window's process id, then waits to be killed.
TEST(SignInWindowProcessTest, StandInApplication) {
    if (!std::getenv(kParentRole)) GTEST_SKIP() << "run by WhenTheApplicationDiesItsWindowDiesToo";
    StandIn standIn("printf 'title %s\\n' $$; trap '' TERM HUP; exec sleep 100000");
    Outcome outcome;
    std::vector<QUrl> opened;
    auto session = makeSession(outcome, opened);
    ASSERT_TRUE(session->start());
    ASSERT_TRUE(waitUntil([&] { return !session->pageTitle().isEmpty(); }));
    std::printf("window %s\n", qPrintable(session->pageTitle()));
    std::fflush(stdout);
    (void)waitUntil([] { return false; }, std::chrono::milliseconds(120000));
}

TEST(SignInWindowProcessTest, WhenTheApplicationDiesItsWindowDiesToo) {
    QProcess application;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(kParentRole, "1");
    application.setProcessEnvironment(environment);
    application.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=SignInWindowProcessTest.StandInApplication"});
    qint64 window = 0;
    ASSERT_TRUE(waitUntil([&] {
        while (application.canReadLine()) {
            const QByteArray line = application.readLine().trimmed();
            if (line.startsWith("window ")) window = line.mid(7).toLongLong();
        }
        return window != 0 || application.state() == QProcess::NotRunning;
    }));
    ASSERT_NE(window, 0) << application.readAllStandardError().toStdString();
    ASSERT_FALSE(processEnded(window));
    // Killed: nothing of the application runs to stop its window.
    ::kill(static_cast<pid_t>(application.processId()), SIGKILL);
    EXPECT_TRUE(waitUntil([&] { return processEnded(window); })) << "the window outlived the application";
    application.waitForFinished();
    if (!processEnded(window)) ::kill(static_cast<pid_t>(window), SIGKILL);
}

TEST(SignInWindowChannelTest, LinesComeThroughInAnyPiecesAndBadInputStopsTheReader) {
    using namespace signin;
    const std::vector<Verb> verbs(std::begin(kApplicationVerbs), std::end(kApplicationVerbs));
    const QByteArray good = encode(kTitle, {"Anmelden – 100% sicher\t"}) + encode(kFailed, {"1", ""}) +
                            encode(kCallback, {"zarnapp://cb?code=a b&state=%2F"});
    // Every split of the good input reads the same three messages.
    for (qsizetype at = 0; at <= good.size(); ++at) {
        Reader reader(verbs);
        ASSERT_TRUE(reader.feed(QByteArrayView(good).first(at)));
        ASSERT_TRUE(reader.feed(QByteArrayView(good).sliced(at)));
        const auto messages = reader.take();
        ASSERT_EQ(messages.size(), 3u) << "split at " << at;
        EXPECT_EQ(messages[0].fields, QStringList{"Anmelden – 100% sicher\t"});
        EXPECT_EQ(messages[1].fields, (QStringList{"1", ""}));
        EXPECT_EQ(messages[2].fields, QStringList{"zarnapp://cb?code=a b&state=%2F"});
        EXPECT_FALSE(reader.hasPartialLine());
    }

    struct Bad {
        const char* name;
        QByteArray input;
    };
    const Bad bad[] = {
        {"unknown verb", "start x\n"},
        {"too few fields", "failed 1\n"},
        {"too many fields", "title a b\n"},
        {"empty field", "failed 1 \n"},
        {"bad escape", "title a%zz\n"},
        {"cut escape", "title a%2\n"},
        {"control byte", "title a\rb\n"},
        {"high byte", "title \xc3\xa9\n"},
        {"not UTF-8 inside an escape", "title %c3%28\n"},
        {"empty line", "\n"},
        {"a line one byte too long", "title " + QByteArray(kMaxLine - 5, 'a') + "\n"},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.name);
        Reader reader(verbs);
        EXPECT_FALSE(reader.feed(encode(kTitle, {"before"}) + b.input + encode(kTitle, {"after"})));
        EXPECT_TRUE(reader.failed());
        EXPECT_FALSE(reader.error().empty());
        const auto messages = reader.take();
        ASSERT_EQ(messages.size(), 1u) << "what came before stays, nothing after is read";
        EXPECT_EQ(messages[0].fields, QStringList{"before"});
    }
    // The longest line that is allowed.
    Reader longest(verbs);
    EXPECT_TRUE(longest.feed("title " + QByteArray(kMaxLine - 6, 'a') + "\n")) << longest.error();
    EXPECT_EQ(longest.take().size(), 1u);
}

}  // namespace
}  // namespace morvex::appkit
