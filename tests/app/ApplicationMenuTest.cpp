// The application menu on both of its roads: the status item's secondary-click menu (as the
// desktop's panel fills it) and the main window's menu button, clicked. Every entry reaches its
// page, web page, alert or window, and the menu is recomputed for the state when it opens.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

#include "alerts/AlertTestSupport.h"
#include "app/AppMainViewController.h"
#include "app/MainViewController.h"
#include "app/StatusMenu.h"
#include "app/StatusMenuOptionsHandler.h"
#include "app/Storyboards.h"
#include "app/TabsViewController.h"
#include "appkit/WebView.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "state/User.h"
#include "flows/MorvexVPNService.h"
#include "viewmodels/StatusMenuModel.h"

namespace morvex {
namespace {

enum class Road { StatusItem, MenuButton };

class ApplicationMenuTest : public test::AlertTest, public ::testing::WithParamInterface<Road> {
protected:
    void SetUp() override {
        // The FAQ page starts the web engine, which refuses its sandbox under root.
        if (::geteuid() == 0) ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
        AlertTest::SetUp();
        registerStoryboards();
        User().setVpnUsername("vpn-user");
        User().setLoggedIn(true);
        StatusMenuOptionsHandler::Hooks options;
        options.versionCheck = [](bool, std::function<void(std::optional<Error>)>) {};
        options.startReachability = [] {};
        options.startAnalytics = [] {};
        options.setUpSDK = [] {};
        optionsHandler = std::make_unique<StatusMenuOptionsHandler>(options);
        optionsHandler->install();

        AppMainViewController::Hooks hooks;
        hooks.activateExtension = [](const std::string&) {};
        hooks.migrationCheck = [] {};
        hooks.makeStatusMenu = [] {
            StatusMenu::Hooks menuHooks;
            menuHooks.connect = [](const ConnectRequest&, ConnectErrorHandler) {};
            menuHooks.fetchRecommended = [] {};
            menuHooks.accountStatusCheck = [] { return false; };
            return std::make_unique<StatusMenu>(AppPreferences(), MorvexVPNService::makeZevu(), menuHooks);
        };
        window = std::make_unique<appkit::Window>(QSize(760, 500));
        content = new AppMainViewController(hooks);
        window->setContentViewController(content);
        window->show();
        ASSERT_TRUE(test::waitUntil([&] { return content->view()->isVisible() && content->statusMenu; }));
    }
    void TearDown() override {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != window.get() && qobject_cast<appkit::Window*>(w)) w->close();
        window.reset();
        optionsHandler.reset();
        test::flushDeferredDeletes();
        AlertTest::TearDown();
    }

    // Opens the menu on the road under test and chooses the entry of that title key.
    void choose(std::string_view titleKey) {
        const QString title = QString::fromStdString(Bundle::main().localizedString(titleKey));
        if (GetParam() == Road::StatusItem) {
            QMenu* menu = content->statusMenu->statusItem().contextMenu();
            QMetaObject::invokeMethod(menu, "aboutToShow");
            QAction* entry = find(*menu, title);
            ASSERT_NE(entry, nullptr) << titleKey << " is not in the status item's menu";
            entry->trigger();
        } else {
            QTest::mouseClick(content->tabsController()->menuTab, Qt::LeftButton);
            ASSERT_TRUE(test::waitUntil([&] { return content->statusMenu->openApplicationMenu() != nullptr; }));
            QMenu* menu = content->statusMenu->openApplicationMenu();
            QAction* entry = find(*menu, title);
            ASSERT_NE(entry, nullptr) << titleKey << " is not in the main window's menu";
            entry->trigger();
            menu->close();
        }
    }
    static QAction* find(QMenu& menu, const QString& title) {
        for (QAction* action : menu.actions())
            if (action->text() == title) return action;
        return nullptr;
    }
    QStringList titles() {
        QMenu* menu = nullptr;
        if (GetParam() == Road::StatusItem) {
            menu = content->statusMenu->statusItem().contextMenu();
            QMetaObject::invokeMethod(menu, "aboutToShow");
        } else {
            QTest::mouseClick(content->tabsController()->menuTab, Qt::LeftButton);
            EXPECT_TRUE(test::waitUntil([&] { return content->statusMenu->openApplicationMenu() != nullptr; }));
            menu = content->statusMenu->openApplicationMenu();
        }
        QStringList out;
        if (!menu) return out;
        for (QAction* action : menu->actions())
            if (!action->isSeparator()) out << action->text();
        if (GetParam() == Road::MenuButton) menu->close();
        return out;
    }
    static bool shownWindowHolds(const char* className) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* win = qobject_cast<appkit::Window*>(w); win && win->isVisible() && win->contentViewController() &&
                                                              win->contentViewController()->inherits(className))
                return true;
        return false;
    }
    bool visibleInPage(const std::function<bool(QWidget*)>& match) const {
        QWidget* page = content->currentPageController()->view();
        for (QWidget* w : page->findChildren<QWidget*>())
            if (w->isVisible() && match(w)) return true;
        return false;
    }

    appkit::Application app;
    std::unique_ptr<StatusMenuOptionsHandler> optionsHandler;
    std::unique_ptr<appkit::Window> window;
    AppMainViewController* content = nullptr;
};

