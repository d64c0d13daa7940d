#include "ui/support/HelpPages.h"

#include <QLabel>
#include <QVBoxLayout>

#include "alerts/AlertServices.h"
#include "appkit/Application.h"
#include "foundation/Bundle.h"
#include "ui/support/SupportLinks.h"
#include "ui/support/SupportStyle.h"

namespace morvex {

FaqWebView::FaqWebView(QWidget* parent) : appkit::WebView(parent) {
    setObjectName(QStringLiteral("FaqWebView"));
    openURL = [](const std::string& url) {
        if (auto open = AlertServices::installed().openURL) open(url);
    };
    reloadTimer_ = new QTimer(this);
    reloadTimer_->setInterval(kReloadSeconds * 1000);
    connect(reloadTimer_, &QTimer::timeout, this, &FaqWebView::reload);
    reloadTimer_->start();
    // The article follows the look: its address names the theme. A view that shows nothing yet
    // (a pane beneath others) is not made to start the web engine for it.
    connect(&appkit::Application::shared(), &appkit::Application::effectiveAppearanceChanged, this, [this] {
        if (hasEngine() || isVisible()) loadFAQ();
    });
    decidePolicyForLinkClick = [this](const QUrl& url) {
        if (url.isEmpty()) return true;
        if (openURL) openURL(url.toString(QUrl::FullyEncoded).toStdString());
        return false;
    };
}

void FaqWebView::loadFAQ() { load(QUrl(QString::fromStdString(support::faqPage()))); }

void FaqWebView::reload() {
    if (const QUrl shown = url(); shown.isValid() && !shown.isEmpty()) load(shown);
}

void FAQViewController::loadView() {
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    webView_ = new FaqWebView(view);
    layout->addWidget(webView_);
    setView(view);
}

void FAQViewController::viewDidLoad() { webView_->loadFAQ(); }

void FAQViewController::viewDidAppear() { AlertServices::installed().makeEventTracker().track(AnalyticsEvent::app_view_faqs); }

void WebViewController::loadView() {
    webView_ = new appkit::WebView;
    setView(webView_);
}

void LiveChatViewController::loadView() {
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(20, 20, 20, 20);
    button_ = support::primaryButton("liveChatButton", QString::fromStdString(localized("support.chat.now")), view);
    layout->addStretch(1);
    layout->addWidget(button_, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    connect(button_, &QPushButton::clicked, this, [this] { liveChatClicked(); });
    setView(view);
}

void LiveChatViewController::liveChatClicked() {
    if (auto open = AlertServices::installed().openURL) open(support::liveChatPage());
}

}  // namespace morvex
