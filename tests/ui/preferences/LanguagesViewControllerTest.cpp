// The languages panel driven as a user would: the current language marked, a change asked for,
// refused while a tunnel is up, confirmed into a stored language and a restart, or cancelled.
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "alerts/AlertTestSupport.h"
#include "appkit/Application.h"
#include "appkit/Window.h"
#include "foundation/NotificationCenter.h"
#include "app/Storyboards.h"
#include "appkit/Storyboard.h"
#include "state/AppPreferences.h"
#include "ui/kit/CustomSegmentedControl.h"
#include "ui/preferences/AppSettingsViewController.h"
#include "ui/preferences/Preferences1ViewController.h"
#include "state/LanguageManager.h"
#include "ui/preferences/LanguagesViewController.h"

namespace morvex {
namespace {

using Panel = LanguagesViewController;

class LanguagesPanelTest : public test::AlertTest {
protected:
    std::vector<std::string> events;  // "set <code>" and "restart", in order

    Panel::Collaborators collaborators() {
        Panel::Collaborators c;
        c.setLanguage = [this](const std::string& code) { events.push_back("set " + code); };
        c.restart = [this] { events.push_back("restart"); };
        return c;
    }

    struct Stage {
        appkit::Application app;
        appkit::Window window{QSize(688, 460)};
        Panel* panel;
        explicit Stage(Panel::Collaborators c) : panel(new Panel(std::move(c))) {
            window.setContentViewController(panel);
            window.show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        }
    };

    static std::optional<std::string> storedCode() {
        return AppPreferences().defaults().string(AppPreferences::Key::preferredLanguageCode);
    }
    static void radios(const Panel& panel, std::string_view english, std::string_view german) {
        EXPECT_EQ(panel.radioImage(Panel::kEnglishTag), english);
        EXPECT_EQ(panel.radioImage(Panel::kGermanTag), german);
    }
};

void click(QWidget* w) {
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

TEST_F(LanguagesPanelTest, WithNothingStoredGermanIsCurrentAndEnglishIsAskedForThenAppliedWithARestart) {
    Stage stage(collaborators());
    Panel& panel = *stage.panel;
    radios(panel, "radioInactive", "radioActive");

    click(panel.radioGerman());
    EXPECT_TRUE(presenter->shown.empty()) << "the current language asks nothing";

    click(panel.radioEnglish());
    ASSERT_EQ(presenter->shown.size(), 1u);
    EXPECT_EQ(presenter->last().title, localized("alert.title.confirmLanguageChange"));
    EXPECT_NE(presenter->last().window, nullptr) << "a sheet on the panel's window";
    EXPECT_TRUE(events.empty());
    radios(panel, "radioInactive", "radioActive");

    presenter->press(0);
    EXPECT_EQ(events, (std::vector<std::string>{"set en", "restart"}));
}

TEST_F(LanguagesPanelTest, CancellingChangesNothing) {
    AppPreferences().defaults().set(std::string("en"), AppPreferences::Key::preferredLanguageCode);
    Stage stage(collaborators());
    Panel& panel = *stage.panel;
    radios(panel, "radioActive", "radioInactive");

    click(panel.radioGerman());
    presenter->press(1);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(storedCode(), "en");
    radios(panel, "radioActive", "radioInactive");
}

TEST_F(LanguagesPanelTest, ATunnelUpOrComingUpGetsOnlyTheNoticeAndKeepsTheLanguage) {
    for (auto state : {zevu::ZevuVPNState::Connected, zevu::ZevuVPNState::Connecting}) {
        vpn->status = zevu::rawValue(state);
        presenter->shown.clear();
        Stage stage(collaborators());
        click(stage.panel->radioEnglish());
        ASSERT_EQ(presenter->shown.size(), 1u);
        EXPECT_EQ(presenter->last().message, localized("alert.message.confirmLanguageChange.connected"));
        presenter->press(0);
        EXPECT_TRUE(events.empty());
        EXPECT_EQ(storedCode(), std::nullopt);
    }
}

TEST_F(LanguagesPanelTest, TheRadiosFollowTheAnnouncedLanguageAndBackAsksForThePanelToGo) {
    Stage stage(collaborators());
    Panel& panel = *stage.panel;
    AppPreferences().defaults().set(std::string("en"), AppPreferences::Key::preferredLanguageCode);
    radios(panel, "radioInactive", "radioActive");
    NotificationCenter::defaultCenter().post(languageDidChangeNotification, {}, {{"language", std::string("en")}});
    radios(panel, "radioActive", "radioInactive");

    int dismissed = 0;
    auto token = NotificationCenter::defaultCenter().addObserver(Panel::dismissNotification,
                                                                 [&](const Notification&) { ++dismissed; });
    click(panel.backButton());
    EXPECT_EQ(dismissed, 1);
}

TEST_F(LanguagesPanelTest, InThePreferencesPageTheLanguageRowSlidesThePanelInAndBackSlidesItOut) {
    registerStoryboards();
    appkit::Application app;
    appkit::Window window(QSize(688, 500));
    auto* page = qobject_cast<Preferences1ViewController*>(
        appkit::Storyboard::named(kMainStoryboard)->instantiateController("PreferencesPageViewController"));
    ASSERT_NE(page, nullptr);
    window.setContentViewController(page);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    NotificationCenter::defaultCenter().post(kSettingsSegmentedControlSwitchNotification, {},
                                             {{"section", std::string("app")}});
    auto* settings = page->findChild<AppSettingsViewController*>();
    auto* panel = page->findChild<Panel*>();
    ASSERT_TRUE(settings && panel);
    ASSERT_TRUE(test::waitUntil([&] { return settings->languageRow()->isVisible(); }));
    EXPECT_EQ(page->constraintLanguageController(), Preferences1ViewController::kPanelHiddenOffset);

    click(settings->languageRow());
    ASSERT_TRUE(test::waitUntil([&] { return page->constraintLanguageController() == 0; }));
    EXPECT_TRUE(panel->radioEnglish()->isVisible());
    click(panel->backButton());
    EXPECT_TRUE(test::waitUntil(
        [&] { return page->constraintLanguageController() == Preferences1ViewController::kPanelHiddenOffset; }));
}

}  // namespace
}  // namespace morvex
