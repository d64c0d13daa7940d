// The advanced page: its kill-switch toggle with the helper's result line, the ping switch, the
// scroll view that ignores the wheel, and clearing the preferences.
#include <QLabel>
#include <QScrollBar>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include "foundation/NotificationCenter.h"
#include "ui/preferences/AdvancedPreferencesController.h"
#include "ui/preferences/VpnPrefsTestSupport.h"

namespace morvex {
namespace {

using test::waitUntil;

class AdvancedPageTest : public test::VpnPrefsPageTest {
protected:
    // Made at each use: the fixture's members exist before the test's configuration folder does.
    static PreservedPreferences prefs() { return PreservedPreferences(); }

    AdvancedPreferencesController* openPage() {
        return show(new AdvancedPreferencesController(
            AdvancedPreferencesModel{AppPreferences(), PreservedPreferences(), tracker(), firewall.firewall(), vpn}));
    }
    static SettingsToggle* toggle(AdvancedPreferencesController* page, const char* name) {
        return page->view()->findChild<SettingsToggle*>(QString::fromLatin1(name));
    }
    static QLabel* resultLine(AdvancedPreferencesController* page) {
        return page->view()->findChild<QLabel*>("labelHelpertoolStatus");
    }
};

TEST_F(AdvancedPageTest, WhileConnectedTheSwitchGoesBackToWhereItWas) {
    for (bool stored : {false, true}) {
        vpn->status = test::kStatusConnected;
        prefs().setEnableIKS(stored);
        presenter->shown.clear();
        auto* page = openPage();
        QTest::mouseClick(toggle(page, "btnHelperTool"), Qt::LeftButton);
        EXPECT_EQ(prefs().enableIKS(), stored);
        EXPECT_EQ(toggle(page, "btnHelperTool")->isChecked(), stored);
        EXPECT_STREQ(toggle(page, "btnHelperTool")->imageName(), stored ? "toggle_switch_on" : "toggle_switch_off");
        ASSERT_EQ(presenter->shown.size(), 1u);
        EXPECT_EQ(presenter->last().title, localized("alert.iks.cannot.change.title"));
        EXPECT_TRUE(firewall.calls.empty());
    }
}

TEST_F(AdvancedPageTest, AKillSwitchAlreadyAnsweringTurnsOnWithoutAResultLine) {
    firewall.helperAnswers = true;
    auto* page = openPage();
    QTest::mouseClick(toggle(page, "btnHelperTool"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return analytics->count("app_toggle_iks") == 1; }));
    EXPECT_TRUE(prefs().enableIKS());
    EXPECT_TRUE(toggle(page, "btnHelperTool")->isChecked());
    EXPECT_EQ(page->helperToolHeight(), 0);
    EXPECT_EQ(firewall.calls, std::vector<std::string>{"isHelperToolInstalled"});
}

TEST_F(AdvancedPageTest, TheResultLineSaysWhetherTheHelperWasInstalledForTwoSeconds) {
    struct Case {
        Result<bool> install;
        bool on;
        const char* key;
    };
    for (const auto& c : {Case{Result<bool>(true), true, "helpertool.installed"},
                          Case{fail(Error("Helper", 1, "pkexec could not be run")), false, "helpertool.not.installed"}}) {
        test::ManualClock clock;
        firewall.install = c.install;
        prefs().setEnableIKS(false);
        auto* page = openPage();
        QTest::mouseClick(toggle(page, "btnHelperTool"), Qt::LeftButton);
        ASSERT_TRUE(waitUntil([&] { return page->helperToolHeight() == 14; })) << c.key;
        EXPECT_EQ(resultLine(page)->text().toStdString(), localized(c.key));
        EXPECT_EQ(prefs().enableIKS(), c.on);
        EXPECT_EQ(toggle(page, "btnHelperTool")->isChecked(), c.on);
        clock.advance(std::chrono::milliseconds(1999));
        EXPECT_EQ(page->helperToolHeight(), 14) << "still shown before two seconds";
        clock.advance(std::chrono::milliseconds(1));
        EXPECT_EQ(page->helperToolHeight(), 0);
        EXPECT_EQ(resultLine(page)->height(), 0);
    }
}

TEST_F(AdvancedPageTest, ThePingSwitchStoresAndTellsTheLists) {
    std::vector<bool> told;
    auto token = NotificationCenter::defaultCenter().addObserver(
        AdvancedPreferencesController::kEnablePingChangedNotification,
        [&](const Notification& n) { told.push_back(n.objectAs<bool>() && *n.objectAs<bool>()); });
    auto* page = openPage();
    QTest::mouseClick(toggle(page, "btnEnablePing"), Qt::LeftButton);
    EXPECT_TRUE(prefs().enablePing());
    QTest::mouseClick(toggle(page, "btnEnablePing"), Qt::LeftButton);
    EXPECT_FALSE(prefs().enablePing());
    EXPECT_EQ(told, (std::vector<bool>{true, false}));
}

TEST_F(AdvancedPageTest, TheWheelDoesNotScrollThePage) {
    auto* page = openPage();
    window->resize(760, 200);  // shorter than the page's content
    test::drain();
    auto* scroll = page->view()->findChild<CustomScrollView*>("scrollView");
    ASSERT_GT(scroll->verticalScrollBar()->maximum(), 0);
    const QPointF at = scroll->viewport()->rect().center();
    QWheelEvent wheel(at, scroll->viewport()->mapToGlobal(at), QPoint(0, -120), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(scroll->viewport(), &wheel);
    EXPECT_EQ(scroll->verticalScrollBar()->value(), 0);
}

TEST_F(AdvancedPageTest, ClearingAsksFirstAndIsRefusedWhileATunnelIsUp) {
    prefs().setEnablePing(true);
    auto* page = openPage();
    QTest::mouseClick(page->view()->findChild<QPushButton*>("clearPreferences"), Qt::LeftButton);
    ASSERT_EQ(presenter->shown.size(), 1u);
    EXPECT_EQ(presenter->last().title, localized("clear.preference.alert.title"));
    presenter->press(0);
    EXPECT_FALSE(prefs().enablePing());
    EXPECT_FALSE(toggle(page, "btnEnablePing")->isChecked());

    vpn->status = test::kStatusConnecting;
    page->clearAllPreferences();
    ASSERT_EQ(presenter->shown.size(), 2u);
    EXPECT_EQ(presenter->last().title, localized("clear.preference.alert.connected.title"));
}

}  // namespace
}  // namespace morvex
