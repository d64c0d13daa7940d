#include "ui/support/GetHelpViewController.h"

#include <QGraphicsOpacityEffect>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <iostream>

#include "alerts/AlertServices.h"
#include "appkit/Application.h"
#include "appkit/Images.h"
#include "foundation/Bundle.h"
#include "foundation/UserDefaults.h"
#include "state/AppPreferences.h"
#include "ui/support/SupportLinks.h"
#include "ui/support/SupportStyle.h"
#include "ui/support/SupportViewController.h"

namespace morvex {

namespace {

constexpr const char* kBlankDark = "<html><head><style>body { background-color: rgb(38, 43, 56); }</style></head><body></body></html>";
constexpr const char* kBlankLight = "<html><head><style>body { background-color: white; }</style></head><body></body></html>";

struct RouteTile {
    const char* name;
    const char* image;
    const char* title;
    const char* caption;
};
constexpr std::array<RouteTile, 5> kTiles{{
    {"viewSupportTicket", "support_ticket", "support.route.ticket", "support.route.ticket.caption"},
    {"viewReportBug", "support_bug", "support.route.bug", "support.route.bug.caption"},
    {"viewFAQ", "support_faq", "support.route.faq", "support.route.faq.caption"},
    {"viewSupportCenter", "support_center", "support.route.center", "support.route.center.caption"},
    {"viewLiveChat", "support_chat", "support.route.chat", "support.route.chat.caption"},
}};

}  // namespace

GetHelpViewController::GetHelpViewController(QObject* parent) : ViewController(parent) {
    openURL = [](const std::string& url) {
        if (auto open = AlertServices::installed().openURL) open(url);
    };
    makeEventTracker = [] { return AlertServices::installed().makeEventTracker(); };
    appearance = [] { return appkit::Application::shared().effectiveAppearance(); };
}

void GetHelpViewController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("GetHelpView"));
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(32, 28, 32, 28);
    column->setSpacing(0);
    auto* title = support::label("lblTitle", view, 20, QFont::Bold, "HeadingText");
    title->setText(QString::fromStdString(localized("support.hub.title")));
    auto* subtitle = support::label("lblSubtitle", view, 14, QFont::Normal, "TabText");
    subtitle->setText(QString::fromStdString(localized("support.hub.subtitle")));
    column->addWidget(title);
    column->addSpacing(6);
    column->addWidget(subtitle);
    column->addSpacing(22);

    auto* grid = new QGridLayout;
    grid->setSpacing(16);
    for (std::size_t i = 0; i < kTiles.size(); ++i) {
        const RouteTile& t = kTiles[i];
        auto* tile = new CustomView(view);
        tile->setObjectName(QString::fromLatin1(t.name));
        tile->setBackgroundColor(ThemedColor::colorNamed("BottomColor"));
        tile->setCornerRadius(12);
        tile->setBorderWidth(1);
        tile->setBorderColor(ThemedColor::colorNamed("Separator"));
        tile->setMinimumHeight(120);
        auto* inside = new QVBoxLayout(tile);
        inside->setContentsMargins(16, 16, 16, 14);
        inside->setSpacing(6);
        auto* icon = new QLabel(tile);
        icon->setPixmap(appkit::imageNamed(t.image, QSize(24, 24)));
        auto* name = support::label("lblRoute", tile, 14, QFont::DemiBold, "HeadingText");
        name->setText(QString::fromStdString(localized(t.title)));
        auto* caption = support::label("lblCaption", tile, 12, QFont::Normal, "TabText");
        caption->setText(QString::fromStdString(localized(t.caption)));
        caption->setWordWrap(true);
        inside->addWidget(icon);
        inside->addWidget(name);
        inside->addWidget(caption, 1, Qt::AlignTop);
        // The whole tile is the route's button.
        auto* button = new QPushButton(tile);
        button->setObjectName(QStringLiteral("btnRoute%1").arg(i));
        button->setAccessibleName(name->text());
        button->setCursor(Qt::PointingHandCursor);
        button->setFlat(true);
        button->setStyleSheet(QStringLiteral("QPushButton { background: transparent; border: none; }"));
        button->setProperty("tag", int(i));
        connect(button, &QPushButton::clicked, this, [this, i] { buttonClicked(int(i)); });
        tiles_[i] = tile;
        buttons_[i] = button;
        tile->installEventFilter(this);  // the button follows the tile's size
        grid->addWidget(tile, int(i / 3), int(i % 3));
    }
    for (int c = 0; c < 3; ++c) grid->setColumnStretch(c, 1);
    column->addLayout(grid);
    column->addStretch(1);

    // The FAQ over the whole hub, with its close button.
    overlay_ = new QWidget(view);
    overlay_->setObjectName(QStringLiteral("webViewOverlay"));
    auto* overlayLayout = new QGridLayout(overlay_);
    overlayLayout->setContentsMargins(0, 0, 0, 0);
    webViewWindow_ = new appkit::WebView(overlay_);
    webViewWindow_->setObjectName(QStringLiteral("webViewWindow"));
    btnWebViewClose_ = new QPushButton(overlay_);
    btnWebViewClose_->setObjectName(QStringLiteral("btnWebViewClose"));
    btnWebViewClose_->setAccessibleName(QString::fromStdString(localized("support.close")));
    btnWebViewClose_->setIcon(appkit::imageNamed("support_close", QSize(16, 16)));
    btnWebViewClose_->setIconSize(QSize(16, 16));
    btnWebViewClose_->setFixedSize(32, 32);
    btnWebViewClose_->setCursor(Qt::PointingHandCursor);
    btnWebViewClose_->setStyleSheet(QStringLiteral("QPushButton { background: white; border: 1px solid %1; border-radius: 16px; }")
                                        .arg(support::color("Separator").name()));
    overlayLayout->addWidget(webViewWindow_, 0, 0);
    overlayLayout->addWidget(btnWebViewClose_, 0, 0, Qt::AlignTop | Qt::AlignRight);
    overlayLayout->setAlignment(btnWebViewClose_, Qt::AlignTop | Qt::AlignRight);
    connect(btnWebViewClose_, &QPushButton::clicked, this, [this] { onWebViewClose(); });
    view->installEventFilter(this);
    setView(view);
}

