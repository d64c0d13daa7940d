#include "ui/dashboard/DashboardPanes.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "alerts/Alert.h"
#include "alerts/BaseViewController.h"
#include "viewmodels/MainTab.h"
#include "foundation/Bundle.h"
#include "state/AppPreferences.h"
#include "ui/kit/DashboardStyle.h"
#include "viewmodels/DashboardText.h"
#include "viewmodels/MainThreadObserver.h"
#include "ui/kit/ConnectionNotification.h"
#include "ui/kit/CustomButtons.h"
#include "ui/kit/Transformers.h"
#include "ui/shell/PageInputs.h"
#include "ui/shell/Router.h"
#include "vpn/AppError.h"
#include "flows/MorvexVPNService.h"
#include "zevu/ZevuCore.h"

namespace morvex {

namespace {

constexpr int kFlagSide = 24;

bool defaultGate() { return BaseViewController().accountStatusCheck(); }

QLabel* text(const char* name, QWidget* parent, int size, QFont::Weight weight, std::string_view colour) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(dashboard::font(size, weight));
    // The colour goes in a style sheet: inside a tile (a button with a style sheet of its own) Qt
    // takes a label's palette from the application's, so the dark look's light text would show
    // on the main window's light cards.
    label->setStyleSheet(QStringLiteral("color: %1;").arg(dashboard::color(colour).name(QColor::HexArgb)));
    return label;
}

// A tile of the bottom pane: a rounded card that is one button.
QPushButton* tileButton(const char* name, QWidget* parent) {
    auto* tile = new QPushButton(parent);
    tile->setObjectName(QString::fromLatin1(name));
    tile->setCursor(Qt::PointingHandCursor);
    tile->setFlat(true);
    tile->setMinimumHeight(56);
    tile->setStyleSheet(QStringLiteral("QPushButton#%1 { background: %2; border: 1px solid %3; border-radius: 12px; }"
                                       "QPushButton#%1:hover { border-color: %4; }")
                            .arg(QString::fromLatin1(name), dashboard::color("BottomColor").name(),
                                 dashboard::color("Separator").name(), dashboard::color("ThemeColor").name()));
    return tile;
}

const ZevuTypes::ConnectionInfo* infoOf(const Notification& n) { return n.objectAs<ZevuTypes::ConnectionInfo>(); }

}  // namespace

// ---- ConnectionStateViewController ----

ConnectionStateViewController::ConnectionStateViewController(appkit::ViewController* connection,
                                                             appkit::ViewController* troubleshoot,
                                                             appkit::UserNotificationCenter* notifications, QObject* parent)
    : ViewController(parent), connection_(connection), troubleshoot_(troubleshoot), notifications_(notifications) {
    if (connection_) connection_->setParent(this);
    if (troubleshoot_) troubleshoot_->setParent(this);
}

ConnectionStateViewController::~ConnectionStateViewController() { observers_.clear(); }

void ConnectionStateViewController::loadView() {
    stack_ = new QStackedWidget;
    stack_->setObjectName(QStringLiteral("ConnectionStateView"));
    stack_->addWidget(connection_ ? connection_->view() : new QWidget);
    stack_->addWidget(troubleshoot_ ? troubleshoot_->view() : new QWidget);
    setView(stack_);
}

int ConnectionStateViewController::selectedTabViewItemIndex() const { return stack_ ? stack_->currentIndex() : 0; }

void ConnectionStateViewController::setSelectedTabViewItemIndex(int index) {
    view();
    if (index < 0 || index >= stack_->count() || index == stack_->currentIndex()) return;
    // The pages hear that they leave and come, as the pages of a tab view do: the troubleshooting
    // page checks the account when it comes.
    appkit::ViewController* pages[] = {connection_.data(), troubleshoot_.data()};
    appkit::ViewController* leaving = pages[stack_->currentIndex()];
    appkit::ViewController* coming = pages[index];
    if (leaving) leaving->viewWillDisappear();
    if (coming) coming->viewWillAppear();
    stack_->setCurrentIndex(index);
    if (leaving) leaving->viewDidDisappear();
    if (coming) coming->viewDidAppear();
}

void ConnectionStateViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    observers_.push_back(dashboard::observeOnMainThread(ZevuTypes::stateNotification, this, [this](const Notification& n) {
        const auto* info = infoOf(n);
        if (!info) return;
        const auto reaction = model_.reactTo(*info);
        if (reaction.page) setSelectedTabViewItemIndex(static_cast<int>(*reaction.page));
        if (reaction.notification) {
            appkit::UserNotificationCenter& centre = notifications_ ? *notifications_ : appkit::UserNotificationCenter::current();
            postConnectionNotification(centre, *reaction.notification);
        }
    }));
    observers_.push_back(dashboard::observeOnMainThread(requestTroubleshootNotification, this, [this](const Notification& n) {
        utcProperties_.reset();
        std::optional<AppError> error;
        // The connection panel sends its request as a UserInfo (the error is an AppError value);
        // a plain Dictionary carries the properties alone.
        if (const auto* request = n.objectAs<UserInfo>()) {
            if (auto it = request->find("utcProperties"); it != request->end())
                if (const auto* properties = std::any_cast<Dictionary>(&it->second)) utcProperties_ = *properties;
            if (auto it = request->find("error"); it != request->end()) {
                if (const auto* value = std::any_cast<AppError>(&it->second)) error = *value;
                else if (const auto* shared = std::any_cast<std::shared_ptr<const AppError>>(&it->second); shared && *shared)
                    error = **shared;
            }
        } else if (const auto* object = n.objectAs<Dictionary>()) {
            if (auto it = object->find("utcProperties"); it != object->end())
                if (const auto* properties = it->second.get<Dictionary>()) utcProperties_ = *properties;
        }
        constexpr int troubleshootPage = static_cast<int>(ConnectionStateModel::Page::Troubleshoot);
        auto* input = router::inputOf<TroubleshootInput>(troubleshoot_.data());
        if (input) {
            input->setUtcProperties(utcProperties_);
            input->setError(std::move(error));
        }
        // A request while the page is up is for another attempt: the page looks again, as if it
        // came anew (for the same connection it keeps what it shows).
        if (input && selectedTabViewItemIndex() == troubleshootPage) troubleshoot_->viewWillAppear();
        else setSelectedTabViewItemIndex(troubleshootPage);
    }));
    observers_.push_back(dashboard::observeOnMainThread(dismissTroubleshootNotification, this, [this](const Notification&) {
        setSelectedTabViewItemIndex(static_cast<int>(ConnectionStateModel::Page::Connection));
    }));
    observers_.push_back(dashboard::observeOnMainThread(passwordChangedNotification, this, [](const Notification& n) {
        const auto* changed = n.objectAs<bool>();
        if (!changed || !*changed) return;
        Alert().showPasswordChanged(AppScreen::Dashboard, MorvexVPNService::makeEventTracker());
    }));
}

// ---- DashboardRecentController ----

DashboardRecentController::DashboardRecentController(DashboardRecentModel::Collaborators c, QObject* parent)
    : ViewController(parent), accountGate(defaultGate), model_(std::move(c)) {}

DashboardRecentController::~DashboardRecentController() { observers_.clear(); }

void DashboardRecentController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("DashboardRecentView"));
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    auto* caption = text("lblRecentCaption", view, 12, QFont::Normal, "TabText");
    caption->setText(QString::fromStdString(localized("dashboard.recent.title")));
    column->addWidget(caption);
    tile_ = tileButton("recentTile", view);
    tile_->setAccessibleName(QStringLiteral("btn_recent_location"));
    auto* inside = new QVBoxLayout(tile_);
    inside->setContentsMargins(0, 0, 0, 0);
    cell_ = new RecentsCellView(tile_);
    inside->addWidget(cell_);
    column->addWidget(tile_);
    connect(tile_, &QPushButton::clicked, this, [this] { recentClicked(); });
    setView(view);
}

void DashboardRecentController::viewDidLoad() {
    ViewController::viewDidLoad();
    observers_.push_back(dashboard::observeOnMainThread(PreservedPreferences::preferencesRefreshedNotification, this,
                                                        [this](const Notification&) { recent_ = model_.firstRecent(); }));
}

void DashboardRecentController::viewWillAppear() {
    ViewController::viewWillAppear();
    show(model_.firstRecent());
}

void DashboardRecentController::show(const ZevuDataFetcherTypes::ServerPtr& server) {
    recent_ = server;
    view();
    cell_->configure(server);
}

void DashboardRecentController::recentClicked() {
    if (accountGate && !accountGate()) return;
    if (!recent_) return;
    model_.dial(recent_);
}

// ---- DashboardFirstController ----

DashboardFirstController::DashboardFirstController(DashboardRecentModel::Collaborators c, QObject* parent)
    : ViewController(parent), accountGate(defaultGate), model_(std::move(c)) {
    updateRecommendedLocation = [] { MorvexVPNService::makeZevu().updateRecommendedLocation(); };
}

DashboardFirstController::~DashboardFirstController() { observers_.clear(); }

