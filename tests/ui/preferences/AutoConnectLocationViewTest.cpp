// The auto-connect location row of the General and the VPN pages: it shows the stored location,
// its "Change" link opens the location picker on the page, and the picker's choice is stored and
// shown at once.
#include <QLabel>
#include <QPushButton>
#include <functional>
#include <gtest/gtest.h>

#include "app/Storyboards.h"
#include "appkit/Sheet.h"
#include "ui/preferences/GeneralViewController.h"
#include "ui/preferences/SettingsLocationViewController.h"
#include "ui/preferences/VPNSettingsViewController.h"
#include "ui/preferences/VpnPrefsTestSupport.h"

namespace morvex {
namespace {

using Via = PreservedPreferences::AutoConnectVia;
using Server = ZevuDataFetcherTypes::Server;
using ServerType = ZevuDataFetcherTypes::ServerType;

class AutoConnectLocationTest : public test::VpnPrefsPageTest {
protected:
    test::ManualClock clock;

    appkit::ViewController* generalPage() {
        GeneralViewController::Hooks hooks;
        hooks.setLoginItem = [](bool) { return true; };
        return show(new GeneralViewController(GeneralModel(PreservedPreferences(), AppPreferences(), tracker(), vpn), hooks));
    }
    appkit::ViewController* vpnPage() {
        auto* page = show(new VPNSettingsViewController(
            GeneralModel(PreservedPreferences(), AppPreferences(), tracker(), vpn),
            KillSwitchModel(PreservedPreferences(), tracker(), firewall.firewall(), vpn)));
        clock.advanceSeconds(VPNSettingsViewController::kFillDelay);
        return page;
    }
};

TEST_F(AutoConnectLocationTest, OnBothPagesThePickersChoiceIsStoredAndShown) {
    registerStoryboards();
    struct Case {
        const char* page;
        std::function<appkit::ViewController*()> open;
    };
    const Case cases[] = {{"General", [this] { return generalPage(); }}, {"VPN", [this] { return vpnPage(); }}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.page);
        PreservedPreferences prefs;
        prefs.setReconnectOnLaunch(true);
        prefs.setAutoConnectVia(Via::Location);
        prefs.setAutoConnectServer(std::make_shared<Server>("DE", "Germany", ServerType::Country, "DE"));
        auto* page = c.open();
        auto* name = page->view()->findChild<QLabel*>("autoConnectLocationName");
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(name->text(), "Germany");

        QTest::mouseClick(page->view()->findChild<QPushButton*>("changeLocation"), Qt::LeftButton);
        ASSERT_NE(window->attachedSheet(), nullptr);
        auto* picker = page->findChild<SettingsLocationViewController*>();
        ASSERT_NE(picker, nullptr);
        ASSERT_NE(picker->delegate, nullptr);
        picker->delegate->selectionDidChangedWithServer(std::make_shared<Server>("7", "Lyon", ServerType::City, "FR"));
        ASSERT_NE(prefs.autoConnectServer(), nullptr);
        EXPECT_EQ(prefs.autoConnectServer()->id, "7");
        EXPECT_EQ(name->text(), "Lyon");
    }
}

}  // namespace
}  // namespace morvex
