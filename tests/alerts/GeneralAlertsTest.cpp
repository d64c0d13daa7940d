#include <gtest/gtest.h>

#include <functional>

#include "alerts/AlertTestSupport.h"
#include "foundation/Log.h"
#include "model/WebLink.h"

using namespace morvex;
using namespace morvex::test;

namespace {

using Style = Alert::Style;

struct Layout {
    const char* name;
    std::function<void(std::shared_ptr<AlertWindow>)> build;
    std::string title;
    std::optional<std::string> message;
    Style style;
    std::vector<std::string> buttons;
    bool onGivenWindow;
};

class GeneralAlertsTest : public AlertTest {};

}  // namespace

TEST_F(GeneralAlertsTest, EachBuilderShowsItsTextsStyleButtonsAndWindow) {
    auto view = std::make_shared<AlertAccessory>();
    PreservedPreferences prefs;
    const std::vector<Layout> layouts = {
        {"critical", [](auto) { Alert().showCritical("Disk full", "Free some space."); }, "Disk full", "Free some space.",
         Style::critical, {}, false},
        {"info", [](auto) { Alert().showInfo("Up to date", "1.0.0"); }, "Up to date", "1.0.0", Style::informational,
         texts({"ok"}), false},
        {"accessory", [view](auto) { Alert().showAccessory("Looking for updates", view); }, "Looking for updates",
         std::nullopt, Style::informational, texts({"ok"}), false},
        {"localized", [](auto) { Alert().showLocalized("warning", "update.check.alert.disconnect"); },
         localized("warning"), localized("update.check.alert.disconnect"), Style::informational, texts({"ok"}), false},
        {"dedicated IP info", [](auto) { Alert().showDedicatedIPInfo(); },
         localized("connection.details.dedicated.ip.title"), localized("connection.details.dedicated.ip.message"),
         Style::informational, texts({"ok"}), false},
        {"character limit", [](auto) { Alert().showCharacterLimitExceeded(); }, localized("warning"),
         localized("character.limit.exceeded.messsage"), Style::informational, texts({"ok"}), false},
        {"data store upgraded", [](auto) { Alert().showDataStoreUpgraded(); },
         localized("data.store.version.upgraded.alert.title"), localized("data.store.version.upgraded.alert.message"),
         Style::informational, {}, false},
        {"IKS cannot change", [](auto w) { Alert().showIKSCannotChange(w); }, localized("alert.iks.cannot.change.title"),
         localized("alert.iks.cannot.change.message"), Style::informational, {}, true},
        {"update needs disconnect", [](auto) { Alert().showUpdateNeedsDisconnect(); }, localized("warning"),
         localized("update.check.alert.disconnect"), Style::warning, texts({"ok"}), false},
        {"clear preferences", [prefs](auto w) { Alert().showClearPreferences(prefs, w); },
         localized("clear.preference.alert.title"), localized("clear.preference.alert.message"), Style::warning,
         texts({"clear.preference.alert.button.one", "clear.preference.alert.button.two"}), true},
        {"clear preferences connected", [](auto) { Alert().showClearPreferencesConnected(); },
         localized("clear.preference.alert.connected.title"), localized("clear.preference.alert.connected.message"),
         Style::warning, texts({"clear.preference.alert.connected.button.one"}), false},
        {"refer a friend", [prefs, this](auto) { Alert().showReferAFriend(prefs, tracker()); },
         localized("alert.refer.a.friend.title"), localized("alert.refer.a.friend.message"), Style::informational,
         texts({"alert.refer.a.friend.button.one", "alert.refer.a.friend.button.two"}), false},
        {"rate on store", [prefs, this](auto) { Alert().showRateOnStore(true, prefs, tracker()); },
         localized("alert.rate.on.store.title"), localized("alert.rate.on.store.message"), Style::informational,
         texts({"alert.rate.on.store.button.one", "alert.rate.on.store.button.two", "alert.rate.on.store.button.three"}),
         false},
    };
    for (const auto& row : layouts) {
        SCOPED_TRACE(row.name);
        auto window = std::make_shared<TestWindow>();
        row.build(window);
        ASSERT_FALSE(presenter->shown.empty());
        const Alert& a = presenter->last();
        EXPECT_EQ(a.title, row.title);
        EXPECT_EQ(a.message, row.message);
        EXPECT_EQ(a.style, row.style);
        EXPECT_EQ(a.buttons, row.buttons);
        EXPECT_EQ(a.window, row.onGivenWindow ? window : nullptr);
        presenter->shown.clear();
    }
}

