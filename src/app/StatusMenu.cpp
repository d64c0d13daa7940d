#include "app/StatusMenu.h"

#include <QThread>
#include <QVBoxLayout>
#include <QPushButton>

#include "alerts/BaseViewController.h"
#include "appkit/Application.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "state/AppManager.h"
#include "flows/MorvexVPNService.h"

namespace morvex {

StatusMenuController::StatusMenuController(QObject* parent) : ViewController(parent), model(MorvexVPNService::makeZevu()) {}

void StatusMenuController::loadView() {
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    auto* toggle = new QPushButton(view);
    toggle->setObjectName(QStringLiteral("toggleConnection"));
    auto title = [toggle](ZevuConnectionState state) {
        const bool up = state == ZevuConnectionState::Connected || state == ZevuConnectionState::Connecting;
        toggle->setText(QString::fromStdString(localized(up ? "status.menu.disconnect" : "status.menu.connect")));
    };
    title(model.vpnStatus.value());
    auto subscription = std::make_shared<appkit::Subscription>(model.vpnStatus.observe(title));
    connect(toggle, &QObject::destroyed, toggle, [subscription] { subscription->cancel(); });
    connect(toggle, &QPushButton::clicked, this, [this] { toggleConnection(); });
    layout->addWidget(toggle);
    setView(view);
}

namespace {

ZevuTypes::ConnectVia connectViaFor(ZevuDataFetcherTypes::ServerType type) {
    using T = ZevuDataFetcherTypes::ServerType;
    using V = ZevuTypes::ConnectVia;
    switch (type) {
        case T::Country: return V::Country;
        case T::City: return V::City;
        case T::FastestServer: return V::SmartConnect;
        case T::DedicatedIp: return V::DedicatedIp;
        case T::Shortcut: return V::Shortcut;
    }
    return V::SmartConnect;
}

}  // namespace

StatusMenu::StatusMenu(AppPreferences appPreferences, Zevu zevu, QObject* parent)
    : StatusMenu(std::move(appPreferences), std::move(zevu), Hooks{}, parent) {}

StatusMenu::StatusMenu(AppPreferences appPreferences, Zevu zevuIn, Hooks hooks, QObject* parent)
    : QObject(parent),
      zevu(std::move(zevuIn)),
      appPreferences(std::move(appPreferences)),
      hooks_(std::move(hooks)),
      statusItem_(std::make_unique<appkit::StatusItem>()),
      popoverController_(std::make_unique<StatusMenuController>()) {
    if (!hooks_.connect) hooks_.connect = zevu.connectToLocationHook();
    if (!hooks_.fetchRecommended) hooks_.fetchRecommended = [] { MorvexVPNService::makeZevu().updateRecommendedLocation(); };
    if (!hooks_.accountStatusCheck) hooks_.accountStatusCheck = [] { return BaseViewController().accountStatusCheck(); };

    statusItem_->setImage(status_menu::kDisconnectedIcon);
    statusItem_->setToolTip("MorvexVPN");
    statusItem_->setClickHandler([this] { statusMenuClicked(); });
    statusItem_->setVisible(true);
    stateObserver_ = NotificationCenter::defaultCenter().addObserver(
        ZevuTypes::stateNotification, [this](const Notification& n) { zevuStateDidChanged(n); });
}

StatusMenu::~StatusMenu() = default;

std::vector<appkit::MenuItem> StatusMenu::menuItems() const {
    std::vector<appkit::MenuItem> items;
    for (const auto& entry : status_menu::entries(AlertServices::installed().vpn->getCurrentVPNStatus()))
        items.push_back({Bundle::main().localizedString(entry.titleKey, entry.defaultTitle), std::string(entry.keyEquivalent)});
    return items;
}

void StatusMenu::statusMenuClicked() {
    shownEntries_ = status_menu::entries(AlertServices::installed().vpn->getCurrentVPNStatus());
    statusItem_->popUpMenu(menuItems(), [this](std::size_t index) {
        if (index < shownEntries_.size()) perform(shownEntries_[index].action);
    });
}

void StatusMenu::perform(status_menu::Action action) {
    switch (action) {
        case status_menu::Action::ToggleConnect: toggleConnect(); break;
        case status_menu::Action::Open: makeAppVisible(); break;
        case status_menu::Action::Quit: quitApp(); break;
    }
}

void StatusMenu::toggleConnect() {
    const AlertServices services = AlertServices::installed();
    const int status = services.vpn->getCurrentVPNStatus();
    if (status_menu::isConnectedOrConnecting(status)) {
        if (status == status_menu::kConnectingStatus) services.vpn->cancelVPN();
        else services.vpn->disconnectVPN();
        if (services.appManager) services.appManager->lastVPNStateConnected = false;
        return;
    }
    if (!hooks_.accountStatusCheck()) return;
    auto server = appPreferences.recommendedServer();
    if (!server) {
        hooks_.fetchRecommended();
        return;
    }
    ConnectRequest request;
    request.server = server;
    request.connectVia = connectViaFor(server->type);
    request.selectedInterfaceScreen = ZevuTypes::SelectedInterfaceScreen::Topbar;
    request.connectionInitiatedBy = ZevuTypes::ConnectionInitiatedBy::User;
    request.selectedInterface = ZevuTypes::SelectedInterface::Recommended;
    request.allowProtocolFallback = false;
    request.checkBusy = true;
    hooks_.connect(request, {});
}

void StatusMenu::zevuStateDidChanged(const Notification& notification) {
    if (QThread::currentThread() == thread()) {
        applyIcon(notification.object);
        return;
    }
    QMetaObject::invokeMethod(this, [this, object = notification.object] { applyIcon(object); }, Qt::QueuedConnection);
}

void StatusMenu::applyIcon(const std::any& object) {
    if (auto icon = status_menu::iconFor(object)) statusItem_->setImage(*icon);
}

void StatusMenu::makeAppVisible() {
    auto& app = appkit::Application::shared();
    if (appPreferences.defaults().boolean(AppPreferences::Key::hideFromDock))
        app.setActivationPolicy(appkit::ActivationPolicy::Regular);
    if (auto* window = app.firstWindow(); window && window->isMiniaturized()) window->deminiaturize();
    if (auto* window = app.firstWindow()) window->show();
    app.activate(true);
}

void StatusMenu::quitApp() {
    makeAppVisible();
    appkit::Application::shared().terminate();
}

void StatusMenu::showPreferences() { NotificationCenter::defaultCenter().post(kAppShowControllerNotification, MainTab::Prefences); }
void StatusMenu::showProfile() { NotificationCenter::defaultCenter().post(kAppShowControllerNotification, MainTab::Profile); }

void StatusMenu::showFAQ() {
    NotificationCenter::defaultCenter().post(kShowFAQNotification, true);
    NotificationCenter::defaultCenter().post(kAppShowControllerNotification, MainTab::Support1);
}

void StatusMenu::showSupportTicket() {
    NotificationCenter::defaultCenter().post(kShowFAQNotification, false);
    NotificationCenter::defaultCenter().post(kAppShowControllerNotification, MainTab::Support1);
}

void StatusMenu::showLiveChat() { AlertServices::installed().openURL(status_menu::liveChatURL()); }
void StatusMenu::showPrivacyAndPolicy() { AlertServices::installed().openURL(status_menu::privacyPolicyURL()); }
void StatusMenu::showTermsAndCondition() { AlertServices::installed().openURL(status_menu::termsURL()); }
void StatusMenu::logoutAction() { AlertServices::installed().logout(); }

}  // namespace morvex
