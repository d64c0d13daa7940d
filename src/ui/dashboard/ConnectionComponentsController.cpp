#include "ui/dashboard/ConnectionComponentsController.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <algorithm>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "appkit/Images.h"
#include "appkit/OnScreenWatch.h"
#include "foundation/Bundle.h"
#include "viewmodels/ConnectButtonModel.h"
#include "viewmodels/ConnectionLocationModel.h"
#include "ui/kit/DashboardStyle.h"
#include "viewmodels/DashboardText.h"
#include "viewmodels/MainThreadObserver.h"

namespace morvex {

namespace {

constexpr int kFlagSide = 28;
constexpr int kShieldSide = 28;
// The shield beside the title, by the state the title shows.
constexpr std::string_view kPanelImageNames[] = {"ConnectedShield", "Connecting", "DisconnectShield"};

struct Title {
    std::string_view key, prefixKey, suffixKey;
    QColor prefix, suffix;
    std::string_view shield;
};

Title titleFor(ZevuConnectionState state) {
    // The body ink of the look (#1C1C1C in light), so the title reads on the dark ground too.
    const QColor ink = dashboard::color("HeadingText");
    switch (state) {
    case ZevuConnectionState::Connected:
        return {"title_connected", "title_connected_prefix", "title_connected_suffix", ink, QColor(149, 188, 77),
                kPanelImageNames[0]};
    case ZevuConnectionState::Connecting:
        return {"title_connecting", "title_connecting_prefix", "title_connecting_suffix", ink, ink, kPanelImageNames[1]};
    default:
        return {"title_disconnected", "title_disconnected_prefix", "title_disconnected_suffix", ink, QColor(255, 132, 132),
                kPanelImageNames[2]};
    }
}

// The title as rich text: the prefix and suffix found in the whole title by a plain search, each
// in its colour; the part that stands out is bold.
QString titleText(ZevuConnectionState state) {
    const Title t = titleFor(state);
    const QString whole = QString::fromStdString(localized(t.key));
    const QString prefix = QString::fromStdString(localized(t.prefixKey));
    const QString suffix = QString::fromStdString(localized(t.suffixKey));
    struct Span {
        qsizetype at, length;
        QColor color;
        bool bold;
    };
    std::vector<Span> spans;
    const bool prefixStandsOut = state == ZevuConnectionState::Connecting;
    if (const auto at = whole.indexOf(prefix); at >= 0 && !prefix.isEmpty()) spans.push_back({at, prefix.size(), t.prefix, prefixStandsOut});
    if (const auto at = whole.indexOf(suffix); at >= 0 && !suffix.isEmpty()) spans.push_back({at, suffix.size(), t.suffix, !prefixStandsOut});
    std::ranges::sort(spans, {}, &Span::at);
    QString html;
    qsizetype pos = 0;
    for (const auto& s : spans) {
        if (s.at < pos) continue;
        html += whole.mid(pos, s.at - pos).toHtmlEscaped();
        html += QStringLiteral("<span style=\"color:%1;%2\">%3</span>")
                    .arg(s.color.name(), s.bold ? QStringLiteral("font-weight:700;") : QString(),
                         whole.mid(s.at, s.length).toHtmlEscaped());
        pos = s.at + s.length;
    }
    html += whole.mid(pos).toHtmlEscaped();
    return html;
}

QLabel* caption(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(dashboard::font(13));
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, dashboard::color("TabText"));
    label->setPalette(p);
    return label;
}

QLabel* value(const char* name, QWidget* parent, int size = 14, QFont::Weight weight = QFont::Normal) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(dashboard::font(size, weight));
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, dashboard::color("HeadingText"));
    label->setPalette(p);
    return label;
}

}  // namespace

