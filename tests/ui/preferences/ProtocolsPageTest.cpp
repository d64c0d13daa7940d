// The protocol page driven as a user would: picking a protocol, switching between automatic and
// manual, the fallback switch with its warning, and the system-extension panel with the step its
// button performs.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

#include "app/Storyboards.h"
#include "flows/MorvexVPNService.h"
#include "appkit/Application.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "state/AppPreferences.h"
#include "state/PreservedPreferences.h"
#include "support/TestSupport.h"
#include "ui/kit/ProtocolsAlertViewController.h"
#include "ui/preferences/ProtocolsViewController.h"

namespace morvex {
namespace {

using ProtocolsPageTest = test::TempConfigTest;
using Page = ProtocolsViewController;

// What the page asked of the world outside.
struct Outside {
    int activations = 0;
    std::vector<std::string> scripts, urls;
    std::function<void()> turnOff, keepOn;  // the last question's two answers
    int automaticQuestions = 0, fallbackQuestions = 0;
    int rebootQuestions = 0;
    std::function<void()> restart;  // the reboot question's yes
};

struct Stage {
    appkit::Application app;
    appkit::Window window{QSize(560, 460)};
    Outside outside;
    Page* page = nullptr;

    Stage() {
        registerStoryboards();
        Page::Hooks hooks;
        hooks.activateExtension = [this] { ++outside.activations; };
        hooks.runRebootScript = [this](const std::string& path) { outside.scripts.push_back(path); };
        hooks.confirmReboot = [this](std::function<void()> restart) {
            ++outside.rebootQuestions, outside.restart = std::move(restart);
        };
        hooks.openURL = [this](const std::string& url) { outside.urls.push_back(url); };
        hooks.vpnStatus = [] { return 0; };
        hooks.askAutomaticOff = [this](std::function<void()> off, std::function<void()> on) {
            ++outside.automaticQuestions, outside.turnOff = std::move(off), outside.keepOn = std::move(on);
        };
        hooks.askFallbackOff = [this](std::function<void()> off, std::function<void()> on) {
            ++outside.fallbackQuestions, outside.turnOff = std::move(off), outside.keepOn = std::move(on);
        };
        page = new Page(std::make_unique<ProtocolsModel>(PreservedPreferences(), AppPreferences(), MorvexVPNService::makeZevu(),
                                                   MorvexVPNService::makeEventTracker()), std::move(hooks));
    }
    void show() {
        window.setContentViewController(page);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    static void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    bool settled(int manualHeight) {
        return test::waitUntil([&] { return page->constraintManaulHeight() == manualHeight; });
    }
};

void storeManual(VPNProtocol protocol) {
    PreservedPreferences prefs;
    prefs.setAutomaticProtocol(false);
    prefs.setSelectedProtocol(protocol);
}

void storeStatuses(std::int64_t openVPN, std::int64_t wireGuard) {
    AppPreferences preferences;
    preferences.defaults().set(Value(openVPN), AppPreferences::Key::openVPNSystemExtensionStatus);
    preferences.defaults().set(Value(wireGuard), AppPreferences::Key::wgSystemExtensionStatus);
}

TEST_F(ProtocolsPageTest, PickingAProtocolStoresItAndKeepsThePopUpOnIt) {
    storeManual(VPNProtocol::IKEv2);
    storeStatuses(1, 1);
    Stage stage;
    stage.show();
    QComboBox* popUp = stage.page->protocolsDropDown;
    // TCP is never offered; the tags follow the order.
    ASSERT_EQ(popUp->count(), 4);
    const std::pair<const char*, int> offered[] = {{"IKEv2", 1}, {"IPSec", 2}, {"UDP", 3}, {"WireGuard", 4}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(popUp->itemText(i), QString::fromLatin1(offered[i].first));
        EXPECT_EQ(popUp->itemData(i).toInt(), offered[i].second);
    }
    EXPECT_EQ(popUp->currentText(), QStringLiteral("IKEv2"));

    QTest::keyClick(popUp, Qt::Key_End);  // the last item: WireGuard
    EXPECT_EQ(PreservedPreferences().selectedProtocol(), VPNProtocol::WireGuard);
    EXPECT_EQ(stage.page->lblSelectedProtocol->text(), QStringLiteral("WireGuard"));
    QCoreApplication::processEvents();
    EXPECT_EQ(popUp->currentData().toInt(), 4);

    QTest::keyClick(popUp, Qt::Key_Up);
    EXPECT_EQ(PreservedPreferences().selectedProtocol(), VPNProtocol::UDP);
    EXPECT_EQ(stage.page->lblSelectedProtocol->text(), QStringLiteral("UDP"));
}

TEST_F(ProtocolsPageTest, AStoredTcpIsNamedButSelectsNothingInThePopUp) {
    storeManual(VPNProtocol::TCP);
    Stage stage;
    stage.show();
    EXPECT_EQ(stage.page->lblSelectedProtocol->text(), QStringLiteral("TCP"));
    EXPECT_EQ(stage.page->protocolsDropDown->currentIndex(), -1);
    EXPECT_EQ(stage.page->protocolsDropDown->placeholderText(), QStringLiteral("TCP"));
}

TEST_F(ProtocolsPageTest, ManualModeIsConfirmedFirstAndAutomaticCollapsesItAgain) {
    storeStatuses(1, 1);
    Stage stage;
    stage.show();
    Page* page = stage.page;
    const auto faint = [&] { return page->colorsProtocolsOptionLabel.value().alphaF() < 0.5; };
    // Automatic out of the box: the manual section folded, its texts faint, no fallback.
    EXPECT_TRUE(page->automaticProtocol());
    EXPECT_TRUE(stage.settled(Page::kManualCollapsedHeight));
    EXPECT_TRUE(page->viewFallback->isHidden());
    EXPECT_TRUE(faint());
    EXPECT_EQ(Page::imageName(page->btnAutomatic2), "radioActive");
    EXPECT_EQ(Page::imageName(page->btnManual2), "sortRadioUnselected");

    // "Keep on" leaves it automatic.
    Stage::click(page->btnManual2);
    ASSERT_EQ(stage.outside.automaticQuestions, 1);
    stage.outside.keepOn();
    EXPECT_TRUE(PreservedPreferences().automaticProtocol());
    EXPECT_EQ(Page::imageName(page->btnAutomatic2), "radioActive");

    // "Turn off" opens the manual section.
    Stage::click(page->btnManual2);
    ASSERT_EQ(stage.outside.automaticQuestions, 2);
    stage.outside.turnOff();
    EXPECT_FALSE(PreservedPreferences().automaticProtocol());
    EXPECT_TRUE(stage.settled(Page::kManualExpandedHeight));
    EXPECT_TRUE(test::waitUntil([&] { return page->viewFallback->isVisible(); }));
    EXPECT_FALSE(faint());
    EXPECT_EQ(Page::imageName(page->btnManual2), "radioActive");

    // Manual again asks nothing; automatic (disconnected) needs no question.
    Stage::click(page->btnManual2);
    EXPECT_EQ(stage.outside.automaticQuestions, 2);
    Stage::click(page->btnAutomatic2);
    EXPECT_TRUE(PreservedPreferences().automaticProtocol());
    EXPECT_EQ(PreservedPreferences().selectedProtocol(), VPNProtocol::IPSec);
    EXPECT_TRUE(stage.settled(Page::kManualCollapsedHeight));
    EXPECT_TRUE(page->viewFallback->isHidden());
    EXPECT_TRUE(faint());
}

TEST_F(ProtocolsPageTest, ClearedPreferencesPutTheManualPageBackToAutomatic) {
    storeManual(VPNProtocol::UDP);
    Stage stage;
    stage.show();
    ASSERT_TRUE(stage.settled(Page::kManualExpandedHeight));
    NotificationCenter::defaultCenter().post(PreservedPreferences::preferencesRefreshedNotification);
    EXPECT_TRUE(PreservedPreferences().automaticProtocol());
    EXPECT_TRUE(stage.settled(Page::kManualCollapsedHeight));
    EXPECT_TRUE(stage.page->viewSystemExtension->isHidden());
}

TEST_F(ProtocolsPageTest, TurningFallbackOffWarnsFirstAndEachAnswerSetsTheSwitch) {
    storeManual(VPNProtocol::IKEv2);
    Stage stage;
    stage.show();
    Page* page = stage.page;
    const auto shows = [&](bool on) {
        EXPECT_EQ(page->btnConnectToFallback->isChecked(), on);
        EXPECT_EQ(Page::imageName(page->btnConnectToFallback), on ? "toggle_switch_on" : "toggle_switch_off");
        EXPECT_EQ(page->lblStatusFallback->text(), on ? QStringLiteral("On") : QStringLiteral("Off"));
        EXPECT_EQ(PreservedPreferences().connectToFallback(), on);
    };
    ASSERT_TRUE(test::waitUntil([&] { return page->btnConnectToFallback->isVisible(); }));
    shows(true);

    Stage::click(page->btnConnectToFallback);
    ASSERT_EQ(stage.outside.fallbackQuestions, 1);
    shows(false);  // off while the warning is open
    stage.outside.keepOn();
    shows(true);

    Stage::click(page->btnConnectToFallback);
    ASSERT_EQ(stage.outside.fallbackQuestions, 2);
    stage.outside.turnOff();
    shows(false);

    Stage::click(page->btnConnectToFallback);  // back on: no question
    EXPECT_EQ(stage.outside.fallbackQuestions, 2);
    shows(true);
    EXPECT_EQ(PreservedPreferences().selectedProtocol(), VPNProtocol::IKEv2);
}

TEST_F(ProtocolsPageTest, TheExtensionPanelNamesThePendingStepAndItsButtonTakesIt) {
    struct Case {
        const char* name;
        std::int64_t openVPN, wireGuard;
        std::string message, button;
        int activations, scripts, urls;
    };
    const Case cases[] = {
        {"not installed", 0, 1, "UDP needs", "protocol.system.extension.not.installed.button.title", 1, 0, 0},
        {"missing counts as not installed", 9, 3, "UDP needs", "protocol.system.extension.not.installed.button.title", 1, 0, 0},
        {"restart", 2, 1, localized("protocol.system.extension.reboot.required.message"),
         "protocol.system.extension.reboot.required.button.title", 0, 1, 0},
        {"error of OpenVPN first", 4, 4, "(error 71)", "protocol.system.extension.error.button.title", 0, 0, 1},
        {"error of WireGuard", 3, 4, "(error 72)", "protocol.system.extension.error.button.title", 0, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        storeManual(VPNProtocol::UDP);
        storeStatuses(c.openVPN, c.wireGuard);
        AppPreferences().defaults().set(Value(71), AppPreferences::Key::openVPNSystemExtensionErrorCode);
        AppPreferences().defaults().set(Value(72), AppPreferences::Key::wgSystemExtensionErrorCode);
        Stage stage;
        stage.show();
        Page* page = stage.page;
        EXPECT_TRUE(page->viewSystemExtension->isVisible());
        EXPECT_NE(page->systemExtensionMessage->text().toStdString().find(c.message), std::string::npos)
            << page->systemExtensionMessage->text().toStdString();
        EXPECT_EQ(page->systemExtensionButton->text().toStdString(), localized(c.button));

        Stage::click(page->systemExtensionButton);
        EXPECT_EQ(stage.outside.activations, c.activations);
        // The restart is asked first: nothing runs before the user agrees.
        ASSERT_EQ(stage.outside.rebootQuestions, c.scripts);
        EXPECT_TRUE(stage.outside.scripts.empty());
        if (stage.outside.restart) stage.outside.restart();
        ASSERT_EQ(int(stage.outside.scripts.size()), c.scripts);
        if (c.scripts) {
            EXPECT_TRUE(stage.outside.scripts[0].ends_with("reboot.sh")) << stage.outside.scripts[0];
        }
        ASSERT_EQ(int(stage.outside.urls.size()), c.urls);
        if (c.urls) {
            EXPECT_NE(stage.outside.urls[0].find("/morvexvpn/ukp.aspx?donelr=1"), std::string::npos) << stage.outside.urls[0];
        }
    }
}

TEST_F(ProtocolsPageTest, TheApprovalStepShowsTheInstallationSheet) {
    storeManual(VPNProtocol::WireGuard);
    storeStatuses(1, 3);
    appkit::Application app;
    registerStoryboards();
    appkit::Window window(QSize(560, 460));
    auto* page = qobject_cast<Page*>(appkit::Storyboard::named(Page::kStoryboard)->instantiateController(Page::kStoryboardID));
    ASSERT_NE(page, nullptr);
    window.setContentViewController(page);
    window.show();
    EXPECT_EQ(page->systemExtensionButton->text().toStdString(), localized("protocol.system.extension.user.approval.button.title"));

    QTest::mouseClick(page->systemExtensionButton, Qt::LeftButton);
    ASSERT_NE(window.attachedSheet(), nullptr);
    auto* sheet = page->findChild<ProtocolsAlertViewController*>();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->alertTitle->text().toStdString(), localized("system.extension.install.title"));
    EXPECT_EQ(sheet->alertMessage->text().toStdString(), localized("system.extension.install.details"));
    EXPECT_EQ(sheet->primaryButton->text().toStdString(), localized("system.extension.install.primary.button.title"));
    EXPECT_TRUE(sheet->secondaryButton->isHidden());
}

TEST_F(ProtocolsPageTest, ThePanelFoldsOnceInstalledAndComesBackWhenAStepIsPendingAgain) {
    storeManual(VPNProtocol::WireGuard);
    storeStatuses(1, 3);
    Stage stage;
    stage.show();
    Page* page = stage.page;
    ASSERT_TRUE(page->viewSystemExtension->isVisible());

    AppPreferences().setWgSystemExtensionStatus(SystemExtensionStatus::Activated);
    EXPECT_TRUE(test::waitUntil([&] { return page->constraintSystemExtensionHeight() == 0; }));
    EXPECT_TRUE(page->systemExtensionInstalled.value());
    EXPECT_TRUE(page->viewSystemExtension->isHidden());

    AppPreferences().setOpenVPNSystemExtensionStatus(SystemExtensionStatus::Failed);
    EXPECT_TRUE(test::waitUntil([&] { return page->constraintSystemExtensionHeight() == Page::kSystemExtensionHeight; }));
    EXPECT_TRUE(page->viewSystemExtension->isVisible());
    EXPECT_EQ(page->systemExtensionButton->text().toStdString(), localized("protocol.system.extension.error.button.title"));
}

}  // namespace
}  // namespace morvex
