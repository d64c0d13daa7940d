// The preferences: the window on its protocol tab with and without the status dot, the page of
// the main window with its protocol and location panels, and the protocol sheet.
#include "Shots.h"

#include <QAbstractButton>

#include "app/AppMainViewController.h"
#include "ui/shell/MainStoryboard.h"
#include "appkit/Application.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "foundation/NotificationCenter.h"
#include "state/AppPreferences.h"
#include "state/PreservedPreferences.h"
#include "ui/kit/PreferencesSegue.h"
#include "ui/preferences/Preferences1ViewController.h"
#include "ui/preferences/PreferencesWindowController.h"
#include "ui/kit/ProtocolsAlertViewController.h"

namespace morvex::shots {
namespace {

void storeStatuses(SystemExtensionStatus openVPN, SystemExtensionStatus wireGuard) {
    AppPreferences preferences;
    preferences.defaults().set(Value(std::int64_t(openVPN)), AppPreferences::Key::openVPNSystemExtensionStatus);
    preferences.defaults().set(Value(std::int64_t(wireGuard)), AppPreferences::Key::wgSystemExtensionStatus);
}

void storeManual(VPNProtocol protocol) {
    PreservedPreferences prefs;
    prefs.setAutomaticProtocol(false);
    prefs.setSelectedProtocol(protocol);
}

// The preferences window as the connect button opens it (on the protocol tab).
std::function<QImage(Context&)> window(SystemExtensionStatus wireGuard, bool manual) {
    return [wireGuard, manual](Context&) {
        storeStatuses(SystemExtensionStatus::Activated, wireGuard);
        if (manual) storeManual(VPNProtocol::WireGuard);
        else PreservedPreferences().setAutomaticProtocol(true);
        std::unique_ptr<QObject> source(appkit::Storyboard::named(kMainStoryboard)->instantiateController("ConnectButtonController"));
        auto* button = qobject_cast<appkit::ViewController*>(source.get());
        if (!button || !button->performSegue(kSeguePreferences)) return QImage();
        std::unique_ptr<PreferencesWindowController> opened;
        for (appkit::Window* w : appkit::Application::shared().windows())
            if (auto* c = dynamic_cast<PreferencesWindowController*>(w->delegate()); c && w->isVisible()) opened.reset(c);
        if (!opened) return QImage();
        settle();  // the window takes the page's size
        return renderWindow(*opened->window());
    };
}

struct MainPage {
    std::unique_ptr<appkit::Window> window;
    Preferences1ViewController* page = nullptr;
};

MainPage openPage() {
    AppMainViewController::Hooks hooks;
    hooks.activateExtension = [](const std::string&) {};
    hooks.makeStatusMenu = [] { return std::unique_ptr<StatusMenu>(); };
    hooks.migrationCheck = [] {};
    MainPage open;
    open.window = std::make_unique<appkit::Window>(QSize(760, 500));
    auto* content = new AppMainViewController(hooks);
    open.window->setContentViewController(content);
    open.window->show();
    NotificationCenter::defaultCenter().post(kAppShowControllerNotification, MainTab::Prefences);
    settle();
    open.page = open.window->findChild<Preferences1ViewController*>();
    if (!open.page)
        for (QObject* o : content->findChildren<Preferences1ViewController*>()) open.page = qobject_cast<Preferences1ViewController*>(o);
    return open;
}

std::function<QImage(Context&)> page(std::string_view notification) {
    return [notification](Context&) {
        storeStatuses(SystemExtensionStatus::Activated, SystemExtensionStatus::AwaitingApproval);
        storeManual(VPNProtocol::UDP);
        MainPage open = openPage();
        if (!notification.empty()) NotificationCenter::defaultCenter().post(notification);
        settle();
        QImage image = renderWindow(*open.window);
        isSettingsLocationOpen = false;
        return image;
    };
}

// A page chosen from the sidebar's links, in the detail area with its one way back.
std::function<QImage(Context&)> link(int index) {
    return [index](Context&) {
        storeStatuses(SystemExtensionStatus::Activated, SystemExtensionStatus::Activated);
        storeManual(VPNProtocol::UDP);
        MainPage open = openPage();
        auto* button = open.window->findChild<QAbstractButton*>(QStringLiteral("PreferencesLink%1").arg(index));
        if (!button) return QImage();
        button->click();
        settle();
        return renderWindow(*open.window);
    };
}

// The texts are read when the shot is taken, once the bundle is in place.
std::function<QImage(Context&)> sheet(std::function<ProtocolAlertConfig()> config) {
    return [config](Context&) {
        appkit::Window window(QSize(760, 500));
        auto* host = new appkit::ViewController;
        window.setContentViewController(host);
        window.show();
        ProtocolsAlertViewController* alert = ProtocolsAlertViewController::instantiate();
        if (!alert) return QImage();
        alert->config = config();
        host->presentAsSheet(alert);
        return renderWindow(window);
    };
}

std::string protocolNotReadyMessage() {
    std::string message = localized("wiregurad.beta.information.details");
    if (auto at = message.find("%@"); at != std::string::npos) message.replace(at, 2, "UDP");
    return message;
}

const Registration shots({
    {"preferences-window", "protocol-dot", window(SystemExtensionStatus::AwaitingApproval, true)},
    {"preferences-window", "protocol", window(SystemExtensionStatus::Activated, true)},
    {"preferences-window", "protocol-automatic", window(SystemExtensionStatus::Activated, false)},
    {"preferences-page", "settings", page("")},
    {"preferences-page", "protocol-panel", page(kOpenProtocolsViewControllerNotification)},
    {"preferences-page", "location-panel", page(kOpenSettingsLocationNotification)},
    {"preferences-page", "protocol-link", link(1)},
    {"preferences-page", "languages-link", link(3)},
    {"protocol-alert", "protocol-not-ready",
     sheet([] {
         return ProtocolAlertConfig{localized("wiregurad.beta.information.title"), protocolNotReadyMessage(), localized("ok"),
                                    std::nullopt, {}, {}};
     })},
    {"protocol-alert", "installation-steps",
     sheet([] {
         return ProtocolAlertConfig{localized("system.extension.install.title"), localized("system.extension.install.details"),
                                    localized("system.extension.install.primary.button.title"), std::nullopt, {}, {}};
     })},
    {"protocol-alert", "two-buttons-no-title",
     sheet([] {
         return ProtocolAlertConfig{std::nullopt, localized("alert.protocol.change.reconnect.message"),
                                    localized("alert.protocol.change.reconnect.button.one"),
                                    localized("alert.protocol.change.reconnect.button.two"), {}, {}};
     })},
});

}  // namespace
}  // namespace morvex::shots