ConnectionComponentsModel::Collaborators ConnectionComponentsController::collaborators(
    ConnectButtonModel* connectButton, std::shared_ptr<ConnectionLocationModel> location) {
    auto c = ConnectionComponentsModel::defaults();
    QPointer<ConnectButtonModel> button(connectButton);
    c.connectToRecommendedServer = [button] {
        if (button) button->connectToRecommendedServer();
    };
    c.accountGate = [] { return BaseViewController().accountStatusCheck(); };
    c.location = std::move(location);
    return c;
}

ConnectionComponentsController::ConnectionComponentsController(QObject* parent)
    : ConnectionComponentsController(nullptr, parent) {}

ConnectionComponentsController::ConnectionComponentsController(ConnectionComponentsModel* model, QObject* parent)
    : ViewController(parent) {
    if (!model) {
        auto* button = new ConnectButtonModel(ConnectButtonModel::defaults(), this);
        button->delegate = this;
        model = new ConnectionComponentsModel(collaborators(button, nullptr));
    }
    model_ = model;
    model_->setParent(this);
}

ConnectionComponentsController::~ConnectionComponentsController() {
    observers_.clear();
    stateBinding_.cancel();
}

void ConnectionComponentsController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("ConnectionComponentsView"));
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(16);

    // The title with its shield.
    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(10);
    upperImgView_ = new QLabel(view);
    upperImgView_->setObjectName(QStringLiteral("upperImgView"));
    upperImgView_->setFixedSize(kShieldSide, kShieldSide);
    titleRow->addWidget(upperImgView_, 0, Qt::AlignTop);
    lblSubTitle_ = value("lblSubTitle", view, 22, QFont::DemiBold);
    lblSubTitle_->setAccessibleName(QStringLiteral("lbl_dashboard_description"));
    lblSubTitle_->setTextFormat(Qt::RichText);
    lblSubTitle_->setWordWrap(true);
    titleRow->addWidget(lblSubTitle_, 1);
    column->addLayout(titleRow);

    // The card: quick-connect (or connected) location, protocol, time, action.
    auto* card = new QWidget(view);
    card->setObjectName(QStringLiteral("quickConnectCard"));
    card->setAttribute(Qt::WA_StyledBackground);
    card->setStyleSheet(QStringLiteral("#quickConnectCard { background: %1; border: 1px solid %2; border-radius: 12px; }")
                            .arg(dashboard::color("BottomColor").name(), dashboard::color("Separator").name()));
    auto* inside = new QVBoxLayout(card);
    inside->setContentsMargins(20, 16, 20, 20);
    inside->setSpacing(8);

    fastestView_ = new QWidget(card);
    auto* captionRow = new QHBoxLayout(fastestView_);
    captionRow->setContentsMargins(0, 0, 0, 0);
    lblQuickConnect_ = caption("lblQuickConnect", fastestView_);
    lblVPNIp_ = caption("lblVPNIp", fastestView_);
    captionRow->addWidget(lblQuickConnect_);
    captionRow->addWidget(lblVPNIp_);
    captionRow->addStretch(1);
    inside->addWidget(fastestView_);

    auto* locationRow = new QHBoxLayout;
    locationRow->setSpacing(10);
    recommendedImgView_ = new QLabel(card);
    recommendedImgView_->setObjectName(QStringLiteral("recommendedImgView"));
    recommendedImgView_->setFixedSize(kFlagSide, kFlagSide);
    locationRow->addWidget(recommendedImgView_);
    recommendedName_ = value("recommendedName", card, 16, QFont::Medium);
    recommendedName_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    locationRow->addWidget(recommendedName_, 1);
    rightArrow_ = new QToolButton(card);
    rightArrow_->setObjectName(QStringLiteral("rightArrow"));
    rightArrow_->setAccessibleName(QStringLiteral("btn_show_locations"));
    rightArrow_->setAutoRaise(true);
    rightArrow_->setCursor(Qt::PointingHandCursor);
    rightArrow_->setIconSize(QSize(16, 16));
    rightArrow_->setIcon(QIcon(appkit::imageNamed("pull_details_arrow", QSize(16, 16)).transformed(QTransform().rotate(90))));
    locationRow->addWidget(rightArrow_);
    btnFav_ = new QToolButton(card);
    btnFav_->setObjectName(QStringLiteral("btnFav"));
    btnFav_->setAccessibleName(QStringLiteral("btn_favorite"));
    btnFav_->setAutoRaise(true);
    btnFav_->setCursor(Qt::PointingHandCursor);
    btnFav_->setIconSize(QSize(20, 20));
    locationRow->addWidget(btnFav_);
    inside->addLayout(locationRow);

    protocolView_ = new QWidget(card);
    auto* protocolRow = new QHBoxLayout(protocolView_);
    protocolRow->setContentsMargins(0, 4, 0, 0);
    lblProtocol_ = caption("lblProtocol", protocolView_);
    lblConnectedProtocol_ = value("lblConnectedProtocol", protocolView_, 13, QFont::Medium);
    protocolRow->addWidget(lblProtocol_);
    protocolRow->addStretch(1);
    protocolRow->addWidget(lblConnectedProtocol_);
    inside->addWidget(protocolView_);

    timeRow_ = new QWidget(card);
    auto* timeRow = new QHBoxLayout(timeRow_);
    timeRow->setContentsMargins(0, 0, 0, 0);
    lblConnectionTime_ = caption("lblConnectionTime", timeRow_);
    connectionTimer_ = value("connectionTimer", timeRow_, 13, QFont::Medium);
    QFont digits = connectionTimer_->font();
    digits.setLetterSpacing(QFont::AbsoluteSpacing, 1.6);
    digits.setStyleHint(QFont::Monospace);
    connectionTimer_->setFont(digits);
    timeRow->addWidget(lblConnectionTime_);
    timeRow->addStretch(1);
    timeRow->addWidget(connectionTimer_);
    inside->addWidget(timeRow_);

    bottomView_ = new QWidget(card);
    auto* bottom = new QHBoxLayout(bottomView_);
    bottom->setContentsMargins(0, 8, 0, 0);
    statusButton_ = new QPushButton(bottomView_);
    statusButton_->setObjectName(QStringLiteral("lblStatus"));
    statusButton_->setAccessibleName(QStringLiteral("btn_recommended_location"));
    statusButton_->setCursor(Qt::PointingHandCursor);
    statusButton_->setFixedHeight(30);
    statusButton_->setFont(dashboard::font(13, QFont::Medium));
    statusButton_->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none; border-radius: 8px;"
                                                " padding: 0 20px; }")
                                     .arg(dashboard::color("ThemeFill").name()));
    bottom->addWidget(statusButton_);
    bottom->addStretch(1);
    inside->addWidget(bottomView_);

    cancelView_ = new QWidget(card);
    auto* cancel = new QHBoxLayout(cancelView_);
    cancel->setContentsMargins(0, 8, 0, 0);
    cancelButton_ = new QPushButton(cancelView_);
    cancelButton_->setObjectName(QStringLiteral("lblCancelConnection"));
    cancelButton_->setAccessibleName(QStringLiteral("btn_cancel_connection"));
    cancelButton_->setCursor(Qt::PointingHandCursor);
    cancelButton_->setFixedHeight(30);
    cancelButton_->setFont(dashboard::font(13, QFont::Medium));
    cancelButton_->setStyleSheet(QStringLiteral("QPushButton { background: transparent; color: %1; border: 1px solid %2;"
                                                " border-radius: 8px; padding: 0 20px; }")
                                     .arg(dashboard::color("ThemeColor").name(), dashboard::color("Separator").name()));
    cancel->addWidget(cancelButton_);
    cancel->addStretch(1);
    inside->addWidget(cancelView_);
    column->addWidget(card);

    // The location being dialled or connected to.
    recentlyConnectedView_ = new QWidget(view);
    recentlyConnectedView_->setObjectName(QStringLiteral("recentlyConnectedView"));
    auto* recent = new QHBoxLayout(recentlyConnectedView_);
    recent->setContentsMargins(4, 0, 0, 0);
    recent->setSpacing(10);
    recentlyConnectedImgView_ = new QLabel(recentlyConnectedView_);
    recentlyConnectedImgView_->setFixedSize(kFlagSide, kFlagSide);
    recent->addWidget(recentlyConnectedImgView_);
    recentlyConnectedName_ = value("recentlyConnectedName", recentlyConnectedView_, 14);
    recentlyConnectedName_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    recent->addWidget(recentlyConnectedName_, 1);
    recentlyConnectedBtn_ = new QPushButton(recentlyConnectedView_);
    recentlyConnectedBtn_->setObjectName(QStringLiteral("recentlyConnectedBtn"));
    recentlyConnectedBtn_->setAccessibleName(QStringLiteral("btn_recently_connected"));
    recentlyConnectedBtn_->setFlat(true);
    recentlyConnectedBtn_->setFixedSize(0, 0);
    recent->addWidget(recentlyConnectedBtn_);
    column->addWidget(recentlyConnectedView_);
    column->addStretch(1);
    setView(view);
}

