#pragma once
// The application's item in the desktop's status area. Its icon follows the VPN state; a primary
// click opens a small menu (connect or disconnect, open the application, quit) built afresh for
// the SDK status of that moment; a secondary click does nothing. It also carries the actions that
// open a page of the main window, a web page, or log the user out.
//
// The main content makes the one StatusMenu of a run. Without a status area in the session the
// item exists and follows the state but shows nothing.
//
// Threads: main thread; state notifications from the SDK's thread hop to it.
#include <QObject>
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

private:
    void perform(status_menu::Action action);
    void applyIcon(const std::any& object);

    Hooks hooks_;
    std::unique_ptr<appkit::StatusItem> statusItem_;
    std::unique_ptr<StatusMenuController> popoverController_;
    std::vector<status_menu::Entry> shownEntries_;
    ObserverToken stateObserver_;
};

}  // namespace morvex
