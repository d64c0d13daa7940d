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

}  // namespace morvex
