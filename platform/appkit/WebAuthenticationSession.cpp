#include "appkit/WebAuthenticationSession.h"

#include <QCloseEvent>
#include <QHostAddress>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

#include "appkit/WebView.h"
#include "appkit/Workspace.h"
#include "foundation/Log.h"

namespace morvex::appkit {

WebAuthenticationSession::WebAuthenticationSession(QUrl url, QString callbackURLScheme, Completion completion, QObject* parent)
    : QObject(parent), url_(std::move(url)), scheme_(std::move(callbackURLScheme)), completion_(std::move(completion)) {}

bool WebAuthenticationSession::isTrustedOrigin(const QUrl& url) {
    if (!url.isValid() || url.host().isEmpty()) return false;
    if (url.scheme() == QLatin1String("https")) return true;
    if (url.scheme() != QLatin1String("http")) return false;
    const QString host = url.host();
    return host == QLatin1String("localhost") || QHostAddress(host).isLoopback();
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
}

bool WebAuthenticationSession::start() {
    if (started_) return false;
    started_ = true;
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
        QMetaObject::invokeMethod(this, [this] {
            finish(std::nullopt, Error(std::string(kWebAuthenticationSessionErrorDomain), WebAuthenticationSessionErrorCode::insecurePage,
                                       "The sign-in page is not on a secure connection"));
        }, Qt::QueuedConnection);
        return true;
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
    return true;
}

void WebAuthenticationSession::cancel() {
    if (!window_) return;
    finish(std::nullopt, Error(std::string(kWebAuthenticationSessionErrorDomain), WebAuthenticationSessionErrorCode::canceledLogin,
                               "The user closed the sign-in window"));
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
    if (!window_) return;  // already ended
    QWidget* window = window_;
    window_ = nullptr;
    webView_ = nullptr;
    window->removeEventFilter(this);
    window->hide();
    // Released once control is back in the run loop: this may run inside the page's own call.
    window->deleteLater();
    if (auto completion = std::exchange(completion_, nullptr)) completion(std::move(callbackURL), std::move(error));
}

}  // namespace morvex::appkit
