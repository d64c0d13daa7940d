#pragma once
// The application's item in the desktop's status area. Its icon follows the VPN state; a primary
// click opens a small menu (connect or disconnect, open the application, quit) built afresh for
// the SDK status of that moment; a secondary click opens the application menu (pages, help, web
// pages, update check, version page, log-out), which the main window's menu button shows too, so
// every entry is reachable with and without a status area. Both menus are data computed when
// they open.
//
// The main content makes the one StatusMenu of a run. Without a status area in the session the
// item exists and follows the state but shows nothing.
//
// Threads: main thread; state notifications from the SDK's thread hop to it.
#include <QMenu>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "alerts/ConnectRequest.h"
#include "viewmodels/MainTab.h"
#include "viewmodels/StatusMenuModel.h"
#include "appkit/StatusItem.h"
#include "appkit/ViewController.h"
#include "foundation/NotificationCenter.h"
#include "state/AppPreferences.h"
#include "vpn/Zevu.h"

namespace morvex {

// The content controller of the status item's popover: one connect toggle over its model. No
// code presents the popover yet; the controller and its model are made with the item.
class StatusMenuController : public appkit::ViewController {
    Q_OBJECT
public:
    explicit StatusMenuController(QObject* parent = nullptr);
    StatusMenuModel model;
    void loadView() override;
    void toggleConnection() { model.toggleConnection(); }
};

// Brings the application forward: back in the taskbar when hidden from it, its main window
// restored, shown and raised (the status menu's "open", and a second launch's request).
void showMainWindow(const AppPreferences& appPreferences = AppPreferences());

class StatusMenu : public QObject {
    Q_OBJECT
public:
    // What the connect toggle reaches beyond the SDK's status (which it reads through the
    // installed alert services' VPN control, as the alerts do).
    struct Hooks {
        // The engine's connect path; by default the given Zevu's.
        ConnectToLocation connect;
        // Asks the SDK for the recommended location and stores it; by default a fresh Zevu's.
        std::function<void()> fetchRecommended;
        // The account-status gate every connect entry passes; by default the base controller's.
        std::function<bool()> accountStatusCheck;
        // The application menu's update check and support page; by default the installed
        // StatusMenuOptionsHandler's.
        std::function<void()> checkForUpdate;
        std::function<void()> contactSupport;
        // The version and feedback page; by default the "MainViewController" scene in a window.
        std::function<void()> showAbout;
        // Whether a user is signed in (the menu leaves out what needs an account); by default User's.
        std::function<bool()> loggedIn;
    };

    StatusMenu(AppPreferences appPreferences, Zevu zevu, QObject* parent = nullptr);
    StatusMenu(AppPreferences appPreferences, Zevu zevu, Hooks hooks, QObject* parent = nullptr);
    ~StatusMenu() override;

    Zevu zevu;
    AppPreferences appPreferences;

    appkit::StatusItem& statusItem() { return *statusItem_; }
    StatusMenuController& popoverController() { return *popoverController_; }

    // The primary click: the menu of the moment, at the item.
    void statusMenuClicked();
    // The menu's entries for the SDK status now, titles localized.
    std::vector<appkit::MenuItem> menuItems() const;
    // The application menu's entries now, and its items as shown (titles localized).
    std::vector<status_menu::Entry> applicationMenuEntries() const;
    std::vector<appkit::MenuItem> applicationMenuItems() const;
    // Carries out an application menu entry.
    void perform(status_menu::Action action);
    // Shows the application menu ending at a point of the screen, above it (the main window's
    // menu button, low in the bar).
    void popUpApplicationMenu(const QPoint& at);
    // The application menu shown by popUpApplicationMenu while it is open (tests choose from it).
    QMenu* openApplicationMenu() const { return openApplicationMenu_; }

    void toggleConnect();
    void zevuStateDidChanged(const Notification& notification);
    void quitApp();
    void makeAppVisible();
    void showPreferences();
    void showProfile();
    void showFAQ();
    void showSupportTicket();
    void showLiveChat();
    void showPrivacyAndPolicy();
    void showTermsAndCondition();
    void logoutAction();
    void showAbout();

private:
    void applyIcon(const std::any& object);

    Hooks hooks_;
    std::unique_ptr<appkit::StatusItem> statusItem_;
    std::unique_ptr<StatusMenuController> popoverController_;
    std::vector<status_menu::Entry> shownEntries_;
    std::vector<status_menu::Entry> shownApplicationEntries_;
    QPointer<QMenu> openApplicationMenu_;
    ObserverToken stateObserver_;
};

}  // namespace morvex
