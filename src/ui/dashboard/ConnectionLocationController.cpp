#include "ui/dashboard/ConnectionLocationController.h"

#include <QGraphicsOpacityEffect>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPropertyAnimation>
#include <QToolButton>
#include <QVBoxLayout>

#include "appkit/Images.h"
#include "appkit/OnScreenWatch.h"
#include "foundation/Bundle.h"
#include "ui/kit/DashboardStyle.h"
#include "viewmodels/DashboardText.h"
#include "viewmodels/MainThreadObserver.h"
#include "flows/MorvexVPNService.h"

namespace morvex {

namespace {
constexpr int kFlagSide = 36;
constexpr int kFavoriteIconSide = 20;
}  // namespace

ConnectionLocationController::ConnectionLocationController(QObject* parent)
    : ConnectionLocationController(std::make_shared<ConnectionLocationModel>(), parent) {}

ConnectionLocationController::ConnectionLocationController(std::shared_ptr<ConnectionLocationModel> model, QObject* parent)
    : ViewController(parent), model_(std::move(model)) {}

ConnectionLocationController::~ConnectionLocationController() {
    observers_.clear();
    bindings_.clear();
}

void ConnectionLocationController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("ConnectionLocationView"));
    view->setAttribute(Qt::WA_StyledBackground);
    view->setStyleSheet(QStringLiteral("#ConnectionLocationView { background: %1; border-radius: 12px; }")
                            .arg(dashboard::color("BottomColor").name()));
    auto* row = new QHBoxLayout(view);
    row->setContentsMargins(12, 12, 12, 12);
    row->setSpacing(10);

    auto* flag = new QLabel(view);
    flag->setObjectName(QStringLiteral("locationImageView"));
    flag->setFixedSize(kFlagSide, kFlagSide);
    locationImageView_ = flag;
    row->addWidget(flag, 0, Qt::AlignVCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* name = new QLabel(view);
    name->setObjectName(QStringLiteral("locationName"));
    name->setFont(dashboard::font(16, QFont::Medium));
    QPalette heading = name->palette();
    heading.setColor(QPalette::WindowText, dashboard::color("HeadingText"));
    name->setPalette(heading);
    locationName_ = name;
    texts->addWidget(name);

    // The "recommended" label and the address-and-time row share one line; the card fades
    // between them.
    auto* second = new QWidget(view);
    auto* stack = new QGridLayout(second);
    stack->setContentsMargins(0, 0, 0, 0);
    QPalette secondary = name->palette();
    secondary.setColor(QPalette::WindowText, dashboard::color("TabText"));

    auto* recommended = new QLabel(localized("recommended").c_str(), second);
    recommended->setObjectName(QStringLiteral("labelRecommended"));
    recommended->setFont(dashboard::font(13));
    recommended->setPalette(secondary);
    recommendedOpacity_ = new QGraphicsOpacityEffect(recommended);
    recommended->setGraphicsEffect(recommendedOpacity_);
    labelRecommended_ = recommended;
    stack->addWidget(recommended, 0, 0);

    auto* ipDuration = new QWidget(second);
    ipDuration->setObjectName(QStringLiteral("stackViewIpDuration"));
    auto* ipRow = new QHBoxLayout(ipDuration);
    ipRow->setContentsMargins(0, 0, 0, 0);
    ipRow->setSpacing(6);
    auto* ip = new QLabel(ipDuration);
    ip->setObjectName(QStringLiteral("ipLabel"));
    ip->setFont(dashboard::font(13));
    ip->setPalette(secondary);
    ipLabel_ = ip;
    auto* duration = new QLabel(ipDuration);
    duration->setObjectName(QStringLiteral("durationLabel"));
    QFont digits = dashboard::font(13, QFont::Medium);
    digits.setLetterSpacing(QFont::AbsoluteSpacing, 1.6);
    digits.setStyleHint(QFont::Monospace);
    duration->setFont(digits);
    duration->setPalette(heading);
    durationLabel_ = duration;
    ipRow->addWidget(ip);
    ipRow->addWidget(duration);
    ipRow->addStretch(1);
    ipDurationOpacity_ = new QGraphicsOpacityEffect(ipDuration);
    ipDuration->setGraphicsEffect(ipDurationOpacity_);
    stackViewIpDuration_ = ipDuration;
    stack->addWidget(ipDuration, 0, 0);
    texts->addWidget(second);
    row->addLayout(texts, 1);

    auto* favorite = new QToolButton(view);
    favorite->setObjectName(QStringLiteral("buttonFavorite"));
    favorite->setAccessibleName(QStringLiteral("btn_location_favorite"));
    favorite->setAutoRaise(true);
    favorite->setCursor(Qt::PointingHandCursor);
    favorite->setIconSize(QSize(kFavoriteIconSide, kFavoriteIconSide));
    buttonFavorite_ = favorite;
    row->addWidget(favorite, 0, Qt::AlignVCenter);
    setView(view);
}