void DashboardFirstController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("DashboardFirstView"));
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    auto* caption = text("lblRecommendedCaption", view, 12, QFont::Normal, "TabText");
    caption->setText(QString::fromStdString(localized("general.recommendedlocation.title")));
    column->addWidget(caption);
    tile_ = tileButton("recommendedTile", view);
    tile_->setAccessibleName(QStringLiteral("btn_recommended_location"));
    auto* row = new QHBoxLayout(tile_);
    row->setContentsMargins(16, 8, 16, 8);
    row->setSpacing(10);
    countryImgView_ = new QLabel(tile_);
    countryImgView_->setFixedSize(kFlagSide, kFlagSide);
    countryImgView_->setAttribute(Qt::WA_TransparentForMouseEvents);
    lblName_ = text("lblName", tile_, 14, QFont::Medium, "HeadingText");
    lblName_->setAttribute(Qt::WA_TransparentForMouseEvents);
    lblName_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    row->addWidget(countryImgView_);
    row->addWidget(lblName_, 1);
    column->addWidget(tile_);
    connect(tile_, &QPushButton::clicked, this, [this] { recommendedClicked(); });
    setView(view);
}

void DashboardFirstController::viewDidLoad() {
    ViewController::viewDidLoad();
    observers_.push_back(dashboard::observeOnMainThread(PreservedPreferences::preferencesRefreshedNotification, this,
                                                        [this](const Notification&) { reload(); }));
    observers_.push_back(dashboard::observeOnMainThread(ZevuTypes::recommendedServerUpdatedNotification, this,
                                                        [this](const Notification&) { reload(); }));
}

void DashboardFirstController::viewWillAppear() {
    ViewController::viewWillAppear();
    if (updateRecommendedLocation) updateRecommendedLocation();
    reload();
}

void DashboardFirstController::reload() {
    recommended_ = AppPreferences().recommendedServer();
    view();
    countryImgView_->clear();
    if (recommended_)
        countryImgView_->setPixmap(dashboard::roundFlag(dashboard::flagImageName(recommended_->code), kFlagSide,
                                                        dashboard::flagBorderColor()));
    lblName_->setText(recommended_ ? QString::fromStdString(dashboard::locationDisplayName(*recommended_))
                                   : QString::fromStdString(localized("recommended")));
}

void DashboardFirstController::recommendedClicked() {
    if (accountGate && !accountGate()) return;
    recommended_ = AppPreferences().recommendedServer();
    if (recommended_) model_.connect(recommended_);
}

// ---- DashboardCancelController ----

DashboardCancelController::DashboardCancelController(DashboardCancelModel::Collaborators c, QObject* parent)
    : ViewController(parent), model_(std::move(c)) {}

void DashboardCancelController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("DashboardCancelView"));
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(0, 0, 0, 0);
    button_ = new CustomButton(view);
    button_->setObjectName(QStringLiteral("cancelConnectionButton"));
    button_->setAccessibleName(QStringLiteral("btn_cancel_connection"));
    button_->setText(QString::fromStdString(localized("dashboard.cancel.connection")));
    button_->setBackgroundColor(ThemedColor::colorNamed("ThemeColor", QColor(0x2F, 0x80, 0xED)));
    button_->setRoundCorners(true);
    button_->setMinimumHeight(44);
    button_->setFont(dashboard::font(14, QFont::Medium));
    QPalette palette = button_->palette();
    palette.setColor(QPalette::ButtonText, Qt::white);
    button_->setPalette(palette);
    button_->setCursor(Qt::PointingHandCursor);
    column->addWidget(button_);
    connect(button_, &QPushButton::clicked, this, [this] { cancelConnectionClicked(); });
    setView(view);
}

void DashboardCancelController::cancelConnectionClicked() {
    QPointer<CustomButton> button(button_);
    model_.cancelConnectionClicked([button](bool enabled) {
        if (button) button->setEnabled(enabled);
    });
}

// ---- ConnectionBottomController ----

ConnectionBottomController::ConnectionBottomController(Factory factory, std::shared_ptr<VPNControl> vpn, QObject* parent)
    : ViewController(parent), factory_(std::move(factory)), vpn_(std::move(vpn)) {
    if (!factory_) {
        factory_ = [](Component c) -> appkit::ViewController* {
            switch (c) {
            case Component::segueDashboardFirst: return new DashboardFirstController();
            case Component::segueRecent: return new DashboardRecentController();
            case Component::segueCancel: return new DashboardCancelController();
            case Component::None: return nullptr;
            }
            return nullptr;
        };
    }
}

ConnectionBottomController::~ConnectionBottomController() { observers_.clear(); }

int ConnectionBottomController::sdkStatus() const {
    if (vpn_) return vpn_->getCurrentVPNStatus();
    if (auto installed = AlertServices::installed().vpn) return installed->getCurrentVPNStatus();
    return zevu::ZevuManager::sharedInstance()->getCurrentVPNStatus();
}

