// The reconnect countdown in the kill-switch sheet: it counts down once a second, and when the
// count runs out ends the sheet and reconnects, unless a button was pressed first.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "alerts/Alert.h"
#include "ui/kit/QtAlertPresenter.h"
#include "appkit/AlertSheet.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "support/TestSupport.h"
#include "viewmodels/AutoDialModel.h"
#include "ui/kit/AutoDialView.h"
#include "ui/kit/KitFakes.h"

namespace morvex {
namespace {

std::string filled(const std::string& count) {
    std::string format = localized("alert.iks.UTC.counter.message %@");
    format.replace(format.find("%@"), 2, count);
    return format;
}

class AutoDialTest : public test::TempConfigTest {
protected:
    std::shared_ptr<test::RecordingVPN> vpn = std::make_shared<test::RecordingVPN>();
    AppPreferences preferences;
};

TEST_F(AutoDialTest, NineTicksCountDownToOneAndTheTenthEndsTheSheetAndReconnects) {
    AutoDialModel model(vpn, preferences);
    int sheetsEnded = 0;
    auto endSheet = [&] { return ++sheetsEnded == 1; };
    EXPECT_EQ(model.countdownText(), filled("10"));
    for (int tick = 1; tick <= 9; ++tick) {
        ASSERT_EQ(model.tick(endSheet), AutoDialModel::Tick::Counting) << tick;
        EXPECT_EQ(model.countdownText(), filled(std::to_string(10 - tick)));
    }
    EXPECT_EQ(model.countdownText(), filled("1"));
    EXPECT_TRUE(vpn->calls.empty());
    EXPECT_EQ(sheetsEnded, 0);

    EXPECT_EQ(model.tick(endSheet), AutoDialModel::Tick::Reconnected);
    EXPECT_EQ(sheetsEnded, 1);
    EXPECT_EQ(vpn->calls, (std::vector<std::string>{"checkConnectivity(false)", "reconnectVPN"}));
    // The attempt gets a fresh id: the time as a decimal number with a fraction, not an integer.
    const auto id = preferences.onGoingConnectionId();
    ASSERT_TRUE(id);
    EXPECT_NE(id->find('.'), std::string::npos) << *id;
    EXPECT_GT(std::stod(*id), 8e8);

    // Done: later ticks do nothing.
    EXPECT_EQ(model.tick(endSheet), AutoDialModel::Tick::Stopped);
    EXPECT_EQ(sheetsEnded, 1);
    EXPECT_EQ(vpn->calls.size(), 2u);
}

TEST_F(AutoDialTest, NoReconnectAfterAButtonOrWithoutASheetToEnd) {
    struct Case {
        const char* label;
        bool buttonPressed;
        bool sheetThere;
    };
    for (const auto& c : {Case{"a button first", true, true}, Case{"no sheet at the end", false, false}}) {
        SCOPED_TRACE(c.label);
        vpn->calls.clear();
        AutoDialModel model(vpn, preferences);
        bool asked = false;
        auto endSheet = [&] { asked = true; return c.sheetThere; };
        if (c.buttonPressed) model.invalidate();
        for (int tick = 0; tick < 12; ++tick) model.tick(endSheet);
        EXPECT_TRUE(model.isStopped());
        EXPECT_TRUE(vpn->calls.empty());
        EXPECT_EQ(asked, !c.buttonPressed);
    }
}

class AutoDialSheetTest : public AutoDialTest {
protected:
    void SetUp() override {
        AutoDialTest::SetUp();
        window = std::make_unique<appkit::Window>(QSize(760, 500));
        window->show();
        services.presenter = std::make_shared<QtAlertPresenter>();
        services.vpn = vpn;
        countdown = AutoDialCountdown::make(std::make_unique<AutoDialModel>(vpn, preferences));
        view = countdown->view();
        Alert(services).showIKSUTCAlert(countdown, preferences, test::trackerOver(tracking));
    }
    void TearDown() override {
        window.reset();
        AutoDialTest::TearDown();
    }
    appkit::AlertSheet* sheet() { return qobject_cast<appkit::AlertSheet*>(window->attachedSheet()); }

    appkit::Application app;
    std::unique_ptr<appkit::Window> window;
    AlertServices services;
    std::shared_ptr<test::RecordingTracking> tracking = std::make_shared<test::RecordingTracking>();
    std::shared_ptr<AutoDialCountdown> countdown;
    QPointer<AutoDialView> view;
};

TEST_F(AutoDialSheetTest, TheSheetShowsTheCountAndItsEndReconnectsWithoutAButton) {
    ASSERT_TRUE(sheet());
    ASSERT_TRUE(view);
    EXPECT_EQ(sheet()->accessoryView(), view.data());
    EXPECT_TRUE(view->isCounting());
    for (int tick = 0; tick < 9; ++tick) view->updateTime();
    EXPECT_EQ(view->message()->text().toStdString(), filled("1"));
    EXPECT_TRUE(vpn->calls.empty());

    view->updateTime();
    EXPECT_EQ(sheet(), nullptr);
    EXPECT_EQ(vpn->calls, (std::vector<std::string>{"checkConnectivity(false)", "reconnectVPN"}));
    // Ended from outside, the sheet runs none of its buttons' handlers (no second reconnect).
    test::flushDeferredDeletes();
    EXPECT_EQ(vpn->calls.size(), 2u);
    EXPECT_TRUE(tracking->tracked.empty());
}

TEST_F(AutoDialSheetTest, AButtonBeforeTheEndStopsTheCount) {
    ASSERT_TRUE(sheet());
    for (int tick = 0; tick < 5; ++tick) view->updateTime();
    QTest::mouseClick(sheet()->buttons()[1], Qt::LeftButton);  // "Unblock Internet"
    EXPECT_EQ(vpn->calls, std::vector<std::string>{"disableFirewall"});
    ASSERT_TRUE(view);  // still there until the loop deletes the ended sheet
    EXPECT_FALSE(view->isCounting());
    for (int tick = 0; tick < 10; ++tick) view->updateTime();
    EXPECT_EQ(vpn->calls, std::vector<std::string>{"disableFirewall"});
}

}  // namespace
}  // namespace morvex
