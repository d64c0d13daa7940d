// The preferences page of the main window: the VPN / App switch cross-fading the two settings
// pages, the panels that slide in and out on the pages' notifications, the location panel's
// blocker, and the links that load a fresh page each time.
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "app/Storyboards.h"
#include "appkit/Application.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "foundation/Value.h"
#include "support/TestSupport.h"
#include "ui/kit/CustomButtons.h"
#include "ui/kit/CustomSegmentedControl.h"
#include "ui/preferences/Preferences1ViewController.h"
#include "ui/preferences/ProtocolsViewController.h"
#include "ui/preferences/SettingsLocationViewController.h"
#include "ui/preferences/VPNSettingsViewController.h"
#include "state/PreservedPreferences.h"

namespace morvex {
namespace {

using PreferencesPageTest = test::TempConfigTest;
using Page = Preferences1ViewController;

struct Stage {
    appkit::Application app;
    appkit::Window window{QSize(688, 500)};
    Page* page = nullptr;
    Stage() {
        registerStoryboards();
        isSettingsLocationOpen = false;
        page = qobject_cast<Page*>(
            appkit::Storyboard::named(kMainStoryboard)->instantiateController("PreferencesPageViewController"));
        window.setContentViewController(page);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    static void post(std::string_view name, UserInfo info = {}) {
        NotificationCenter::defaultCenter().post(name, {}, std::move(info));
    }
};

TEST_F(PreferencesPageTest, TheLanguageAndProtocolPanelsSlideInAndOutOnTheirNotifications) {
    Stage stage;
    ASSERT_NE(stage.page, nullptr);
    struct Case {
        std::string_view open, close;
        int (Page::*offset)() const;
        QWidget* panel;
    };
    const Case cases[] = {
        {kOpenLanguagesViewControllerNotification, kDismissLanguagesViewControllerNotification,
         &Page::constraintLanguageController, stage.page->languagesPanel},
        {kOpenProtocolsViewControllerNotification, kDismissProtocolsViewControllerNotification,
         &Page::constraintProtocolsController, stage.page->protocolsPanel},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.open));
        const auto offset = [&] { return (stage.page->*c.offset)(); };
        ASSERT_EQ(offset(), Page::kPanelHiddenOffset);
        EXPECT_GE(c.panel->x(), stage.page->view()->width());  // out of sight, whatever the page's width

        Stage::post(c.open);
        EXPECT_TRUE(test::waitUntil([&] { return offset() == 0; }));
        EXPECT_EQ(c.panel->geometry(), stage.page->view()->rect());

