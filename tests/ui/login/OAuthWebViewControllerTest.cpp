// The OAuth web view: which navigations it hands to its owner, the out-of-band title, and its
// window that never closes by itself.
#include <gtest/gtest.h>
#include <unistd.h>

#include "appkit/Window.h"
#include "support/TestSupport.h"
#include "ui/login/OAuthWebViewController.h"

namespace morvex {
namespace {

using OAuthWebViewControllerTest = test::TempConfigTest;

TEST_F(OAuthWebViewControllerTest, OnlyTheInterceptURLGoesToTheOwner) {
    struct Case {
        const char* intercept;
        const char* navigation;
        bool handed;
    };
    const std::vector<Case> cases = {
        {"zarnapp://apps.example/callback", "zarnapp://apps.example/callback?code=1", true},
        {"zarnapp://apps.example", "zarnapp://apps.example/?code=1", true},   // empty path and "/"
        {"zarnapp://apps.example/", "zarnapp://apps.example?code=1", true},
        {"zarnapp://apps.example/callback", "zarnapp://apps.example/other?code=1", false},
        {"zarnapp://apps.example/callback", "zarnapp://elsewhere.example/callback", false},
        {"zarnapp://apps.example/callback", "https://apps.example/callback", false},
        {"not a url", "https://apps.example/callback", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.intercept) + " / " + c.navigation);
        OAuthWebViewController controller;
        controller.setInterceptURLString(QString(c.intercept));
        std::vector<QUrl> handed;
        controller.onIntercept = [&](const QUrl& url) {
            handed.push_back(url);
            return true;
        };
        const bool allowed = controller.decidePolicyForNavigation(QUrl(c.navigation));
        EXPECT_EQ(handed.size(), c.handed ? 1u : 0u);
        EXPECT_EQ(allowed, !c.handed);
    }

    // An owner that answers false lets the page go on.
    OAuthWebViewController controller;
    controller.setInterceptURLString(QString("zarnapp://apps.example/callback"));
    controller.onIntercept = [](const QUrl&) { return false; };
    EXPECT_TRUE(controller.decidePolicyForNavigation(QUrl("zarnapp://apps.example/callback")));
}

TEST_F(OAuthWebViewControllerTest, AnOutOfBandSuccessTitleBecomesALocalhostURL) {
    OAuthWebViewController controller;
    controller.setInterceptURLString(QString("urn:ietf:wg:oauth:2.0:oob"));
    std::vector<QUrl> handed;
    controller.onIntercept = [&](const QUrl& url) {
        handed.push_back(url);
        return true;
    };
    controller.view();
    controller.didFinishNavigation("Success code=abc&state=s");
    ASSERT_EQ(handed.size(), 1u);
    EXPECT_EQ(handed[0].toString().toStdString(), "http://localhost/?code=abc&state=s");
    EXPECT_TRUE(controller.isLoadingIndicatorShown()) << "the page stays hidden for the owner to close";

    controller.didFinishNavigation("Some other page");
    EXPECT_EQ(handed.size(), 1u);
    EXPECT_FALSE(controller.isLoadingIndicatorShown());
    EXPECT_EQ(controller.webViewAlpha(), 1.0);
}

TEST_F(OAuthWebViewControllerTest, TheCloseButtonOnlyAsksTheOwner) {
    // The view shows a page when it appears; Chromium refuses its sandbox as root (CI containers).
    if (::geteuid() == 0) ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    appkit::Application app;
    auto* controller = new OAuthWebViewController;
    int cancels = 0;
    controller->onWillCancel = [&] { ++cancels; };
    appkit::Window window(OAuthWebViewController::kViewSize);
    window.setContentViewController(controller);
    window.show();
    ASSERT_TRUE(test::waitUntil([&] { return window.delegate() == controller; }));
    window.performClose();
    EXPECT_EQ(cancels, 1);
    EXPECT_TRUE(window.isVisible());
    // Without a callback the window stays open all the same.
    controller->onWillCancel = nullptr;
    window.performClose();
    EXPECT_TRUE(window.isVisible());
}

}  // namespace
}  // namespace morvex
