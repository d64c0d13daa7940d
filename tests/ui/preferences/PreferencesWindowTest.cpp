// The preferences window as other screens open it: through their segues, on the protocol page when
// they send the user there; the protocol tab's status dot; the window taking each page's size with
// its top edge in place; and logging out closing it.
#include <QAbstractButton>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

#include "app/SessionDesktopHooks.h"
#include "app/Storyboards.h"
#include "app/TabsViewController.h"
#include "appkit/Application.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "state/AppPreferences.h"
#include "support/TestSupport.h"
#include "ui/dashboard/ConnectButtonController.h"
#include "ui/kit/PreferencesSegue.h"
#include "ui/preferences/PreferencesViewController.h"
#include "ui/preferences/PreferencesWindowController.h"
#include "ui/preferences/ProtocolsViewController.h"
#include "flows/MorvexVPNService.h"

namespace morvex {
namespace {

using PreferencesWindowTest = test::TempConfigTest;

void storeStatuses(std::int64_t openVPN, std::int64_t wireGuard) {
    AppPreferences preferences;
    preferences.defaults().set(Value(openVPN), AppPreferences::Key::openVPNSystemExtensionStatus);
    preferences.defaults().set(Value(wireGuard), AppPreferences::Key::wgSystemExtensionStatus);
}

PreferencesWindowController* shownPreferencesWindow() {
    for (appkit::Window* window : appkit::Application::shared().windows())
        if (auto* controller = dynamic_cast<PreferencesWindowController*>(window->delegate()); controller && window->isVisible())
            return controller;
    return nullptr;
}

// Performs `segue` from a controller of the main storyboard's scene `source`, as that screen does,
// and answers the preferences window it opened (owned by the caller from then on).
std::unique_ptr<PreferencesWindowController> openFrom(std::string_view source, std::string_view segue) {
    std::unique_ptr<QObject> from(appkit::Storyboard::named(kMainStoryboard)->instantiateController(source));
    auto* controller = qobject_cast<appkit::ViewController*>(from.get());
    if (!controller || !controller->performSegue(segue)) return nullptr;
    return std::unique_ptr<PreferencesWindowController>(shownPreferencesWindow());
}

PreferencesViewController* pagesOf(PreferencesWindowController& window) {
    return qobject_cast<PreferencesViewController*>(window.contentViewController());
}

TEST_F(PreferencesWindowTest, ScreensOpenTheWindowOnTheProtocolPageWhenTheySendTheUserThere) {
    appkit::Application app;
    registerStoryboards();
    struct Case {
        const char* source;
        std::string_view segue;
        std::int64_t openVPN, wireGuard;
        int page;
    };
    const Case cases[] = {
        // The tab bar sends the user to the protocol page only while an extension is not ready.
        {"TabsViewController", TabsViewController::kPreferencesSegue, 1, 3, kPreferencesProtocolTab},
        {"TabsViewController", TabsViewController::kPreferencesSegue, 0, 1, kPreferencesProtocolTab},
        {"TabsViewController", TabsViewController::kPreferencesSegue, 1, 1, 0},
        // The connect button and the favourites panel always do.
        {"ConnectButtonController", kSeguePreferences, 1, 1, kPreferencesProtocolTab},
        {"LeftPanelViewController", kSeguePreferences, 1, 1, kPreferencesProtocolTab},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.source) + " " + std::to_string(c.openVPN) + "/" + std::to_string(c.wireGuard));
        storeStatuses(c.openVPN, c.wireGuard);
        auto window = openFrom(c.source, c.segue);
        ASSERT_NE(window, nullptr);
        PreferencesViewController* pages = pagesOf(*window);
        ASSERT_NE(pages, nullptr);
        EXPECT_EQ(pages->selectedTabViewItemIndex(), c.page);
        EXPECT_TRUE(pages->tabButton(c.page)->isChecked());
        EXPECT_EQ(window->window()->title(), pages->tabLabel(c.page));
        // The protocol tab is the protocol page, without the panel's way back.
        auto* protocols = qobject_cast<ProtocolsViewController*>(pages->childViewControllerAt(kPreferencesProtocolTab));
        ASSERT_NE(protocols, nullptr);
        EXPECT_FALSE(protocols->backButton && protocols->backButton->isVisible());
    }
}

