#include "appkit/WebAuthenticationSession.h"

#include <QCloseEvent>
#include <QProcess>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>
#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/prctl.h>
#include <unistd.h>

#include "appkit/SignInWindowChannel.h"
#include "appkit/WebView.h"
#include "appkit/Workspace.h"
#include "foundation/Bundle.h"
#include "foundation/Log.h"

namespace morvex::appkit {

namespace {

// Whether `host` is a loopback address: 127.0.0.0/8, ::1, or 127.0.0.0/8 mapped into IPv6.
bool isLoopbackAddress(const QString& host) {
    const QByteArray text = host.toLatin1();
    unsigned char v4[4];
    if (::inet_pton(AF_INET, text.constData(), v4) == 1) return v4[0] == 127;
    unsigned char v6[16];
    if (::inet_pton(AF_INET6, text.constData(), v6) != 1) return false;
    static constexpr unsigned char kLoopback[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    static constexpr unsigned char kMapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    if (std::memcmp(v6, kLoopback, 16) == 0) return true;
    return std::memcmp(v6, kMapped, 12) == 0 && v6[12] == 127;
}

}  // namespace

WebAuthenticationSession::WebAuthenticationSession(QUrl url, QString callbackURLScheme, Completion completion, QObject* parent)
    : QObject(parent), url_(std::move(url)), scheme_(std::move(callbackURLScheme)), completion_(std::move(completion)) {}

bool WebAuthenticationSession::isTrustedOrigin(const QUrl& url) {
    if (!url.isValid() || url.host().isEmpty()) return false;
    if (url.scheme() == QLatin1String("https")) return true;
    if (url.scheme() != QLatin1String("http")) return false;
    const QString host = url.host();
    return host == QLatin1String("localhost") || isLoopbackAddress(host);
}

WebAuthenticationSession::Navigation WebAuthenticationSession::decide(const QUrl& start, const QString& callbackScheme,
                                                                      const QUrl& url, bool linkClicked) {
    if (!callbackScheme.isEmpty() && url.scheme().compare(callbackScheme, Qt::CaseInsensitive) == 0)
        return Navigation::catchCallback;
    // QUrl keeps scheme and host in lower case; a port left out is the scheme's default.
    auto port = [](const QUrl& u) { return u.port(u.scheme() == QLatin1String("https") ? 443 : 80); };
    const bool sameOrigin = url.scheme() == start.scheme() && url.host() == start.host() && port(url) == port(start) &&
                            url.userInfo().isEmpty();
    if (sameOrigin && isTrustedOrigin(start)) return Navigation::allow;
    if (linkClicked && url.isValid() && url.scheme() == QLatin1String("https") && !url.host().isEmpty())
        return Navigation::openOutside;
    return Navigation::refuse;
}

WebAuthenticationSession::~WebAuthenticationSession() {
    // Gone without an answer: the owner is going too, so nobody is told.
    completion_ = nullptr;
    delete window_.data();
    stopWindowProcess();
}

std::filesystem::path WebAuthenticationSession::windowProgramPath() {
    if (const char* path = std::getenv("MORVEX_SIGN_IN_PROGRAM"); path && *path) return path;
    return Bundle::main().bundlePath() / "bin" / "MorvexVPNSignIn";
}

namespace {
Error insecurePageError() {
    return Error(std::string(kWebAuthenticationSessionErrorDomain), WebAuthenticationSessionErrorCode::insecurePage,
                 "The sign-in page is not on a secure connection");
}
Error canceledError() {
    return Error(std::string(kWebAuthenticationSessionErrorDomain), WebAuthenticationSessionErrorCode::canceledLogin,
                 "The user closed the sign-in window");
}
}  // namespace

bool WebAuthenticationSession::start() {
    if (started_) return false;
    started_ = true;
    running_ = true;
    if (runsInThisProcess) startInThisProcess();
    else startWindowProcess();
    return true;
}

void WebAuthenticationSession::startWindowProcess() {
    if (!isTrustedOrigin(url_)) {
        // Refused before any process starts.
        log::nslog("WebAuthenticationSession: not opening a sign-in page that is not on a secure connection");
        QMetaObject::invokeMethod(this, [this] { finish(std::nullopt, insecurePageError()); }, Qt::QueuedConnection);
        return;
    }
    QWidget* anchor = presentationAnchor ? presentationAnchor() : nullptr;
    if (anchor) anchor = anchor->window();
    QStringList request{url_.toString(QUrl::FullyEncoded), scheme_, prefersEphemeralWebBrowserSession ? "1" : "0",
                        windowTitle, QString::number(windowSize.width()), QString::number(windowSize.height())};
    if (anchor) {
        const QRect frame = anchor->geometry();
        request << QString::number(frame.x()) << QString::number(frame.y()) << QString::number(frame.width())
                << QString::number(frame.height());
    } else {
        request << QString() << QString() << QString() << QString();
    }

    reader_ = std::make_unique<signin::Reader>(std::vector<signin::Verb>(std::begin(signin::kApplicationVerbs),
                                                                         std::end(signin::kApplicationVerbs)));
    auto* process = new QProcess(this);
    process_ = process;
    process->setProgram(QString::fromStdString(windowProgramPath().string()));
    // The window's own messages (and the engine's) go where ours go; its answer comes on its output.
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const pid_t application = ::getpid();
    process->setChildProcessModifier([application] {
        // The window never outlives the application, even when the application is killed.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != application) ::_exit(127);
    });
    connect(process, &QProcess::readyReadStandardOutput, this, [this] { readFromWindowProcess(); });
    connect(process, &QProcess::finished, this, [this, process](int exitCode, QProcess::ExitStatus status) {
        if (process_ == process) readFromWindowProcess();
        if (process_ != process || !running_) return;
        windowProcessFailed(status == QProcess::CrashExit ? "ended by a signal"
                                                          : "ended with status " + std::to_string(exitCode) + " and no answer");
    });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart || process_ != process || !running_) return;
        windowProcessFailed("could not be started from " + windowProgramPath().string() + ": " +
                            process->errorString().toStdString());
    });
    process->start(QIODevice::ReadWrite);
    process->write(signin::encode(signin::kStart, request));
}

