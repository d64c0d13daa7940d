// What the sign-in window lets a page do: stay on its own origin, end with the callback, send a
// clicked https link to the browser, and nothing else.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QUrl>
#include <optional>

#include "appkit/WebAuthenticationSession.h"

namespace morvex::appkit {
namespace {

using Navigation = WebAuthenticationSession::Navigation;

TEST(WebAuthenticationSessionPolicyTest, OnlyTheSignInPagesOwnOriginOpensInTheWindow) {
    struct Case {
        const char* start;
        const char* url;
        bool linkClicked;
        Navigation expected;
    };
    const Case cases[] = {
        // The page's own origin, by navigation, click or server redirect.
        {"https://signin.example/realms/x/auth", "https://signin.example/realms/x/authenticate", false, Navigation::allow},
        {"https://signin.example/auth", "https://SIGNIN.example:443/other", true, Navigation::allow},
        {"http://127.0.0.1:8080/auth", "http://127.0.0.1:8080/authenticate", false, Navigation::allow},
        // The callback, whatever the case of its scheme.
        {"https://signin.example/auth", "zarnapp://apps.example/callback?code=1", false, Navigation::catchCallback},
        {"https://signin.example/auth", "ZARNAPP://apps.example/callback", true, Navigation::catchCallback},
        // Another origin: host, port, scheme or a user in the address.
        {"https://signin.example/auth", "https://attacker.example/", false, Navigation::refuse},
        {"https://signin.example/auth", "https://signin.example:8443/auth", false, Navigation::refuse},
        {"https://signin.example/auth", "http://signin.example/auth", false, Navigation::refuse},
        {"https://signin.example/auth", "https://user@signin.example/auth", false, Navigation::refuse},
        {"http://127.0.0.1:8080/auth", "http://localhost:8080/auth", false, Navigation::refuse},
        {"http://127.0.0.1:8080/auth", "http://127.0.0.1:8081/auth", false, Navigation::refuse},
        // A clicked https link elsewhere goes to the browser; nothing else leaves the window.
        {"https://signin.example/auth", "https://help.example/terms", true, Navigation::openOutside},
        {"https://signin.example/auth", "http://help.example/terms", true, Navigation::refuse},
        {"https://signin.example/auth", "ssh://git@attacker.example", true, Navigation::refuse},
        {"https://signin.example/auth", "x-morvex-evil:run", true, Navigation::refuse},
        {"https://signin.example/auth", "file:///etc/passwd", true, Navigation::refuse},
        {"https://signin.example/auth", "javascript:alert(1)", true, Navigation::refuse},
        {"https://signin.example/auth", "data:text/html,<b>x</b>", false, Navigation::refuse},
        // A start page that is not trusted keeps nothing, not even its own origin.
        {"http://signin.example/auth", "http://signin.example/authenticate", false, Navigation::refuse},
        {"http://10.0.0.1/auth", "http://10.0.0.1/authenticate", false, Navigation::refuse},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.start) + " → " + c.url + (c.linkClicked ? " (click)" : ""));
        EXPECT_EQ(WebAuthenticationSession::decide(QUrl(c.start), "zarnapp", QUrl(c.url), c.linkClicked), c.expected);
    }
}

TEST(WebAuthenticationSessionPolicyTest, PlainHttpIsTrustedOnlyOnALoopbackHost) {
    struct Case {
        const char* url;
        bool trusted;
    };
    for (const auto& c : {Case{"https://signin.example/", true}, Case{"http://127.0.0.1:9/", true}, Case{"http://127.8.9.1/", true},
                          Case{"http://[::1]:9/", true}, Case{"http://[::ffff:127.0.0.1]/", true},
                          Case{"http://[::ffff:10.0.0.1]/", false}, Case{"http://[::2]/", false}, Case{"http://localhost/", true}, Case{"http://signin.example/", false},
                          Case{"http://192.168.1.2/", false}, Case{"http://localhost.attacker.example/", false},
                          Case{"ftp://127.0.0.1/", false}, Case{"https:///nohost", false}, Case{"", false}}) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(WebAuthenticationSession::isTrustedOrigin(QUrl(c.url)), c.trusted);
    }
}

TEST(WebAuthenticationSessionPolicyTest, APageNotOnASecureConnectionIsNeverOpened) {
    // Wherever the window would run: no page is loaded, no window process is started.
    for (const bool here : {true, false}) {
        SCOPED_TRACE(here ? "window in this process" : "window in a process of its own");
        std::optional<Error> failure;
        bool called = false;
        WebAuthenticationSession session(QUrl("http://signin.example/auth"), "zarnapp", [&](std::optional<QUrl> url, std::optional<Error> error) {
            called = true;
            EXPECT_FALSE(url.has_value());
            failure = error;
        });
        session.runsInThisProcess = here;
        ASSERT_TRUE(session.start());
        if (here) {
            ASSERT_NE(session.webView(), nullptr);
            EXPECT_FALSE(session.webView()->hasEngine()) << "nothing is loaded";
        }
        EXPECT_EQ(session.windowProcessId(), 0) << "no window process";
        QCoreApplication::processEvents();
        ASSERT_TRUE(called);
        ASSERT_TRUE(failure.has_value());
        EXPECT_EQ(failure->domain, kWebAuthenticationSessionErrorDomain);
        EXPECT_EQ(failure->code, WebAuthenticationSessionErrorCode::insecurePage);
        EXPECT_FALSE(session.isRunning());
    }
}

}  // namespace
}  // namespace morvex::appkit