        Stage::post(c.close);
        EXPECT_TRUE(test::waitUntil([&] { return offset() == Page::kPanelHiddenOffset; }));
        EXPECT_GE(c.panel->x(), stage.page->view()->width());
    }
}

TEST_F(PreferencesPageTest, TheProtocolPanelHoldsTheProtocolPageWhoseBackButtonPutsItAway) {
    Stage stage;
    auto* protocols = stage.page->protocolsPanel->findChild<ProtocolsViewController*>();
    if (!protocols) protocols = stage.page->findChild<ProtocolsViewController*>();
    ASSERT_NE(protocols, nullptr);
    EXPECT_EQ(protocols->view()->parentWidget(), stage.page->protocolsPanel);
    Stage::post(kOpenProtocolsViewControllerNotification);
    ASSERT_TRUE(test::waitUntil([&] { return stage.page->constraintProtocolsController() == 0; }));
    ASSERT_TRUE(protocols->backButton->isVisible());
    QTest::mouseClick(protocols->backButton, Qt::LeftButton);
    EXPECT_TRUE(test::waitUntil([&] { return stage.page->constraintProtocolsController() == Page::kPanelHiddenOffset; }));
}

TEST_F(PreferencesPageTest, TheLocationPanelOpensOverTheBlockerAndItsDismissalAnnouncesTheDashboard) {
    Stage stage;
    std::vector<Notification> announced;
    ObserverToken token = NotificationCenter::defaultCenter().addObserver(
        kCountriesOpenedFromNotification, [&](const Notification& n) { announced.push_back(n); });
    SettingsLocationBlocker* blocker = stage.page->viewSettingsLocationBlocker;
    ASSERT_TRUE(blocker->isHidden());
    ASSERT_EQ(blocker->alpha(), 0);

    Stage::post(kOpenSettingsLocationNotification);
    EXPECT_TRUE(isSettingsLocationOpen);
    EXPECT_TRUE(blocker->isVisible());
    EXPECT_TRUE(test::waitUntil([&] { return stage.page->constraintSettingsLocationLeft() == -Page::kLocationPanelWidth; }));
    EXPECT_EQ(stage.page->settingsLocationPanel->geometry().left(), 0);
    EXPECT_TRUE(test::waitUntil([&] { return blocker->alpha() == 1; }));

    Stage::post(kDismissSettingsLocationNotification);
    EXPECT_TRUE(announced.empty());  // only once the panel is gone
    EXPECT_TRUE(test::waitUntil([&] { return !announced.empty(); }));
    EXPECT_EQ(stage.page->constraintSettingsLocationLeft(), 0);
    EXPECT_TRUE(blocker->isHidden());
    EXPECT_FALSE(isSettingsLocationOpen);
    ASSERT_EQ(announced.size(), 1u);
    const auto* from = announced[0].objectAs<Dictionary>();
    ASSERT_NE(from, nullptr);
    EXPECT_EQ(*from, (Dictionary{{"from", Value("Dashboard")}}));
    EXPECT_TRUE(announced[0].userInfo.empty());
}

TEST_F(PreferencesPageTest, AClickOnTheBlockerClosesThePanelSilentlyAndLetsTheSettingsActAgain) {
    Stage stage;
    int announced = 0;
    ObserverToken token = NotificationCenter::defaultCenter().addObserver(
        kCountriesOpenedFromNotification, [&](const Notification&) { ++announced; });
    Stage::post(kOpenSettingsLocationNotification);
    ASSERT_TRUE(test::waitUntil([&] { return stage.page->constraintSettingsLocationLeft() == -Page::kLocationPanelWidth; }));

    // Right of the panel, on the dimmed page.
    QTest::mouseClick(stage.page->viewSettingsLocationBlocker, Qt::LeftButton, {}, QPoint(500, 250));
    EXPECT_TRUE(test::waitUntil([&] { return stage.page->viewSettingsLocationBlocker->isHidden(); }));
    EXPECT_EQ(stage.page->constraintSettingsLocationLeft(), 0);
    EXPECT_FALSE(isSettingsLocationOpen);
    test::drain();
    EXPECT_EQ(announced, 0);
}

TEST_F(PreferencesPageTest, GoingToTheDashboardPutsTheLocationPanelAwayAtOnce) {
    Stage stage;
    Stage::post(kOpenSettingsLocationNotification);
    ASSERT_TRUE(test::waitUntil([&] { return stage.page->constraintSettingsLocationLeft() == -Page::kLocationPanelWidth; }));

    Stage::post(kSwitchedToDashboardNotification);
    EXPECT_TRUE(isSettingsLocationOpen);  // deferred to the main queue
    QCoreApplication::processEvents();
    EXPECT_EQ(stage.page->constraintSettingsLocationLeft(), 0);
    EXPECT_EQ(stage.page->viewSettingsLocationBlocker->alpha(), 0);
    EXPECT_TRUE(stage.page->viewSettingsLocationBlocker->isHidden());
    EXPECT_FALSE(isSettingsLocationOpen);
}

TEST_F(PreferencesPageTest, TheSwitchCrossFadesBetweenTheVpnAndTheAppSettings) {
    Stage stage;
    Page* page = stage.page;
    const auto settle = [&](bool appShown) {
        return test::waitUntil([&] {
            return page->containerViewAppSettings->isVisible() == appShown && page->containerViewVPNSettings->isVisible() == !appShown;
        });
    };
    // The VPN settings first, as the switch's first segment says.
    EXPECT_FALSE(page->isShowingFirstView());
    EXPECT_TRUE(settle(false));
    EXPECT_EQ(page->segmentedControl->selectedSegmentIndex(), 0);

    QLabel* app = page->segmentedControl->segments().at(1);
    QTest::mouseClick(app, Qt::LeftButton, {}, app->rect().center());
    EXPECT_TRUE(page->isShowingFirstView());
    EXPECT_TRUE(settle(true));

    // Any section word toggles (the switch only posts a change); anything else is ignored.
    Stage::post(kSettingsSegmentedControlSwitchNotification, {{"section", std::string("app")}});
    EXPECT_TRUE(settle(false));
    Stage::post(kSettingsSegmentedControlSwitchNotification, {{"section", std::string("other")}});
    Stage::post(kSettingsSegmentedControlSwitchNotification);
    ASSERT_TRUE(test::waitForAnimations(page->view()));  // a switch they had started has ended
    EXPECT_FALSE(page->isShowingFirstView());
    EXPECT_TRUE(settle(false));
}

TEST_F(PreferencesPageTest, EachLinkLoadsAFreshPageAndMarksItself) {
    Stage stage;
    Page* page = stage.page;
    // The pages are other screens' scenes; where one is not registered, a plain page stands in.
    for (const auto& p : Page::pages()) {
        appkit::Storyboard& board = appkit::Storyboard::define(p.storyboard);
        if (!board.hasScene(p.scene)) board.scene(p.scene, [] { return new appkit::ViewController; });
    }
    const auto linkColour = [&](int i) { return page->tabButtons[std::size_t(i)]->currentColor(); };
    ASSERT_EQ(page->detailViewController(), nullptr);  // nothing until a link is clicked

    QTest::mouseClick(page->tabButtons[1], Qt::LeftButton);
    QPointer<appkit::ViewController> first = page->detailViewController();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->identifier(), "ProtocolStoryboardID");
    EXPECT_TRUE(page->isShowingDetail());
    EXPECT_EQ(first->view()->parentWidget(), page->containerView);
    EXPECT_EQ(linkColour(1), *page->tabButtons[1]->selectedColor());
    for (int other : {0, 2, 3, 4}) EXPECT_EQ(linkColour(other), ThemedColor()) << other;