void ConnectionComponentsController::viewDidLoad() {
    ViewController::viewDidLoad();
    auto on = [this](std::string_view name, std::function<void(const Notification&)> block) {
        observers_.push_back(dashboard::observeOnMainThread(name, this, std::move(block)));
    };
    on(ZevuTypes::stateNotification, [this](const Notification& n) {
        if (const auto* info = n.objectAs<ZevuTypes::ConnectionInfo>()) model_->zevuStateDidChange(*info, n.userInfo);
    });
    on(ZevuTypes::connectionRequestedNotification, [this](const Notification& n) {
        const auto* server = n.objectAs<ConnectionComponentsModel::ServerPtr>();
        model_->connectionRequested(server ? *server : nullptr);
    });
    on("NetworkReachabilityChangedNotification", [this](const Notification& n) {
        const auto* info = n.objectAs<UserInfo>();
        if (!info) return;
        const auto it = info->find("reachable");
        if (it == info->end()) return;
        if (const auto* reachable = std::any_cast<bool>(&it->second)) model_->networkReachabilityChanged(*reachable);
    });
    on("UserPreferences.LoggedInChanged", [this](const Notification& n) {
        if (const auto* loggedIn = n.objectAs<bool>()) model_->loginChanged(*loggedIn);
    });
    on("VPNAccountDidChangeNotification", [this](const Notification&) { model_->accountSwitched(); });
    on(ZevuTypes::fetchIPNotification, [this](const Notification& n) {
        const auto* ip = ZevuTypes::fetchIPAddress.in(n);
        model_->fetchIP(ip ? std::optional<std::string>(*ip) : std::nullopt);
    });
    on("ThemeDidChangeNotification", [this](const Notification&) { applyBorderColors(); });

    connect(statusButton_, &QPushButton::clicked, this, [this] { model_->recommendedLocationClicked(); });
    connect(cancelButton_, &QPushButton::clicked, this, [this] { model_->recommendedLocationClicked(); });
    connect(btnFav_, &QToolButton::clicked, this, [this] { model_->favoriteClicked(); });
    connect(rightArrow_, &QToolButton::clicked, this, [this] { model_->showLocationScreen(); });
    // The counter is redone only while it can be seen. Its row shows and hides while the panel
    // renders a state, so the model hears of it once that is over.
    new appkit::OnScreenWatch(connectionTimer_, [this](bool onScreen) {
        QMetaObject::invokeMethod(this, [this, onScreen] { model_->setCounterShown(onScreen); }, Qt::QueuedConnection);
    });
    stateBinding_ = appkit::bindProperty<ConnectionComponentsModel::PanelState>(
        model_->state, [this](const ConnectionComponentsModel::PanelState& s) { render(s); });
}