bool GetHelpViewController::eventFilter(QObject* watched, QEvent* event) {
    // The web view lies over the whole hub at any size.
    if (event->type() == QEvent::Resize && watched == view() && overlay_) overlay_->setGeometry(view()->rect());
    if (event->type() == QEvent::Resize) {
        for (std::size_t i = 0; i < tiles_.size(); ++i)
            if (watched == tiles_[i] && buttons_[i]) buttons_[i]->setGeometry(tiles_[i]->rect());
    }
    return ViewController::eventFilter(watched, event);
}

void GetHelpViewController::viewWillAppear() {
    // Back to the blank page, hidden. A web view that never showed a page has nothing to reset,
    // and the web engine is not started for it.
    if (webViewWindow_->hasEngine()) loadBlankPage();
    if (fade_) fade_->stop();
    setAlpha(0);
    webViewWindow_->hide();
    btnWebViewClose_->hide();
    overlay_->hide();
}

void GetHelpViewController::buttonClicked(int tag) {
    switch (tag) {
        case Ticket:
            composeSupportMail();
            break;
        case ReportBug:
            if (parentController) parentController->showReportBug();
            break;
        case FAQ: {
            const std::string address = support::withMode(support::faqPage(), appearance());
            std::cout << "HELP URL: " << address << std::endl;
            showPage(QUrl(QString::fromStdString(address)));
            makeEventTracker().track(AnalyticsEvent::app_view_faqs);
            break;
        }
        case SupportCentre:
            openURL(support::supportCentre(UserDefaults::standard().string(AppPreferences::Key::preferredLanguageCode)));
            makeEventTracker().track(AnalyticsEvent::app_view_support_screen);
            break;
        case LiveChat: {
            const std::string address = support::withMode(support::liveChatPage(), appearance());
            std::cout << "HELP URL: " << address << std::endl;
            openURL(address);
            makeEventTracker().track(AnalyticsEvent::app_route_live_chat);
            break;
        }
        default:
            break;
    }
}

void GetHelpViewController::composeSupportMail() {
    const QUrl url(QString::fromStdString(support::supportMailCompose()), QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty()) return;
    openURL(support::supportMailCompose());
}

void GetHelpViewController::onWebViewClose() { hidePage(); }

void GetHelpViewController::loadBlankPage() {
    const bool dark = appearance() == appkit::Appearance::DarkAqua;
    webViewWindow_->loadHTMLString(QString::fromLatin1(dark ? kBlankDark : kBlankLight));
}

void GetHelpViewController::showPage(const QUrl& url) {
    shownPage_ = url;
    loadBlankPage();
    webViewWindow_->load(url);
    overlay_->setGeometry(view()->rect());
    overlay_->show();
    overlay_->raise();
    webViewWindow_->show();
    btnWebViewClose_->show();
    fadeTo(1.0, {});
}

void GetHelpViewController::hidePage() {
    QPointer<GetHelpViewController> self(this);
    fadeTo(0.0, [self] {
        if (!self) return;
        self->loadBlankPage();
        self->webViewWindow_->hide();
        self->btnWebViewClose_->hide();
        self->overlay_->hide();
    });
}

void GetHelpViewController::fadeTo(double alpha, std::function<void()> done) {
    if (fade_) fade_->stop();
    auto* fade = new QVariantAnimation(this);
    fade_ = fade;
    fade->setStartValue(alpha_);
    fade->setEndValue(alpha);
    fade->setDuration(kFadeMilliseconds);
    fade->setEasingCurve(QEasingCurve::OutCubic);
    connect(fade, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) { setAlpha(v.toDouble()); });
    connect(fade, &QVariantAnimation::finished, this, [this, alpha, done = std::move(done)] {
        setAlpha(alpha);
        if (done) done();
    });
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void GetHelpViewController::setAlpha(double alpha) {
    alpha_ = alpha;
    if (!overlay_) return;
    // Fully shown, the page draws without an effect (the engine's surface draws faster so).
    if (alpha >= 1.0) {
        overlay_->setGraphicsEffect(nullptr);
        return;
    }
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(overlay_->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(overlay_);
        overlay_->setGraphicsEffect(effect);
    }
    effect->setOpacity(alpha);
}

}  // namespace morvex