TEST_P(ApplicationMenuTest, EveryEntryReachesItsPageLinkAlertOrWindow) {
    struct Case {
        std::string_view entry;
        std::string expected;  // what the test waits for, as the failure names it
        std::function<bool()> reached;
    };
    const std::vector<Case> cases = {
        {"status.menu.preferences", "the preferences page", [&] { return content->currentPage() == MainTab::Prefences; }},
        {"status.menu.profile", "the profile page", [&] { return content->currentPage() == MainTab::Profile; }},
        {"status.menu.support.ticket", "the ticket form in the support page",
         [&] { return content->currentPage() == MainTab::Support1 &&
                      visibleInPage([](QWidget* w) { return w->objectName() == "textViewMessage"; }); }},
        {"status.menu.faq", "the FAQ in the support page",
         [&] { return content->currentPage() == MainTab::Support1 &&
                      visibleInPage([](QWidget* w) { return qobject_cast<appkit::WebView*>(w) != nullptr; }); }},
        {"status.menu.live.chat", status_menu::liveChatURL(), [&] { return !opened.empty() && opened.back() == status_menu::liveChatURL(); }},
        {"status.menu.contact.support", status_menu::supportURL(AppPreferences()),
         [&] { return !opened.empty() && opened.back() == status_menu::supportURL(AppPreferences()); }},
        {"status.menu.privacy", status_menu::privacyPolicyURL(), [&] { return !opened.empty() && opened.back() == status_menu::privacyPolicyURL(); }},
        {"status.menu.terms", status_menu::termsURL(), [&] { return !opened.empty() && opened.back() == status_menu::termsURL(); }},
        {"status.menu.check.update", "the looking-for-update sheet",
         [&] { return !presenter->shown.empty() &&
                      presenter->last().title == Bundle::main().localizedString("update.check.alert.title", "Looking for update title"); }},
        {"status.menu.about", "the version and feedback window", [] { return shownWindowHolds("morvex::MainViewController"); }},
        {"status.menu.logout", "a log-out", [&] { return logouts == 1; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.entry));
        choose(c.entry);
        EXPECT_TRUE(test::waitUntil(c.reached)) << c.entry << " did not reach " << c.expected;
    }
}

TEST_P(ApplicationMenuTest, TheMenuIsRecomputedForTheStateWhenItOpens) {
    vpn->status = status_menu::kConnectedStatus;
    QStringList shown = titles();
    EXPECT_TRUE(shown.contains(QString::fromStdString(localized("status.menu.disconnect")))) << shown.join(", ").toStdString();
    EXPECT_TRUE(shown.contains(QString::fromStdString(localized("status.menu.logout"))));

    vpn->status = 0;
    User().setLoggedIn(false);
    shown = titles();
    EXPECT_FALSE(shown.contains(QString::fromStdString(localized("status.menu.connect")))) << "signed out: nothing to connect";
    EXPECT_FALSE(shown.contains(QString::fromStdString(localized("status.menu.logout"))));
    EXPECT_FALSE(shown.contains(QString::fromStdString(localized("status.menu.profile"))));
    EXPECT_TRUE(shown.contains(QString::fromStdString(localized("status.menu.privacy")))) << "the legal pages need no account";
    EXPECT_TRUE(shown.contains(QString::fromStdString(localized("status.menu.quit.app"))));
}

INSTANTIATE_TEST_SUITE_P(Roads, ApplicationMenuTest, ::testing::Values(Road::StatusItem, Road::MenuButton),
                         [](const auto& info) { return info.param == Road::StatusItem ? "StatusItem" : "MenuButton"; });

}  // namespace
}  // namespace morvex