void ConnectionLocationController::viewDidLoad() {
    ViewController::viewDidLoad();
    auto& m = *model_;
    bindings_.push_back(appkit::bindProperty<ConnectionLocationModel::ServerPtr>(
        m.location, [this](const ConnectionLocationModel::ServerPtr& s) { showLocation(s); }));
    bindings_.push_back(appkit::bindProperty<std::optional<std::string>>(m.ip, [this](const std::optional<std::string>& ip) {
        if (ipLabel_) ipLabel_->setText(QString::fromStdString(ip.value_or("")));
    }));
    bindings_.push_back(appkit::bindProperty<std::optional<std::string>>(
        m.connectedTime, [this](const std::optional<std::string>& time) {
            if (durationLabel_) durationLabel_->setText(QString::fromStdString(time.value_or("")));
        }));
    // The time is redone only while it can be seen.
    new appkit::OnScreenWatch(durationLabel_, [this](bool onScreen) { model_->setConnectedTimeShown(onScreen); });
    bindings_.push_back(appkit::bindProperty<std::string>(m.buttonFavoriteImage, [this](const std::string& image) {
        if (!buttonFavorite_) return;
        buttonFavorite_->setIcon(image.empty() ? QIcon() : appkit::imageNamed(image));
    }));
    bindings_.push_back(appkit::bindProperty<bool>(m.buttonFavoriteHidden, [this](const bool& hidden) {
        if (buttonFavorite_) buttonFavorite_->setHidden(hidden);
    }));
    bindings_.push_back(m.layout.observe([this](const ConnectionLocationModel::Layout& l) { showLayout(l); }));
    connect(buttonFavorite_, &QToolButton::clicked, this, [this] { model_->favoriteButtonClicked(); });

    observers_.push_back(dashboard::observeOnMainThread(ZevuTypes::sdkInitializedNotification, this, [this](const Notification&) {
        if (model_->vpnStatus() == zevu::rawValue(zevu::ZevuVPNState::Connected))
            model_->applyConnectionState(ZevuConnectionState::Connected);
    }));
    observers_.push_back(dashboard::observeOnMainThread(ZevuTypes::stateNotification, this, [this](const Notification& n) {
        if (const auto* info = n.objectAs<ZevuTypes::ConnectionInfo>()) model_->applyConnectionState(info->state);
    }));
    observers_.push_back(dashboard::observeOnMainThread("PreferencesRefreshed", this,
                                                        [this](const Notification&) { model_->refreshFavoriteImage(); }));
    observers_.push_back(dashboard::observeOnMainThread("VPNAccountDidChangeNotification", this,
                                                        [this](const Notification&) { model_->applyCurrentStatus(); }));
    showLayout(m.layout.value());
}

void ConnectionLocationController::viewWillAppear() {
    ViewController::viewWillAppear();
    model_->applyCurrentStatus();
}

void ConnectionLocationController::showLocation(const ConnectionLocationModel::ServerPtr& location) {
    if (locationName_) locationName_->setText(location ? QString::fromStdString(location->name) : QString());
    if (locationImageView_) {
        locationImageView_->setPixmap(
            dashboard::roundFlag(location ? dashboard::flagImageName(location->code) : std::string(), kFlagSide,
                                 dashboard::flagBorderColor()));
    }
}

double ConnectionLocationController::recommendedAlpha() const {
    return recommendedOpacity_ ? recommendedOpacity_->opacity() : 0;
}
double ConnectionLocationController::ipDurationAlpha() const {
    return ipDurationOpacity_ ? ipDurationOpacity_->opacity() : 0;
}

void ConnectionLocationController::fade(QGraphicsOpacityEffect* effect, double to) {
    if (!effect) return;
    auto* animation = new QPropertyAnimation(effect, "opacity", this);
    fades_.push_back(animation);
    animation->setDuration(ANIMATION_MS);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    animation->setEndValue(to);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void ConnectionLocationController::showLayout(ConnectionLocationModel::Layout layout) {
    // A fade still running from the previous layout would undo this one when it ends.
    for (auto& running : fades_)
        if (running) running->stop();
    fades_.clear();
    switch (layout) {
    case ConnectionLocationModel::Layout::Connected:
        ipDurationOpacity_->setOpacity(ALPHA_HIDDEN);
        fade(ipDurationOpacity_, ALPHA_SHOWN);
        fade(recommendedOpacity_, ALPHA_HIDDEN);
        return;
    case ConnectionLocationModel::Layout::Connecting:
        ipDurationOpacity_->setOpacity(ALPHA_HIDDEN);
        recommendedOpacity_->setOpacity(ALPHA_HIDDEN);
        return;
    case ConnectionLocationModel::Layout::Disconnected:
        fade(ipDurationOpacity_, ALPHA_HIDDEN);
        fade(recommendedOpacity_, ALPHA_SHOWN);
        return;
    }
}

}  // namespace morvex
