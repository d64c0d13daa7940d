#pragma once
// A sign-in page in a window of the application's own, over the window it is presented from. The
// session opens the URL, watches every navigation of the page (links, forms, server redirects)
// and catches the first one to the callback scheme itself: the page never hands it to a browser
// or to the desktop. The completion then gets that URL. Closing the window (or `cancel`) instead
// completes with the error `canceledLogin`.
//
// The window stays on the sign-in page's own origin (scheme, host and port of the URL it opened).
// That origin must be https; plain http is taken only on a loopback host (a local stand-in of the
// service), and any other page ends the session with `insecurePage` before anything loads. A
// navigation to another origin or scheme is refused; a click on an https link elsewhere goes to
// the desktop's browser instead (`openOutside`), and no other scheme leaves the window at all.
//
// The window and its web view are made by `start` and released when the session ends, so no page
// outlives its sign-in. An ephemeral session keeps no cookies, cache or storage, and shares none
// with any browser or with the application's other web views.
//
// By default the window runs in a short-lived process of its own, the bundle's sign-in program
// (`windowProgramPath`): once loaded, the web engine cannot be unloaded, and it keeps tens of
// megabytes and its helper processes for as long as its process lives. The program runs this same
// session in its own process (`runsInThisProcess`) and hands the outcome back over a pipe
// (appkit/SignInWindowChannel.h). The window process dies with the application. A window process
// that ends without an answer, fails to start, or answers what cannot be read ends the session
// with `windowFailed`; a closed window there ends it with `canceledLogin`, as here.
//
// Threads: main thread. The completion runs once at most; never after the session is destroyed.
#include <QObject>
#include <QPointer>
#include <filesystem>
#include <memory>
#include <QSize>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>
#include <string_view>

#include "appkit/WebView.h"
#include "foundation/Error.h"

class QProcess;
class QWidget;

namespace morvex::appkit {

namespace signin {
class Reader;
}

inline constexpr std::string_view kWebAuthenticationSessionErrorDomain = "WebAuthenticationSessionError";
namespace WebAuthenticationSessionErrorCode {
inline constexpr int canceledLogin = 1;
inline constexpr int presentationContextInvalid = 2;
inline constexpr int insecurePage = 3;  // the sign-in page is neither https nor on a loopback host
inline constexpr int windowFailed = 4;  // the window's process ended without an answer, or with one that cannot be read
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

    // Where an https link clicked on the page is opened; by default the desktop's browser.
    std::function<void(const QUrl& url)> openOutside;

    // What the window does with a navigation to `url` of a session that opened `start`.
    enum class Navigation {
        allow,          // the sign-in page's own origin
        catchCallback,  // the callback scheme: the session ends with this URL
        openOutside,    // a clicked https link elsewhere: handed to the desktop's browser
        refuse,         // anything else
    };
    static Navigation decide(const QUrl& start, const QString& callbackScheme, const QUrl& url, bool linkClicked);
    // https, or http on a loopback host.
    static bool isTrustedOrigin(const QUrl& url);

    // Where the window runs: in a process of its own unless this is set before `start` (the
    // sign-in program sets it; so may a test of the window itself).
    bool runsInThisProcess = false;
    // The sign-in program in the bundle (MORVEX_SIGN_IN_PROGRAM overrides it).
    static std::filesystem::path windowProgramPath();

    // Opens the window and the page; false when the session already started.
    bool start();
    // Closes the window; the completion gets `canceledLogin`.
    void cancel();

    // The window and its page while the session runs in this process; null before and after, and
    // always when the window runs in a process of its own.
    QWidget* window() const { return window_; }
    WebView* webView() const { return webView_; }
    bool isRunning() const { return running_; }

    // Wherever the window runs: the page's title as last reported, a script run in the page (what
    // a user would type and click), and the window's close button.
    QString pageTitle() const;
    void runJavaScript(const QString& script);
    void closeWindow();
    // The window's process while it runs (0 for none); it may still be ending after the completion.
    qint64 windowProcessId() const;

private:
    void finish(std::optional<QUrl> callbackURL, std::optional<Error> error);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void startInThisProcess();
    void startWindowProcess();
    void readFromWindowProcess();
    void windowProcessFailed(const std::string& why);
    void stopWindowProcess();

    QUrl url_;
    QString scheme_;
    Completion completion_;
    bool started_ = false;
    bool running_ = false;
    QPointer<QWidget> window_;
    QPointer<WebView> webView_;
    // The window's process and what it sent, while the window runs there.
    QPointer<QProcess> process_;
    std::unique_ptr<signin::Reader> reader_;
    QString pageTitle_;
};

}  // namespace morvex::appkit