void ConnectionComponentsController::viewWillAppear() {
    ViewController::viewWillAppear();
    lblQuickConnect_->setText(QString::fromStdString(localized("quick.connect")));
    lblProtocol_->setText(QString::fromStdString(localized("connected.protocol")));
    lblVPNIp_->setText(QString::fromStdString(localized("vpn.ip")));
    cancelButton_->setText(QString::fromStdString(localized("cancel.connection")));
    lblConnectionTime_->setText(QString::fromStdString(localized("connection.time")));
    model_->viewWillAppear();
    render(model_->state.value());
}

void ConnectionComponentsController::applyBorderColors() {
    // The look changed: every image is drawn again.
    rendered_ = false;
    render(model_->state.value());
}

void ConnectionComponentsController::render(const ConnectionComponentsModel::PanelState& s) {
    if (!lblSubTitle_) return;
    // Images are set only when they change: setting one repaints it, and the counter's state
    // changes every second while the tunnel is up.
    const QColor border = dashboard::flagBorderColor();
    const bool all = !rendered_ || border != renderedBorder_;
    lblSubTitle_->setText(titleText(s.title));
    if (all || s.title != shown_.title)
        upperImgView_->setPixmap(appkit::imageNamed(titleFor(s.title).shield, QSize(kShieldSide, kShieldSide)));
    if (all || s.quickConnectFlag != shown_.quickConnectFlag)
        recommendedImgView_->setPixmap(dashboard::roundFlag(s.quickConnectFlag, kFlagSide, border));
    // A long name is shortened with "…" rather than cut, and the whole stands in the tool tip. When
    // the name carries the connected address ("Country - address"), the country gives way first:
    // the address is what the user reads the card for.
    const QString name = QString::fromStdString(s.quickConnectName);
    const int room = recommendedName_->contentsRect().width();
    const QFontMetrics metrics = recommendedName_->fontMetrics();
    QString shown = name;
    if (room > 0 && metrics.horizontalAdvance(name) > room) {
        const qsizetype dash = name.lastIndexOf(QStringLiteral(" - "));
        const QString tail = dash >= 0 ? name.mid(dash) : QString();
        const int headRoom = room - metrics.horizontalAdvance(tail);
        shown = dash >= 0 && headRoom > metrics.horizontalAdvance(QStringLiteral("W…"))
                    ? metrics.elidedText(name.left(dash), Qt::ElideRight, headRoom) + tail
                    : metrics.elidedText(name, Qt::ElideRight, room);
    }
    recommendedName_->setText(shown);
    recommendedName_->setToolTip(name);
    rightArrow_->setVisible(s.arrowVisible);
    lblQuickConnect_->setVisible(s.fastestVisible);
    lblVPNIp_->setVisible(s.ipRowVisible);
    fastestView_->setVisible(s.fastestVisible || s.ipRowVisible);
    if (all || s.favoriteImage != shown_.favoriteImage) btnFav_->setIcon(appkit::imageNamed(s.favoriteImage));
    protocolView_->setVisible(s.protocolVisible);
    lblConnectedProtocol_->setText(QString::fromStdString(s.protocolText));
    timeRow_->setVisible(s.counterVisible);
    connectionTimer_->setText(QString::fromStdString(s.counterText));
    bottomView_->setVisible(s.bottomVisible);
    statusButton_->setText(s.statusKey.empty() ? QString() : QString::fromStdString(localized(s.statusKey)));
    cancelView_->setVisible(s.cancelVisible);
    recentlyConnectedView_->setVisible(s.recentlyConnectedVisible);
    recentlyConnectedBtn_->setEnabled(s.recentlyConnectedEnabled);
    recentlyConnectedName_->setText(QString::fromStdString(s.recentlyConnectedName));
    if (all || s.recentlyConnectedFlag != shown_.recentlyConnectedFlag)
        recentlyConnectedImgView_->setPixmap(dashboard::roundFlag(s.recentlyConnectedFlag, kFlagSide, border));
    shown_ = s;
    rendered_ = true;
    renderedBorder_ = border;
}

}  // namespace morvex
