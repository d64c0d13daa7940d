// The account pages in the real main window: the profile (an active and an expired account), the
// account switcher sheet over it, the devices page, and the refer-a-friend page with its link, its
// copy toast and a failed request.
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>

#include "FakeService.h"
#include "Shots.h"
#include "app/AppMainViewController.h"
#include "app/InitialViewController.h"
#include "appkit/Window.h"
#include "appkit/WindowController.h"
#include "foundation/NotificationCenter.h"
#include "state/PreservedPreferences.h"
#include "state/User.h"
#include "ui/account/ProfileViewController.h"
#include "ui/account/ReferFriendViewController.h"
#include "ui/account/SetupDevicesController.h"
#include "ui/account/SwitchAccountViewController.h"

namespace morvex::shots {
namespace {

using Account = UserAuthentication::VPNAccount;

// The signed-in account the pages describe.
void signIn() {
    User user;
    user.setVpnUsername(std::string("morvex0s1234567"));
    user.setClientId(std::string("42"));
    PreservedPreferences preferences;
    preferences.setVpnAccounts(std::vector<Account>{{"morvex0s1234567", "active", "annually", "stripe", "2027-03-01", ""},
                                                    {"morvex0s7654321", "expired", "monthly", "stripe", "2024-03-05", ""},
                                                    {"morvex0s5550000", "disabled", "monthly", "stripe", "2024-01-01", ""}});
    preferences.setUserTestGroup(PreservedPreferences::TestGroup::GroupA);
}

struct Shown {
    std::unique_ptr<appkit::WindowController> controller;
    appkit::ViewController* page = nullptr;
};

// The main window on its main content, showing the page as the tab bar (or a banner) asks for it.
Shown showPage(MainTab tab) {
    signIn();
    Shown shown;
    shown.controller = openMainWindow();
    if (!shown.controller) return shown;
    auto* root = qobject_cast<InitialViewController*>(shown.controller->contentViewController());
    if (!root) return shown;
    root->selectPage(InitialViewController::Page::MainContent);
    settle();
    auto* content = qobject_cast<AppMainViewController*>(root->pageController(InitialViewController::Page::MainContent));
    if (!content) return shown;
    NotificationCenter::defaultCenter().post(kAppShowControllerNotification, tab);
    settle();
    shown.page = content->currentPageController();
    return shown;
}

QImage image(const Shown& shown) { return shown.controller ? renderWindow(*shown.controller->window()) : QImage(); }

std::function<QImage(Context&)> profile(nlohmann::json changes) {
    return [changes](Context& context) {
        nlohmann::json answer = {{"client_name", "Alex Example"}, {"email", "alex@example.com"}, {"phone_number", ""},
                                 {"signup_date", "2024-03-01"},   {"billing_cycle", "annually"},  {"expiry_date", "2027-03-01"},
                                 {"status", "active"},            {"vpn_username", "morvex0s1234567"}, {"is_trial", 0},
                                 {"grace_period", 0},             {"client_id", "42"},            {"client_type", "paid"},
                                 {"payment_gateway", {{"name", "stripe"}, {"recurring_gateway", 1}, {"auto_recurring", 1}, {"sku", "annual"}}},
                                 {"active_addons", nlohmann::json::array({{{"slug", "dedicated-ip"}, {"title", "Dedicated IP"},
                                                                           {"expiry", "2027-03-01"}, {"status", "active"}}})},
                                 {"addons", nlohmann::json::array()}};
        if (changes.is_object()) answer.update(changes);
        context.service.route("GET", "/MorvexVPN/user/profile", fake::Answer::bodyOnly(answer));
        User().setPasswordManager(true);
        Shown shown = showPage(MainTab::Profile);
        auto* page = qobject_cast<ProfileViewController*>(shown.page);
        waitFor([&] { return page && !page->loadingProfile; });
        settle();
        QImage picture = image(shown);
        installDefaultRoutes(context.service);
        User().setPasswordManager(false);
        return picture;
    };
}

// The service down: the placeholders, the failure and its retry button.
QImage profileFailed(Context& context) {
    context.service.route("GET", "/MorvexVPN/user/profile", fake::Answer::plain(503));
    Shown shown = showPage(MainTab::Profile);
    auto* page = qobject_cast<ProfileViewController*>(shown.page);
    waitFor([&] { return page && !page->loadingProfile; });
    settle();
    QImage picture = image(shown);
    installDefaultRoutes(context.service);
    return picture;
}

// The service slow to answer: the loading line above the fields.
QImage profileLoading(Context& context) {
    context.service.route("GET", "/MorvexVPN/user/profile",
                          fake::Answer::delayed(std::chrono::milliseconds(3000), fake::Answer::plain(503)));
    Shown shown = showPage(MainTab::Profile);
    settle();
    QImage picture = image(shown);
    auto* page = qobject_cast<ProfileViewController*>(shown.page);
    waitFor([&] { return page && !page->loadingProfile; });
    installDefaultRoutes(context.service);
    return picture;
}

QImage switchAccount(Context&) {
    Shown shown = showPage(MainTab::Profile);
    auto* page = qobject_cast<ProfileViewController*>(shown.page);
    waitFor([&] { return page && !page->loadingProfile; });
    NotificationCenter::defaultCenter().post(SwitchAccountModel::showVPNAccountsNotification);
    waitFor([&] { return shown.controller && shown.controller->window()->attachedSheet(); });
    // The sheet belongs to the controller that presented it, somewhere under the window's content.
    if (auto* root = shown.controller ? shown.controller->contentViewController() : nullptr)
        if (auto* sheet = root->findChild<SwitchAccountViewController*>()) sheet->tableView->setCurrentRow(1);
    settle();
    QImage picture = image(shown);
    if (auto* sheet = shown.controller->window()->attachedSheet()) shown.controller->window()->endSheet(sheet);
    return picture;
}

// The sheet on a window of its own, which follows the chosen look (the main window keeps the
// light one), with the second account chosen.
QImage switcherSheet(Context&) {
    signIn();
    appkit::Window window(QSize(760, 500));
    window.setContentViewController(new appkit::ViewController);
    window.show();
    auto* sheet = new SwitchAccountViewController;
    window.contentViewController()->presentAsSheet(sheet);
    sheet->tableView->setCurrentRow(1);
    settle();
    QImage picture = renderWindow(window);
    window.contentViewController()->dismiss(sheet);
    return picture;
}

// The page with the service's platforms listed, or with the failed answer's message and retry.
std::function<QImage(Context&)> devices(bool failed) {
    return [failed](Context& context) {
        if (failed) context.service.failNext(".*/device/setupotherdevices/v3", fake::Answer::plain(500));
        Shown shown = showPage(MainTab::SetupOtherDevices);
        auto* page = qobject_cast<SetupDevicesController*>(shown.page);
        waitFor([&] { return page && !page->loading; });
        settle();
        return image(shown);
    };
}

std::function<QImage(Context&)> refer(bool copied, bool failed) {
    return [copied, failed](Context& context) {
        if (failed) context.service.failNext(".*/refer-a-friend/.*", fake::Answer::plain(503));
        Shown shown = showPage(MainTab::ReferFriend);
        auto* page = qobject_cast<ReferFriendViewController*>(shown.page);
        waitFor([&] { return page && (page->referralLink || page->errorMessage); });
        if (page && copied) {
            page->copyReferralLink();
            settle();  // the toast has faded in
        }
        settle();
        return image(shown);
    };
}

const Registration shots({
    {"profile", "active", profile({})},
    {"profile", "expired", profile({{"status", "expired"}, {"expiry_date", "2024-03-05"}, {"client_type", "free"},
                                    {"active_addons", nlohmann::json::array()}})},
    {"profile", "switch-account", switchAccount},
    {"profile", "loading", profileLoading},
    {"profile", "failed", profileFailed},
    {"switch-account", "sheet", switcherSheet},
    {"devices", "default", devices(false)},
    {"devices", "failed", devices(true)},
    {"refer-friend", "link", refer(false, false)},
    {"refer-friend", "copied", refer(true, false)},
    {"refer-friend", "failed", refer(false, true)},
});

}  // namespace
}  // namespace morvex::shots