int ConnectionBottomController::performed(Component c) const {
    auto it = performed_.find(c);
    return it == performed_.end() ? 0 : it->second;
}

void ConnectionBottomController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("ConnectionBottomView"));
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(0, 0, 0, 0);
    setView(view);
}

void ConnectionBottomController::viewDidLoad() {
    ViewController::viewDidLoad();
    observers_.push_back(dashboard::observeOnMainThread(PreservedPreferences::preferencesRefreshedNotification, this,
                                                        [this](const Notification&) { show(Component::segueDashboardFirst); }));
    observers_.push_back(dashboard::observeOnMainThread(ZevuTypes::stateNotification, this, [this](const Notification& n) {
        const auto* info = infoOf(n);
        if (!info) return;
        if (const auto c = model_.componentForReport(*info)) show(*c);
    }));
    observers_.push_back(dashboard::observeOnMainThread(ZevuTypes::sdkInitializedNotification, this, [this](const Notification&) {
        if (sdkStatus() == zevu::rawValue(zevu::ZevuVPNState::Connected)) show(Component::None);
    }));
    show(model_.componentForStatus(sdkStatus()));
}

void ConnectionBottomController::show(Component component) {
    model_.segueToPerform = component;
    QWidget* pane = view();
    // One component at a time: the one shown goes before the next one comes.
    if (shown_) {
        shown_->view()->hide();
        shown_->deleteLater();
        shown_ = nullptr;
    }
    if (component == Component::None) return;
    appkit::ViewController* next = factory_ ? factory_(component) : nullptr;
    if (!next) return;
    next->setParent(this);
    shown_ = next;
    ++performed_[component];
    pane->layout()->addWidget(next->view());
    next->viewWillAppear();
    next->view()->show();
}

// ---- ReferAFriendMessageController ----

ReferAFriendMessageController::ReferAFriendMessageController(EventTracker tracker, QObject* parent)
    : ViewController(parent), model_(std::move(tracker)) {}

ReferAFriendMessageController::ReferAFriendMessageController(QObject* parent)
    : ReferAFriendMessageController(MorvexVPNService::makeEventTracker(), parent) {}

ReferAFriendMessageController::~ReferAFriendMessageController() { observers_.clear(); }

namespace {
// The invitation with its call to action drawn as a link would be.
class BannerLabel : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> clicked;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        QLabel::mouseReleaseEvent(event);
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && clicked) clicked();
    }
};
}  // namespace

void ReferAFriendMessageController::loadView() {
    auto* label = new BannerLabel;
    label->setObjectName(QStringLiteral("referAFriendMessage"));
    label->setAccessibleName(QStringLiteral("btn_refer_a_friend_banner"));
    label->setAlignment(Qt::AlignCenter);
    label->setTextFormat(Qt::RichText);
    label->setCursor(Qt::PointingHandCursor);
    label->setFont(dashboard::font(13));
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, dashboard::color("HeadingText"));
    label->setPalette(p);
    label->clicked = [this] { messageClicked(); };
    label_ = label;
    setView(label);
}

void ReferAFriendMessageController::viewDidLoad() {
    ViewController::viewDidLoad();
    const auto& rgb = ReferAFriendMessageModel::kCallToActionRGB;
    const QColor cta = QColor::fromRgbF(float(rgb[0]), float(rgb[1]), float(rgb[2]));
    label_->setText(QStringLiteral("%1 <span style=\"color:%2;\">%3</span>")
                        .arg(QString::fromStdString(localized("dashboard.refer.a.friend.message")).toHtmlEscaped(), cta.name(),
                             QString::fromStdString(model_.buttonText()).toHtmlEscaped()));
    observers_.push_back(dashboard::observeOnMainThread(connectionDetailOpenNotification, this, [this](const Notification& n) {
        const auto* open = n.objectAs<bool>();
        if (!open) return;
        model_.applyDetailOpen(*open);
        applyHide();
    }));
    observers_.push_back(dashboard::observeOnMainThread(ZevuTypes::stateNotification, this, [this](const Notification& n) {
        const auto* info = infoOf(n);
        if (!info) return;
        model_.applyState(info->state);
        applyHide();
    }));
    applyHide();
}

void ReferAFriendMessageController::applyHide() {
    if (label_) label_->setVisible(!model_.hide);
}

void ReferAFriendMessageController::viewWillAppear() {
    ViewController::viewWillAppear();
    model_.viewWillAppear();
}

void ReferAFriendMessageController::messageClicked() {
    model_.messageClicked();
    router::showTab(MainTab::ReferFriend);
}

}  // namespace morvex
