// The preferences page of the main window as one whole: a setting changed on one page (or by
// clearing the preferences) shows the same on every other page and panel that shows it, once the
// user gets there — the embedded settings pages and panels stay loaded, so they must re-read.
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <functional>

#include "alerts/AlertTestSupport.h"
#include "app/Storyboards.h"
#include "appkit/Application.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "state/PreservedPreferences.h"
#include "support/TestSupport.h"
#include "ui/kit/CustomButtons.h"
#include "ui/preferences/Preferences1ViewController.h"
#include "ui/preferences/ProtocolsViewController.h"
#include "ui/preferences/SettingsPageWidgets.h"
#include "ui/preferences/VPNSettingsViewController.h"

namespace morvex {
namespace {

using Page = Preferences1ViewController;
constexpr int kGeneral = 0, kProtocols = 1, kAdvanced = 2;

class PreferencesTruthTest : public test::AlertTest {
protected:
    void TearDown() override {
        window.reset();
        test::AlertTest::TearDown();
    }

public:  // the cases' steps drive the page through these

    void open() {
        registerStoryboards();
        isSettingsLocationOpen = false;
        page = qobject_cast<Page*>(appkit::Storyboard::named(kMainStoryboard)->instantiateController("PreferencesPageViewController"));
        ASSERT_NE(page, nullptr);
        window = std::make_unique<appkit::Window>(QSize(760, 500));
        window->setContentViewController(page);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    template <class W>
    static W* find(appkit::ViewController* on, const char* name) {
        return on ? on->view()->findChild<W*>(QString::fromLatin1(name)) : nullptr;
    }
    static void click(QWidget* w) {
        ASSERT_NE(w, nullptr);
        QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
    }

    VPNSettingsViewController* vpnPage() const { return page->findChild<VPNSettingsViewController*>(); }
    // The protocol page in the panel (the protocol link makes another one).
    ProtocolsViewController* protocolPanel() const {
        for (auto* p : page->findChildren<ProtocolsViewController*>())
            if (p->isViewLoaded() && p->view()->parentWidget() == page->protocolsPanel) return p;
        return nullptr;
    }
    appkit::ViewController* link(int index) {
        click(page->tabButtons[std::size_t(index)]);
        return page->detailViewController();
    }
    void back() { click(page->backButton); }
    ProtocolsViewController* slideProtocolsIn() {
        click(find<QPushButton>(vpnPage(), "openProtocolSettings"));
        EXPECT_TRUE(test::waitUntil([&] { return page->constraintProtocolsController() == 0; }));
        return protocolPanel();
    }
    void slideProtocolsOut() {
        click(protocolPanel()->backButton);
        EXPECT_TRUE(test::waitUntil([&] { return page->constraintProtocolsController() == Page::kPanelHiddenOffset; }));
    }
    static bool shows(SettingsToggle* toggle, bool on) {
        return toggle && toggle->isChecked() == on && std::string(toggle->imageName()) == (on ? "toggle_switch_on" : "toggle_switch_off");
    }
    static bool showsAutomatic(ProtocolsViewController* p, bool automatic) {
        return p && ProtocolsViewController::imageName(p->btnAutomatic2) == (automatic ? "radioActive" : "sortRadioUnselected") &&
               ProtocolsViewController::imageName(p->btnManual2) == (automatic ? "sortRadioUnselected" : "radioActive");
    }
    static void clear() { PreservedPreferences().clearUserPreferences(); }

    std::unique_ptr<appkit::Window> window;
    Page* page = nullptr;
};

TEST_F(PreferencesTruthTest, ASettingChangedAnywhereShowsTheSameOnEveryPageAndPanelThatShowsIt) {
    struct Case {
        const char* name;
        std::function<void(PreservedPreferences&)> stored;
        std::function<void(PreferencesTruthTest&)> change;
        std::function<void(PreferencesTruthTest&)> read;
    };
    const auto killSwitchReadsOff = [](PreferencesTruthTest& t) {
        EXPECT_FALSE(PreservedPreferences().enableIKS());
        EXPECT_TRUE(test::waitUntil([&] { return shows(find<SettingsToggle>(t.vpnPage(), "btnkillSwitch"), false); }))
            << "the VPN page";
        EXPECT_EQ(find<QLabel>(t.vpnPage(), "btnkillSwitchStatus")->text(), "Off");
        EXPECT_TRUE(shows(find<SettingsToggle>(t.link(kAdvanced), "btnHelperTool"), false)) << "the advanced page";
    };
    const auto autoConnectReads = [](bool on) {
        return [on](PreferencesTruthTest& t) {
            EXPECT_EQ(PreservedPreferences().reconnectOnLaunch(), on);
            EXPECT_TRUE(test::waitUntil([&] { return shows(find<SettingsToggle>(t.vpnPage(), "btnAutoConnect"), on); }))
                << "the VPN page";
            EXPECT_TRUE(test::waitUntil([&] { return find<QWidget>(t.vpnPage(), "autoConnectDropDownRow")->isVisible() == on; }))
                << "the VPN page's choice of location";
            EXPECT_TRUE(shows(find<SettingsToggle>(t.link(kGeneral), "btn_autoConnect"), on)) << "the general page";
            t.back();
        };
    };
    const auto protocolReadsAutomatic = [](PreferencesTruthTest& t) {
        EXPECT_TRUE(PreservedPreferences().automaticProtocol());
        EXPECT_TRUE(showsAutomatic(t.slideProtocolsIn(), true)) << "the protocol panel";
        EXPECT_TRUE(test::waitUntil([&] {
            return t.protocolPanel()->constraintManaulHeight() == ProtocolsViewController::kManualCollapsedHeight;
        })) << "the panel's manual section closed";
        t.slideProtocolsOut();
        EXPECT_TRUE(showsAutomatic(qobject_cast<ProtocolsViewController*>(t.link(kProtocols)), true)) << "the protocol page";
    };
    const Case cases[] = {
        {"kill switch turned off on the advanced page", [](PreservedPreferences& p) { p.setEnableIKS(true); },
         [](PreferencesTruthTest& t) {
             EXPECT_TRUE(shows(find<SettingsToggle>(t.vpnPage(), "btnkillSwitch"), true));
             click(find<SettingsToggle>(t.link(kAdvanced), "btnHelperTool"));
             t.back();
         },
         killSwitchReadsOff},
        {"kill switch cleared", [](PreservedPreferences& p) { p.setEnableIKS(true); },
         [](PreferencesTruthTest& t) {
             EXPECT_TRUE(shows(find<SettingsToggle>(t.vpnPage(), "btnkillSwitch"), true));
             clear();
         },
         killSwitchReadsOff},
        {"auto-connect turned on on the general page", [](PreservedPreferences& p) { p.setReconnectOnLaunch(false); },
         [](PreferencesTruthTest& t) {
             click(find<SettingsToggle>(t.link(kGeneral), "btn_autoConnect"));
             t.back();
         },
         autoConnectReads(true)},
        {"auto-connect turned off on the VPN page", [](PreservedPreferences& p) { p.setReconnectOnLaunch(true); },
         [](PreferencesTruthTest& t) { click(find<SettingsToggle>(t.vpnPage(), "btnAutoConnect")); }, autoConnectReads(false)},
        {"auto-connect cleared", [](PreservedPreferences& p) { p.setReconnectOnLaunch(true); },
         [](PreferencesTruthTest& t) {
             EXPECT_TRUE(test::waitUntil([&] { return shows(find<SettingsToggle>(t.vpnPage(), "btnAutoConnect"), true); }));
             clear();
         },
         autoConnectReads(false)},
        {"protocol made automatic on the protocol page",
         [](PreservedPreferences& p) {
             p.setAutomaticProtocol(false);
             p.setSelectedProtocol(VPNProtocol::UDP);
         },
         [](PreferencesTruthTest& t) {
             // The panel has shown manual once, then the protocol page changes it.
             EXPECT_TRUE(showsAutomatic(t.slideProtocolsIn(), false));
             t.slideProtocolsOut();
             click(qobject_cast<ProtocolsViewController*>(t.link(kProtocols))->btnAutomatic2);
             t.back();
         },
         protocolReadsAutomatic},
        {"protocol cleared",
         [](PreservedPreferences& p) {
             p.setAutomaticProtocol(false);
             p.setSelectedProtocol(VPNProtocol::UDP);
         },
         [](PreferencesTruthTest& t) {
             EXPECT_TRUE(showsAutomatic(t.slideProtocolsIn(), false));
             t.slideProtocolsOut();
             clear();
         },
         protocolReadsAutomatic},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PreservedPreferences stored;
        c.stored(stored);
        open();
        c.change(*this);
        c.read(*this);
        window.reset();
        test::flushDeferredDeletes();
    }
}

}  // namespace
}  // namespace morvex
