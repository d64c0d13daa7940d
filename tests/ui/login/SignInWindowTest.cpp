// The sign-in window on the real web engine, against a hostile sign-in page served by the fake
// service: the page tries to leave for another origin and to hand custom schemes to the desktop.
#include <QDesktopServices>
#include <QTest>
#include <gtest/gtest.h>
#include <unistd.h>

#include "FakeService.h"
#include "appkit/WebAuthenticationSession.h"
#include "appkit/WebView.h"
#include "foundation/Log.h"
#include "support/TestSupport.h"

namespace morvex {
namespace {

using test::waitUntil;

constexpr auto kWebWait = std::chrono::milliseconds(30000);

// Takes whatever the desktop would have been asked to open for a scheme.
class DesktopRecorder : public QObject {
    Q_OBJECT
public:
    std::vector<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.push_back(url); }
};

class SignInWindowTest : public ::testing::Test {
protected:
    fake::FakeService service;
    DesktopRecorder desktop;
    static constexpr const char* kSchemes[] = {"ssh", "x-morvex-evil", "https", "http"};

    void SetUp() override {
        // Chromium refuses to run its sandbox as root (CI containers).
        if (::geteuid() == 0) ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
        ASSERT_TRUE(service.start());
        for (const char* scheme : kSchemes) QDesktopServices::setUrlHandler(scheme, &desktop, "open");
    }
    void TearDown() override {
        for (const char* scheme : kSchemes) QDesktopServices::unsetUrlHandler(scheme);
        test::flushDeferredDeletes();
    }
};

TEST_F(SignInWindowTest, AHostilePageCannotLeaveItsOriginNorHandACustomSchemeToTheDesktop) {
    const std::string other = "http://localhost:" + std::to_string(service.port());
    service.route("GET", "/hostile", [other](const fake::RecordedRequest&) {
        fake::Answer a;
        a.contentType = "text/html; charset=utf-8";
        a.body = "<!DOCTYPE html><html><head><title>Hostile</title></head><body>"
                 "<a id='ssh' href='ssh://git@attacker.example/'>ssh</a>"
                 "<a id='custom' href='x-morvex-evil:run'>custom</a>"
                 "<a id='plain' href='http://attacker.example/'>plain</a>"
                 "<a id='https' href='https://attacker.example/terms'>terms</a>"
                 "<a id='sentinel' href='" + other + "/sentinel'>sentinel</a>"
                 "</body></html>";
        return a;
    });
    service.route("GET", "/redirect-away", fake::Answer::redirect(302, other + "/elsewhere"));
    const QUrl start(QString::fromStdString(service.baseURL() + "/hostile"));

    std::vector<QUrl> outside;
    bool ended = false;
    appkit::WebAuthenticationSession session(start, "zarnapp", [&](std::optional<QUrl>, std::optional<Error>) { ended = true; });
    session.openOutside = [&](const QUrl& url) { outside.push_back(url); };
    session.prefersEphemeralWebBrowserSession = true;
    // The window as its own process runs it (the test clicks into it with the mouse).
    session.runsInThisProcess = true;
    ASSERT_TRUE(session.start());
    appkit::WebView* view = session.webView();
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(waitUntil([&] { return view->title() == "Hostile"; }, kWebWait)) << "the page did not load";

    log::Capture console;
    auto refusals = [&] {
        std::size_t n = 0;
        for (const auto& line : console.lines()) n += line.find("refused a navigation to") != std::string::npos;
        return n;
    };
    auto click = [&](const char* id) { view->runJavaScript(QString("document.getElementById('%1').click();").arg(id)); };
    // A click with the mouse, as the user's own: the engine hands unknown schemes to the desktop
    // only on a user's gesture, which a script's click is not.
    auto clickWithTheMouse = [&](const char* id) {
        QString rect;
        view->runJavaScript(QString("var r = document.getElementById('%1').getBoundingClientRect();"
                                    "Math.round(r.left + r.width / 2) + ',' + Math.round(r.top + r.height / 2);")
                                .arg(id),
                            [&](const QString& result) { rect = result; });
        ASSERT_TRUE(waitUntil([&] { return !rect.isEmpty(); }, kWebWait));
        const QStringList xy = rect.split(',');
        ASSERT_EQ(xy.size(), 2);
        // The engine's drawing surface (a Quick widget inside the engine's view) takes the input.
        QWidget* surface = nullptr;
        for (QWidget* w : view->findChildren<QWidget*>())
            if (QByteArray(w->metaObject()->className()) == "QQuickWidget") surface = w;
        ASSERT_NE(surface, nullptr);
        QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(xy[0].toInt(), xy[1].toInt()));
    };

    // Custom schemes, then a plain-http link elsewhere; the sentinel's refusal comes after theirs.
    session.window()->show();
    clickWithTheMouse("ssh");
    clickWithTheMouse("custom");
    click("ssh");
    click("custom");
    click("plain");
    click("sentinel");
    ASSERT_TRUE(waitUntil([&] { return console.containsText("refused a navigation to http://localhost"); }, kWebWait));
    EXPECT_TRUE(desktop.opened.empty()) << "the desktop was handed " << desktop.opened.front().toString().toStdString();
    EXPECT_TRUE(outside.empty()) << "only https links go to the browser";
    EXPECT_EQ(view->url(), start) << "the window stayed on the page";

    // An https link elsewhere goes to the browser, not into the window (clicked with the mouse: this
    // also shows that the mouse clicks above did reach the page).
    clickWithTheMouse("https");
    ASSERT_TRUE(waitUntil([&] { return !outside.empty(); }, kWebWait));
    EXPECT_EQ(outside, std::vector<QUrl>{QUrl("https://attacker.example/terms")});

    // A script's navigation and a server's redirect to another origin are refused before any request.
    const std::size_t before = refusals();
    view->runJavaScript(QString::fromStdString("location.href = '" + other + "/elsewhere';"));
    ASSERT_TRUE(waitUntil([&] { return refusals() > before; }, kWebWait));
    view->runJavaScript(QString::fromStdString("location.href = '" + service.baseURL() + "/redirect-away';"));
    ASSERT_TRUE(waitUntil([&] { return !service.requestsTo("/redirect-away").empty() && refusals() > before + 1; }, kWebWait));
    EXPECT_TRUE(service.requestsTo("/elsewhere").empty());
    EXPECT_TRUE(service.requestsTo("/sentinel").empty());

    EXPECT_TRUE(desktop.opened.empty());
    EXPECT_FALSE(ended) << "nothing the page did ended the sign-in";
    EXPECT_TRUE(session.isRunning());
    session.cancel();
    EXPECT_TRUE(ended);
}

}  // namespace
}  // namespace morvex

#include "SignInWindowTest.moc"