TEST_F(GeneralAlertsTest, AnswersFollowTheOrderButtonsWereAddedAndTheDefaultButtonAnswersTheFirst) {
    EXPECT_EQ(Alert::responseForButton(0), 1000);
    EXPECT_EQ(Alert::responseForButton(1), 1001);
    EXPECT_EQ(Alert::responseForButton(2), 1002);

    // Rate-on-store has three buttons; each index reaches its own action.
    struct Case {
        std::size_t button;
        bool ratedBefore;
        const char* action;
        bool ratedAfter;
    };
    for (const Case& c : {Case{0, false, "Rate 5 Stars", true}, Case{1, false, "Remind Later", false},
                          Case{1, true, "Remind Later", true}, Case{2, false, "Do not ask again", true}}) {
        SCOPED_TRACE(c.action);
        PreservedPreferences prefs;
        prefs.setRatedOnStore(c.ratedBefore);
        Alert().showRateOnStore(false, prefs, tracker());
        presenter->press(c.button);
        EXPECT_EQ(prefs.ratedOnStore(), c.ratedAfter);
        EXPECT_EQ(event("app_store_rating"),
                  (Dictionary{{"action", c.action}, {"prompt-type", "in-session"}}));
    }
    Alert().showRateOnStore(true, PreservedPreferences(), tracker());
    presenter->press(0);
    EXPECT_EQ(event("app_store_rating").at("prompt-type"), Value("popup"));

    // A builder that adds no button shows the default one, which answers 1000: here it opens the
    // error's recovery link, which only the first answer does.
    Error error("MorvexVPNErrorDomain", 5043, "Connection failed");
    error.userInfo[std::string(NSRecoveryAttempterErrorKey)] = Array{Value("https://help.example.com/5043")};
    Alert().showError(error);
    EXPECT_TRUE(presenter->last().buttons.empty());
    EXPECT_EQ(presenter->last().shownButtons(), texts({"ok"}));
    presenter->press(0);
    EXPECT_EQ(opened, std::vector<std::string>{"https://help.example.com/5043"});
}

TEST_F(GeneralAlertsTest, ReferAFriendOpensTheInvitePageOnlyForTheFirstButton) {
    User user;
    user.setVpnUsername("alice");
    user.setUuid("u-1");
    user.setLoginMethod("email");
    PreservedPreferences prefs;

    Alert().showReferAFriend(prefs, tracker());
    presenter->press(1);
    EXPECT_TRUE(opened.empty());
    EXPECT_FALSE(prefs.referredAFriend());
    EXPECT_EQ(event("app_refer_a_friend"), (Dictionary{{"referred", false}}));

    Alert().showReferAFriend(prefs, tracker());
    presenter->press(0);
    EXPECT_TRUE(prefs.referredAFriend());
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(opened[0].starts_with(urlString(WebLink::InviteFriend))) << opened[0];
    EXPECT_NE(opened[0].find("sUsername=alice"), std::string::npos) << opened[0];
    EXPECT_NE(opened[0].find("uuid=u-1"), std::string::npos) << opened[0];  // an e-mail log-in carries the uuid
    EXPECT_EQ(event("app_refer_a_friend"), (Dictionary{{"referred", true}}));
}