    QTest::mouseClick(page->tabButtons[1], Qt::LeftButton);
    ASSERT_NE(page->detailViewController(), nullptr);
    EXPECT_NE(page->detailViewController(), first.data());
    test::flushDeferredDeletes();
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(page->containerView->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), 1);

    QTest::mouseClick(page->tabButtons[4], Qt::LeftButton);
    EXPECT_EQ(page->detailViewController()->identifier(), "AboutVCStoryboardID");
    EXPECT_EQ(linkColour(1), ThemedColor());

    // Back to the settings; a page that is not there leaves its place empty.
    QTest::mouseClick(page->backButton, Qt::LeftButton);
    EXPECT_FALSE(page->isShowingDetail());
    page->showPage("NoSuchStoryboard", "NoSuchScene");
    EXPECT_EQ(page->detailViewController(), nullptr);
    test::flushDeferredDeletes();
    EXPECT_TRUE(page->containerView->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).empty());
}

TEST_F(PreferencesPageTest, TheVPNSettingsChangeLinkOpensThePagesLocationPanelWhoseChoiceBecomesTheAutoConnectLocation) {
    PreservedPreferences preferences;
    preferences.setReconnectOnLaunch(true);
    preferences.setAutoConnectVia(PreservedPreferences::AutoConnectVia::Location);
    Stage stage;
    auto* vpn = stage.page->findChild<VPNSettingsViewController*>();
    ASSERT_NE(vpn, nullptr);
    auto* change = vpn->view()->findChild<QPushButton*>("changeLocation");
    ASSERT_NE(change, nullptr);
    ASSERT_TRUE(test::waitUntil([&] { return change->isVisible(); }));

    QTest::mouseClick(change, Qt::LeftButton);
    EXPECT_TRUE(test::waitUntil([&] { return stage.page->constraintSettingsLocationLeft() == -Page::kLocationPanelWidth; }));
    EXPECT_EQ(stage.window.attachedSheet(), nullptr) << "the page's own panel, not a sheet over it";
    auto* picker = stage.page->settingsLocationPanel->findChild<SettingsLocationViewController*>();
    if (!picker) picker = stage.page->findChild<SettingsLocationViewController*>();
    ASSERT_NE(picker, nullptr);
    ASSERT_TRUE(test::waitUntil([&] { return picker->content() && !picker->content()->empty(); })) << "the panel lists no country";

    const auto chosen = picker->content()->front();
    picker->tableViewSelectionDidChange(0);
    EXPECT_TRUE(test::waitUntil([&] { return !isSettingsLocationOpen; }));
    ASSERT_NE(vpn->autoConnectLocation(), nullptr);
    EXPECT_EQ(vpn->autoConnectLocation()->id, chosen->id);
}

}  // namespace
}  // namespace morvex
