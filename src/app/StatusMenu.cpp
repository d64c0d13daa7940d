#include "app/StatusMenu.h"

#include <QThread>
#include <QVBoxLayout>
#include <QPushButton>

#include "alerts/BaseViewController.h"
#include "app/StatusMenuOptionsHandler.h"
#include "appkit/Application.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "state/AppManager.h"
#include "flows/MorvexVPNService.h"
#include "state/User.h"
#include "ui/shell/Router.h"

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
    if (!hooks_.checkForUpdate)
        hooks_.checkForUpdate = [] { if (auto* options = StatusMenuOptionsHandler::installed()) options->checkForUpdate(); };
    if (!hooks_.contactSupport) hooks_.contactSupport = [] {
        if (auto* options = StatusMenuOptionsHandler::installed()) options->contactSupport();
        else AlertServices::installed().openURL(status_menu::supportURL(AppPreferences()));
    };
    if (!hooks_.showAbout) hooks_.showAbout = [] { router::presentAsWindow("MainViewController"); };
    if (!hooks_.loggedIn) hooks_.loggedIn = [] { return User().loggedIn(); };

    statusItem_->setImage(status_menu::kDisconnectedIcon);
    statusItem_->setToolTip("MorvexVPN");
    statusItem_->setClickHandler([this] { statusMenuClicked(); });
    statusItem_->setMenuProvider([this] {
        shownApplicationEntries_ = applicationMenuEntries();
        return applicationMenuItems();
    }, [this](std::size_t index) {
        if (index < shownApplicationEntries_.size()) perform(shownApplicationEntries_[index].action);
    });
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

std::vector<status_menu::Entry> StatusMenu::applicationMenuEntries() const {
    return status_menu::applicationMenuEntries(AlertServices::installed().vpn->getCurrentVPNStatus(), hooks_.loggedIn());
}

std::vector<appkit::MenuItem> StatusMenu::applicationMenuItems() const {
    std::vector<appkit::MenuItem> items;
    for (const auto& entry : applicationMenuEntries()) {
        if (entry.separator()) {
            items.push_back({"", "", true, true});
            continue;
        }
        std::string title = Bundle::main().localizedString(entry.titleKey, entry.defaultTitle);
        items.push_back({std::move(title), std::string(entry.keyEquivalent)});
    }
    return items;
}

void StatusMenu::popUpApplicationMenu(const QPoint& at) {
    shownApplicationEntries_ = applicationMenuEntries();
    auto* menu = new QMenu;
    menu->setObjectName(QStringLiteral("applicationMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose, true);
    const auto items = applicationMenuItems();
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].separator) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromStdString(items[i].title));
        action->setObjectName(QString::fromLatin1(shownApplicationEntries_[i].titleKey.data(),
                                                  qsizetype(shownApplicationEntries_[i].titleKey.size())));
        // Queued: the action runs once the menu has gone, so a page or sheet it opens is not
        // covered or closed by the menu's own ending.
        connect(action, &QAction::triggered, this, [this, chosen = shownApplicationEntries_[i].action] {
            QMetaObject::invokeMethod(this, [this, chosen] { perform(chosen); }, Qt::QueuedConnection);
        });
    }
    openApplicationMenu_ = menu;
    // Upwards from the point: the menu button sits low in the window.
    menu->popup(at - QPoint(0, menu->sizeHint().height()));
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
        case status_menu::Action::Preferences: makeAppVisible(); showPreferences(); break;
        case status_menu::Action::Profile: makeAppVisible(); showProfile(); break;
        case status_menu::Action::FAQ: makeAppVisible(); showFAQ(); break;
        case status_menu::Action::SupportTicket: makeAppVisible(); showSupportTicket(); break;
        case status_menu::Action::LiveChat: showLiveChat(); break;
        case status_menu::Action::PrivacyPolicy: showPrivacyAndPolicy(); break;
        case status_menu::Action::Terms: showTermsAndCondition(); break;
        case status_menu::Action::CheckForUpdate: makeAppVisible(); hooks_.checkForUpdate(); break;
        case status_menu::Action::ContactSupport: hooks_.contactSupport(); break;
        case status_menu::Action::About: showAbout(); break;
        case status_menu::Action::LogOut: makeAppVisible(); logoutAction(); break;
        case status_menu::Action::Separator: break;
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
    connectToRecommendedLocation(appPreferences, ZevuTypes::SelectedInterfaceScreen::Topbar, hooks_.connect, {},
                                 hooks_.fetchRecommended);
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

void StatusMenu::makeAppVisible() { showMainWindow(appPreferences); }

void showMainWindow(const AppPreferences& appPreferences) {
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
void StatusMenu::showAbout() { hooks_.showAbout(); }
void StatusMenu::logoutAction() { AlertServices::installed().logout(); }

}  // namespace morvex
