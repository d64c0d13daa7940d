// The web view makes its engine only when it first shows a page, from the module in the bundle.
#include <gtest/gtest.h>
#include <unistd.h>

#include "appkit/WebView.h"
#include "support/TestSupport.h"

namespace morvex::appkit {
namespace {

TEST(WebViewTest, TheEngineIsLoadedOnlyWhenAViewFirstShowsAPage) {
    // Chromium refuses to run its sandbox as root (CI containers).
    if (::geteuid() == 0) ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    WebView view(WebView::Configuration{.nonPersistent = true}, nullptr);
    view.resize(400, 300);
    EXPECT_FALSE(WebView::isEngineModuleLoaded()) << "making a view loads nothing";
    EXPECT_FALSE(view.hasEngine());

    std::optional<bool> finished;
    std::vector<QUrl> asked;
    view.didFinishNavigation = [&](bool ok) { finished = ok; };
    view.decidePolicyForNavigation = [&](const QUrl& url) {
        asked.push_back(url);
        return true;
    };
    view.loadHTMLString("<html><head><title>hello</title></head><body>hello</body></html>", QUrl("https://morvex.invalid/"));
    ASSERT_TRUE(view.hasEngine()) << "the module at " << WebView::enginePath() << " must load";
    EXPECT_TRUE(WebView::isEngineModuleLoaded());
    ASSERT_TRUE(test::waitUntil([&] { return finished.has_value(); }, std::chrono::milliseconds(30000)));
    EXPECT_TRUE(*finished);
    EXPECT_EQ(view.title(), "hello");
}

}  // namespace
}  // namespace morvex::appkit