TEST_F(GeneralAlertsTest, ErrorAlertOpensOnlyAWholeHttpOrHttpsRecoveryLink) {
    struct Case {
        std::optional<Value> entry;
        bool opens;
    };
    const std::vector<Case> cases = {
        {Array{Value("https://help.example.com/a?b=c")}, true},
        {Array{Value("http://help.example.com/"), Value("https://other.example.com/")}, true},
        {Array{Value("HTTPS://help.example.com/")}, true},
        {Array{Value("file:///etc/passwd")}, false},
        {Array{Value("ftp://files.example.com/x")}, false},
        {Array{Value("mailto:support@example.com")}, false},
        {Array{Value("javascript:alert(1)")}, false},
        {Array{Value("zarnapp://apps.example.com/callback")}, false},
        {Array{Value("see https://help.example.com/")}, false},
        {Array{Value("https://help.example.com/ now")}, false},
        {Array{Value("")}, false},
        {Array{}, false},
        {Value("https://help.example.com/"), false},  // not a list
        {std::nullopt, false},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        opened.clear();
        Error error("MorvexVPNErrorDomain", -1002, "Same server, please disconnect first");
        if (cases[i].entry) error.userInfo[std::string(NSRecoveryAttempterErrorKey)] = *cases[i].entry;
        Alert().showError(error);
        EXPECT_EQ(presenter->last().title, "Same server, please disconnect first");
        presenter->press(0);
        EXPECT_EQ(opened.size(), cases[i].opens ? 1u : 0u);
    }

    // The error's recovery options are its buttons; only the first opens the link.
    Error offered("MorvexVPNErrorDomain", 5104, "Unable to connect");
    offered.userInfo[std::string(NSLocalizedRecoverySuggestionErrorKey)] = Value("Try again later.");
    offered.userInfo[std::string(NSLocalizedRecoveryOptionsErrorKey)] = Array{Value("Help"), Value("Close")};
    offered.userInfo[std::string(NSRecoveryAttempterErrorKey)] = Array{Value("https://help.example.com/5104")};
    opened.clear();
    Alert().showError(offered);
    EXPECT_EQ(presenter->last().message, "Try again later.");
    EXPECT_EQ(presenter->last().buttons, (std::vector<std::string>{"Help", "Close"}));
    presenter->press(1);
    EXPECT_TRUE(opened.empty());
}

TEST_F(GeneralAlertsTest, ClearPreferencesNeedsAWindowAndClearsOnlyOnTheFirstButton) {
    User().setVpnUsername("alice");
    PreservedPreferences prefs;
    prefs.setEnableIKS(true);

    Alert().showClearPreferences(prefs, nullptr);
    EXPECT_TRUE(presenter->shown.empty());

    Alert().showClearPreferences(prefs, std::make_shared<TestWindow>());
    presenter->press(1);
    EXPECT_TRUE(prefs.enableIKS());
    Alert().showClearPreferences(prefs, std::make_shared<TestWindow>());
    presenter->press(0);
    EXPECT_FALSE(prefs.enableIKS());

    Alert().showIKSCannotChange(nullptr);
    EXPECT_EQ(presenter->shown.size(), 2u);
}

TEST_F(GeneralAlertsTest, TicketNumberFillsTheMessageAndDismissEndsTheAttachedSheet) {
    Alert().showSubmitTicketPopup("%d 4711");
    ASSERT_TRUE(presenter->last().message);
    const std::string& message = *presenter->last().message;
    EXPECT_NE(message.find("%d 4711"), std::string::npos) << message;
    EXPECT_EQ(message.find("%@"), std::string::npos) << message;

    Alert().dismissSheet();
    EXPECT_EQ(presenter->endedFromOutside, 1);
}

TEST_F(GeneralAlertsTest, WithoutAnInstalledPresenterAnAlertIsLoggedNotShown) {
    AlertServices none = services();
    none.presenter = nullptr;
    AlertServices::install(none);
    AlertServices installed = AlertServices::installed();
    ASSERT_EQ(installed.presenter, nullptr);
    log::Capture lines;
    Alert().showInfo("Up to date", "1.0.0");
    EXPECT_TRUE(lines.containsText("Up to date"));
    EXPECT_TRUE(presenter->shown.empty());
}