void WebAuthenticationSession::readFromWindowProcess() {
    if (!process_ || !reader_ || !running_) return;
    reader_->feed(process_->readAllStandardOutput());
    for (const signin::Message& message : reader_->take()) {
        if (!running_) return;
        const QString first = message.fields.value(0);
        if (message.verb == signin::kTitle) {
            pageTitle_ = first;
        } else if (message.verb == signin::kOpenOutside) {
            // Only what the window itself would hand to the browser.
            const QUrl url(first, QUrl::StrictMode);
            if (decide(url_, scheme_.toLower(), url, true) != Navigation::openOutside) {
                windowProcessFailed("asked to open what is not an https link elsewhere");
                return;
            }
            if (openOutside) openOutside(url);
            else Workspace::shared().openURL(url);
        } else if (message.verb == signin::kCallback) {
            const QUrl url(first, QUrl::StrictMode);
            if (!url.isValid() || url.scheme().compare(scheme_, Qt::CaseInsensitive) != 0) {
                windowProcessFailed("answered with an address that is not the callback");
                return;
            }
            finish(url, std::nullopt);
        } else if (message.verb == signin::kFailed) {
            bool ok = false;
            const int code = first.toInt(&ok);
            // The window reports only its own two endings.
            if (!ok || (code != WebAuthenticationSessionErrorCode::canceledLogin &&
                        code != WebAuthenticationSessionErrorCode::insecurePage)) {
                windowProcessFailed("answered with an unknown failure");
                return;
            }
            finish(std::nullopt, code == WebAuthenticationSessionErrorCode::canceledLogin ? canceledError() : insecurePageError());
        }
    }
    if (reader_->failed()) windowProcessFailed("sent what cannot be read: " + reader_->error());
}

void WebAuthenticationSession::windowProcessFailed(const std::string& why) {
    if (!running_) return;
    log::nslog("WebAuthenticationSession: the sign-in window's process " + why);
    stopWindowProcess();
    finish(std::nullopt, Error(std::string(kWebAuthenticationSessionErrorDomain), WebAuthenticationSessionErrorCode::windowFailed,
                               "The sign-in window stopped unexpectedly"));
}

void WebAuthenticationSession::stopWindowProcess() {
    QProcess* process = process_;
    if (!process) return;
    process_ = nullptr;
    process->disconnect(this);
    if (process->state() == QProcess::NotRunning) {
        process->deleteLater();
        return;
    }
    // Told first, by the end of its input; killed as well, since nothing more is wanted from it.
    // The process object stays until the process has ended, then is released.
    process->closeWriteChannel();
    process->kill();
    connect(process, &QProcess::finished, process, &QObject::deleteLater);
    process->setParent(nullptr);
}