TEST_F(PreferencesWindowTest, TheProtocolTabCarriesADotUntilBothExtensionsAreActivated) {
    appkit::Application app;
    registerStoryboards();
    struct Case {
        std::int64_t openVPN, wireGuard;
        bool dot;
    };
    const Case cases[] = {{1, 1, false}, {1, 3, true}, {4, 1, true}, {0, 0, true}, {1, 9, true}, {2, 2, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.openVPN) + "/" + std::to_string(c.wireGuard));
        storeStatuses(c.openVPN, c.wireGuard);
        auto window = openFrom("ConnectButtonController", kSeguePreferences);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(pagesOf(*window)->tabImageName(kPreferencesProtocolTab),
                  c.dot ? PreferencesViewController::kProtocolDotImage : PreferencesViewController::kProtocolImage);
    }
}

TEST_F(PreferencesWindowTest, TheDotFollowsTheExtensionsWhileTheWindowIsOpenWhicheverThreadReports) {
    appkit::Application app;
    registerStoryboards();
    storeStatuses(1, 3);
    auto window = openFrom("TabsViewController", TabsViewController::kPreferencesSegue);
    ASSERT_NE(window, nullptr);
    PreferencesViewController* pages = pagesOf(*window);
    const auto image = [&] { return pages->tabImageName(kPreferencesProtocolTab); };
    ASSERT_EQ(image(), PreferencesViewController::kProtocolDotImage);

    // The store announces the change before it writes it.
    AppPreferences().setWgSystemExtensionStatus(SystemExtensionStatus::Activated);
    EXPECT_TRUE(test::waitUntil([&] { return image() == PreferencesViewController::kProtocolImage; }));

    // The engine reports from its own thread; the tab changes on the main thread.
    std::thread engine([] { AppPreferences().setOpenVPNSystemExtensionStatus(SystemExtensionStatus::Failed); });
    engine.join();
    EXPECT_TRUE(test::waitUntil([&] { return image() == PreferencesViewController::kProtocolDotImage; }));
}

TEST_F(PreferencesWindowTest, EachTabSizesTheWindowToItsPageKeepingTheTopEdge) {
    appkit::Application app;
    registerStoryboards();
    storeStatuses(1, 1);
    auto window = openFrom("TabsViewController", TabsViewController::kPreferencesSegue);
    ASSERT_NE(window, nullptr);
    PreferencesViewController* pages = pagesOf(*window);
    appkit::Window* w = window->window();
    w->move(200, 150);
    const int top = w->geometry().top();
    const int left = w->geometry().left();
    constexpr int bar = PreferencesViewController::kTabBarHeight;

    pages->childViewControllerAt(0)->setPreferredContentSize(QSize(640, 300));
    pages->childViewControllerAt(2)->setPreferredContentSize(QSize(600, 480));
    const auto clickTab = [&](int index, QSize page) {
        QTest::mouseClick(pages->tabButton(index), Qt::LeftButton);
        EXPECT_EQ(pages->selectedTabViewItemIndex(), index);
        EXPECT_TRUE(test::waitUntil([&] { return w->geometry().size() == QSize(page.width(), page.height() + bar); }))
            << "tab " << index << ": " << w->geometry().width() << "x" << w->geometry().height();
        EXPECT_EQ(w->geometry().top(), top);
        EXPECT_EQ(w->geometry().left(), left);
        EXPECT_EQ(w->title(), pages->tabLabel(index));
    };
    clickTab(2, QSize(600, 480));
    clickTab(0, QSize(640, 300));
    // The size is taken again each time the tab is about to be selected.
    pages->childViewControllerAt(2)->setPreferredContentSize(QSize(560, 420));
    clickTab(2, QSize(560, 420));
}

TEST_F(PreferencesWindowTest, LoggingOutClosesThePreferencesWindowAndNoOther) {
    appkit::Application app;
    registerStoryboards();
    installSessionDesktop();
    appkit::Window other;
    other.show();
    auto window = openFrom("ConnectButtonController", kSeguePreferences);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->window()->isVisible());

    SessionDesktop::installed().closePreferencesWindows();
    EXPECT_FALSE(window->window()->isVisible());
    EXPECT_TRUE(other.isVisible());
}

}  // namespace
}  // namespace morvex
