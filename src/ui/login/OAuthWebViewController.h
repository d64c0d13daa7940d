#pragma once
// An OAuth authorization page in a web view of the controller's own, for owners that run a sign-in
// inside one of their windows. The owner sets the page to open (`startURL`), the redirect to watch
// for (`interceptURLString`) and two callbacks; the controller never closes itself. A navigation
// whose scheme, host and path match the intercept URL goes to `onIntercept` (true stops it); the
// user's Cancel, or the window's close button, goes to `onWillCancel`.
//
// Main thread only.
#include <QPointer>
#include <QUrl>
#include <functional>
#include <optional>

#include "appkit/ViewController.h"
#include "appkit/WebView.h"
#include "appkit/Window.h"

class QPushButton;

namespace morvex {

class ActivityIndicator;

class OAuthWebViewController : public appkit::ViewController, public appkit::WindowDelegate {
    Q_OBJECT
public:
    static constexpr QSize kViewSize{600, 500};
    static constexpr int kLoadTimeoutSeconds = 60;

    explicit OAuthWebViewController(QObject* parent = nullptr);

    bool willBecomeSheet = false;
    const std::optional<QUrl>& startURL() const { return startURL_; }
    // Loads the page at once when the view is loaded and no page was set before.
    void setStartURL(std::optional<QUrl> url);
    const std::optional<QString>& interceptURLString() const { return interceptURLString_; }
    // Text that is not a URL intercepts nothing.
    void setInterceptURLString(std::optional<QString> text);
    const std::optional<QUrl>& interceptComponents() const { return interceptComponents_; }

    std::function<bool(const QUrl& url)> onIntercept;
    std::function<void()> onWillCancel;

    appkit::WebView* webView() const { return webView_; }
    bool isLoadingIndicatorShown() const { return loadingView_ != nullptr; }
    // The page's opacity: 0 until a page finished or an error is shown.
    double webViewAlpha() const { return alpha_; }

    void loadView() override;
    void viewWillAppear() override;
    void viewDidAppear() override;

    void cancel();
    bool windowShouldClose(appkit::Window& window) override;
    void loadURL(const QUrl& url);

    // The web view's delegate steps (the view calls them; tests may too).
    bool decidePolicyForNavigation(const QUrl& url);
    void didFinishNavigation(const QString& pageTitle);
    void didFailNavigation(const QString& message);
    void showErrorMessage(const QString& message);

private:
    void showLoadingIndicator();
    void hideLoadingIndicator();
    void setWebViewAlpha(double alpha);

    std::optional<QUrl> startURL_;
    std::optional<QString> interceptURLString_;
    std::optional<QUrl> interceptComponents_;
    QPointer<appkit::WebView> webView_;
    QPointer<QWidget> loadingView_;
    QPointer<ActivityIndicator> progressIndicator_;
    QPointer<QPushButton> cancelButton_;
    bool visited_ = false;
    double alpha_ = 0.0;
};

}  // namespace morvex
