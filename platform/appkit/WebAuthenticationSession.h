#pragma once
// A sign-in page in a window of the application's own, over the window it is presented from. The
// session opens the URL, watches every navigation of the page (links, forms, server redirects)
// and catches the first one to the callback scheme itself: the page never hands it to a browser
// or to the desktop. The completion then gets that URL. Closing the window (or `cancel`) instead
// completes with the error `canceledLogin`.
//
// The window and its web view are made by `start` and released when the session ends, so no page
// outlives its sign-in. An ephemeral session keeps no cookies, cache or storage, and shares none
// with any browser or with the application's other web views.
//
// Threads: main thread. The completion runs once at most; never after the session is destroyed.
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>
#include <string_view>

#include "appkit/WebView.h"
#include "foundation/Error.h"

class QWidget;

namespace morvex::appkit {

inline constexpr std::string_view kWebAuthenticationSessionErrorDomain = "WebAuthenticationSessionError";
namespace WebAuthenticationSessionErrorCode {
inline constexpr int canceledLogin = 1;
inline constexpr int presentationContextInvalid = 2;
}  // namespace WebAuthenticationSessionErrorCode

class WebAuthenticationSession : public QObject {
    Q_OBJECT
public:
    using Completion = std::function<void(std::optional<QUrl> callbackURL, std::optional<Error> error)>;

    WebAuthenticationSession(QUrl url, QString callbackURLScheme, Completion completion, QObject* parent = nullptr);
    ~WebAuthenticationSession() override;

    // The window the sign-in window stands over (centred on it, modal to it). None, or one that
    // returns null, shows the sign-in window on its own.
    std::function<QWidget*()> presentationAnchor;
    bool prefersEphemeralWebBrowserSession = false;
    QString windowTitle;
    QSize windowSize{600, 560};

    // Opens the window and the page; false when the session already started.
    bool start();
    // Closes the window; the completion gets `canceledLogin`.
    void cancel();

    // The window and its page while the session runs; null before and after.
    QWidget* window() const { return window_; }
    WebView* webView() const { return webView_; }
    bool isRunning() const { return window_ != nullptr; }

private:
    void finish(std::optional<QUrl> callbackURL, std::optional<Error> error);
    bool eventFilter(QObject* watched, QEvent* event) override;

    QUrl url_;
    QString scheme_;
    Completion completion_;
    bool started_ = false;
    QPointer<QWidget> window_;
    QPointer<WebView> webView_;
};

}  // namespace morvex::appkit
