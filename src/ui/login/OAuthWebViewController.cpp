#include "ui/login/OAuthWebViewController.h"

#include <QGraphicsOpacityEffect>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "appkit/WebView.h"
#include "foundation/Bundle.h"
#include "ui/kit/ActivityIndicator.h"
#include "foundation/Log.h"

namespace morvex {

namespace {
constexpr int kCancelAreaHeight = 40;
constexpr const char* kOutOfBandPath = "ietf:wg:oauth:2.0:oob";
constexpr const char* kSuccessPrefix = "Success ";
}  // namespace

OAuthWebViewController::OAuthWebViewController(QObject* parent) : ViewController(parent) {}

void OAuthWebViewController::setStartURL(std::optional<QUrl> url) {
    const bool hadNone = !startURL_;
    startURL_ = std::move(url);
    if (startURL_ && hadNone && isViewLoaded()) loadURL(*startURL_);
}

void OAuthWebViewController::setInterceptURLString(std::optional<QString> text) {
    interceptURLString_ = std::move(text);
    interceptComponents_.reset();
    if (!interceptURLString_) return;
    QUrl url(*interceptURLString_, QUrl::StrictMode);
    if (url.isValid() && !url.scheme().isEmpty()) interceptComponents_ = url;
}

void OAuthWebViewController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("OAuthWebView"));
    view->resize(kViewSize);
    view->setMinimumSize(kViewSize);
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, willBecomeSheet ? kCancelAreaHeight : 0);
    webView_ = new appkit::WebView(view);
    webView_->setObjectName(QStringLiteral("oauthWebView"));
    webView_->decidePolicyForNavigation = [this](const QUrl& url) { return decidePolicyForNavigation(url); };
    webView_->didFinishNavigation = [this](bool ok) {
        if (ok) didFinishNavigation(webView_ ? webView_->title() : QString());
        else didFailNavigation(QString::fromStdString(localized("signin.page.load.failed")));
    };
    layout->addWidget(webView_);
    setView(view);
    setWebViewAlpha(0.0);  // invisible until a page finished or an error is shown
    if (willBecomeSheet) {
        cancelButton_ = new QPushButton(QString::fromStdString(localized("cancel")), view);
        cancelButton_->setObjectName(QStringLiteral("cancelButton"));
        cancelButton_->resize(120, 20);
        cancelButton_->move(kViewSize.width() - 10 - 120, kViewSize.height() - 10 - 20);
        connect(cancelButton_, &QPushButton::clicked, this, [this] { cancel(); });
    }
    showLoadingIndicator();
}

void OAuthWebViewController::showLoadingIndicator() {
    if (loadingView_) return;
    auto* loading = new QWidget(view());
    loading->setObjectName(QStringLiteral("loadingView"));
    auto* layout = new QVBoxLayout(loading);
    progressIndicator_ = new ActivityIndicator(loading);
    layout->addWidget(progressIndicator_, 0, Qt::AlignCenter);
    loading->setGeometry(view()->rect());
    loading->show();
    loading->raise();
    loadingView_ = loading;
}

void OAuthWebViewController::hideLoadingIndicator() {
    if (loadingView_) loadingView_->deleteLater();
    loadingView_ = nullptr;
    progressIndicator_ = nullptr;
}

void OAuthWebViewController::setWebViewAlpha(double alpha) {
    if (!webView_) return;
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(webView_->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(webView_);
        webView_->setGraphicsEffect(effect);
    }
    if (alpha == alpha_ || alpha == 0.0) {
        effect->setOpacity(alpha);
    } else {
        auto* animation = new QPropertyAnimation(effect, "opacity", effect);
        animation->setDuration(300);
        animation->setEndValue(alpha);
        animation->start(QAbstractAnimation::DeleteWhenStopped);
    }
    alpha_ = alpha;
}

void OAuthWebViewController::viewWillAppear() {
    ViewController::viewWillAppear();
    if (visited_) return;  // a page was already shown: the user may have gone on from it
    if (startURL_) loadURL(*startURL_);
    else if (webView_) webView_->loadHTMLString(QStringLiteral("There is no `startURL`"));
}

void OAuthWebViewController::viewDidAppear() {
    ViewController::viewDidAppear();
    if (appkit::Window* w = window()) w->setDelegate(this);
}

void OAuthWebViewController::loadURL(const QUrl& url) {
    if (!webView_) return;
    webView_->load(url);
    // A page that neither finishes nor fails within the time-out is reported as failed.
    QPointer<OAuthWebViewController> self(this);
    QTimer::singleShot(kLoadTimeoutSeconds * 1000, this, [self, url] {
        if (self && self->isLoadingIndicatorShown() && self->webView_ && self->webView_->url() == url)
            self->showErrorMessage(QString::fromStdString(localized("signin.page.timed.out")));
    });
}

void OAuthWebViewController::cancel() {
    if (webView_) webView_->loadHTMLString(QString());  // stops whatever is loading
    if (onWillCancel) onWillCancel();
}

bool OAuthWebViewController::windowShouldClose(appkit::Window&) {
    if (onWillCancel) onWillCancel();
    return false;  // closing is the owner's business
}

bool OAuthWebViewController::decidePolicyForNavigation(const QUrl& url) {
    if (!onIntercept || url.isEmpty() || !interceptComponents_) return true;
    const QUrl& intercept = *interceptComponents_;
    if (url.scheme() != intercept.scheme() || url.host() != intercept.host()) return true;
    const QString path = url.path();
    log::print("[OAuthWebViewController] " + path.toStdString());
    const QString interceptPath = intercept.path();
    if (path == interceptPath || path + interceptPath == QStringLiteral("/")) return !onIntercept(url);
    return true;
}

void OAuthWebViewController::didFinishNavigation(const QString& title) {
    visited_ = true;
    if (interceptComponents_ && interceptComponents_->scheme() == QStringLiteral("urn") &&
        interceptComponents_->path().startsWith(QString::fromLatin1(kOutOfBandPath))) {
        if (title.startsWith(QString::fromLatin1(kSuccessPrefix))) {
            QString query = title;
            query.remove(QString::fromLatin1(kSuccessPrefix));
            QUrl url(QStringLiteral("http://localhost/?") + query);
            if (url.isValid() && onIntercept) {
                onIntercept(url);
                return;
            }
        }
    }
    setWebViewAlpha(1.0);
    hideLoadingIndicator();
}

void OAuthWebViewController::didFailNavigation(const QString& message) { showErrorMessage(message); }

void OAuthWebViewController::showErrorMessage(const QString& message) {
    hideLoadingIndicator();
    setWebViewAlpha(1.0);
    if (webView_)
        webView_->loadHTMLString(QStringLiteral("<p style=\"text-align:center;font:'helvetica neue', sans-serif;color:red\">") +
                                 message.toHtmlEscaped() + QStringLiteral("</p>"));
}

}  // namespace morvex