QString WebAuthenticationSession::pageTitle() const {
    if (webView_) return webView_->title();
    return running_ ? pageTitle_ : QString();
}

void WebAuthenticationSession::runJavaScript(const QString& script) {
    if (webView_) webView_->runJavaScript(script);
    else if (process_ && running_) process_->write(signin::encode(signin::kRunScript, {script}));
}

void WebAuthenticationSession::closeWindow() {
    if (window_) window_->close();
    else if (process_ && running_) process_->write(signin::encode(signin::kClose));
}

qint64 WebAuthenticationSession::windowProcessId() const {
    return process_ && process_->state() != QProcess::NotRunning ? process_->processId() : 0;
}

void WebAuthenticationSession::startInThisProcess() {
    QWidget* anchor = presentationAnchor ? presentationAnchor() : nullptr;
    if (anchor) anchor = anchor->window();

    auto* window = new QWidget(anchor, Qt::Dialog);
    window->setObjectName(QStringLiteral("webAuthenticationWindow"));
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->setWindowModality(anchor ? Qt::WindowModal : Qt::ApplicationModal);
    window->setWindowTitle(windowTitle);
    window->resize(windowSize);
    if (anchor) window->move(anchor->geometry().center() - QPoint(windowSize.width() / 2, windowSize.height() / 2));
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* view = new WebView(WebView::Configuration{.nonPersistent = prefersEphemeralWebBrowserSession}, window);
    view->setObjectName(QStringLiteral("webAuthenticationView"));
    layout->addWidget(view);
    window->installEventFilter(this);
    window_ = window;
    webView_ = view;

    if (!isTrustedOrigin(url_)) {
        log::nslog("WebAuthenticationSession: not opening a sign-in page that is not on a secure connection");
        QMetaObject::invokeMethod(this, [this] { finish(std::nullopt, insecurePageError()); }, Qt::QueuedConnection);
        return;
    }
    const QString scheme = scheme_.toLower();
    auto handle = [this, scheme](const QUrl& url, bool linkClicked) {
        switch (decide(url_, scheme, url, linkClicked)) {
            case Navigation::allow: return true;
            case Navigation::catchCallback:
                // Ours: the page stops here and nothing else ever sees the redirect.
                QMetaObject::invokeMethod(this, [this, url] { finish(url, std::nullopt); }, Qt::QueuedConnection);
                return false;
            case Navigation::openOutside:
                if (openOutside) openOutside(url);
                else Workspace::shared().openURL(url);
                return false;
            case Navigation::refuse:
                // Only the scheme and host: the rest of an address may carry anything.
                log::nslog("WebAuthenticationSession: refused a navigation to " +
                           url.toString(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment).toStdString());
                return false;
        }
        return false;
    };
    view->decidePolicyForLinkClick = [handle](const QUrl& url) { return handle(url, true); };
    view->decidePolicyForNavigation = [handle](const QUrl& url) { return handle(url, false); };
    // A server's redirect to the callback may never be offered as a navigation: the view answers
    // requests for the scheme itself.
    view->didCatchURL = [this, scheme](const QUrl& url) {
        if (url.scheme().toLower() != scheme) return;
        QMetaObject::invokeMethod(this, [this, url] { finish(url, std::nullopt); }, Qt::QueuedConnection);
    };
    view->catchScheme(scheme_);
    window->show();
    view->load(url_);
}

void WebAuthenticationSession::cancel() {
    if (!running_) return;
    stopWindowProcess();
    finish(std::nullopt, canceledError());
}

bool WebAuthenticationSession::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::Close) {
        event->ignore();  // the session takes the window down itself
        cancel();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void WebAuthenticationSession::finish(std::optional<QUrl> callbackURL, std::optional<Error> error) {
    if (!running_) return;  // already ended
    running_ = false;
    pageTitle_.clear();
    if (QWidget* window = window_) {
        window_ = nullptr;
        webView_ = nullptr;
        window->removeEventFilter(this);
        window->hide();
        // Released once control is back in the run loop: this may run inside the page's own call.
        window->deleteLater();
    }
    // A window process that answered ends by itself once its input ends.
    if (process_) process_->closeWriteChannel();
    if (auto completion = std::exchange(completion_, nullptr)) completion(std::move(callbackURL), std::move(error));
}

}  // namespace morvex::appkit
