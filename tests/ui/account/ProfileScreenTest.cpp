// The profile page in the main window against the fake service: what it shows of the answer, the
// placeholders when there is nothing to ask, loading and the failure with its retry, the add-on and member-area
// flags, the sign-out and account-switch notifications, and the logout confirmation.
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLocale>
#include <QTableWidget>
#include <QTextDocumentFragment>
#include <QToolButton>

#include "AccountScreenFixture.h"
#include "foundation/NotificationCenter.h"
#include "foundation/UserDefaults.h"
#include "session/SwitchAccountModel.h"
#include "session/UserAuthentication.h"
#include "state/PreservedPreferences.h"
#include "ui/account/ProfileViewController.h"
#include "ui/kit/LayerViews.h"
#include "ui/kit/ThemedColor.h"

namespace morvex {
namespace {

class ProfileScreenTest : public AccountScreenTest {
protected:
    void SetUp() override {
        AccountScreenTest::SetUp();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    }
    void TearDown() override {
        QLocale::setDefault(QLocale::system());
        AccountScreenTest::TearDown();
    }
    // The profile answer with some fields replaced.
    void answerWith(const nlohmann::json& changes) {
        nlohmann::json profile = {{"client_name", "Alex Example"}, {"email", "alex@example.com"}, {"phone_number", ""},
                                  {"signup_date", "2024-03-01"},   {"billing_cycle", "annually"},  {"expiry_date", "2027-03-01"},
                                  {"status", "active"},            {"vpn_username", "morvex0s1234567"},
                                  {"is_trial", 0},                 {"grace_period", 0},           {"client_id", "42"},
                                  {"client_type", "paid"},
                                  {"payment_gateway", {{"name", "stripe"}, {"recurring_gateway", 1}, {"auto_recurring", 1}, {"sku", "annual"}}},
                                  {"active_addons", nlohmann::json::array()}, {"addons", nlohmann::json::array()}};
        profile.update(changes);
        service.route("GET", "/MorvexVPN/user/profile", fake::Answer::bodyOnly(profile));
    }
    ProfileViewController* openProfile() {
        auto* page = clickTab<ProfileViewController>(MainTab::Profile);
        EXPECT_NE(page, nullptr) << "the profile tab shows the profile page";
        return page;
    }
    bool loaded(ProfileViewController* page, int requests = 1) {
        return test::waitUntil([&] { return requestsTo("/user/profile") >= requests && !page->loadingProfile; });
    }
    QString shown(ProfileViewController* page, const char* name) {
        auto* label = page->view()->findChild<QLabel*>(QString::fromLatin1(name));
        return label ? label->text() : QStringLiteral("<no label>");
    }
    static QColor named(const char* name) { return ThemedColor::colorNamed(name).resolve(appkit::Appearance::Aqua); }
};

TEST_F(ProfileScreenTest, MarkupInTheServicesTextsIsShownAsTheCharactersItIs) {
    const std::string email = "<b>x</b><a href=\"https://attacker.example/\">click</a>";
    const std::string name = "<img src=\"https://attacker.example/p.png\">";
    answerWith({{"email", email}, {"vpn_username", name}});
    ProfileViewController* page = openProfile();
    ASSERT_TRUE(page);
    ASSERT_TRUE(loaded(page));
    auto* label = page->view()->findChild<QLabel*>(QStringLiteral("email"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_EQ(label->text().toStdString(), email);
    EXPECT_FALSE(label->openExternalLinks());
    // Drawn as characters: the label needs the width of the whole text with its brackets, where
    // markup would have drawn only "x" and "click".
    label->setWordWrap(false);
    EXPECT_GE(label->sizeHint().width(), label->fontMetrics().horizontalAdvance(label->text()));
    // The tool tips hold the same characters, escaped by the page rather than guessed at.
    EXPECT_EQ(QTextDocumentFragment::fromHtml(page->emailView->toolTip()).toPlainText().toStdString(), email);
    EXPECT_EQ(QTextDocumentFragment::fromHtml(page->usernameView->toolTip()).toPlainText().toStdString(), name);
}

TEST_F(ProfileScreenTest, ShowsTheAccountTheServiceDescribes) {
    ProfileViewController* page = openProfile();
    ASSERT_TRUE(page);
    ASSERT_TRUE(loaded(page));
    EXPECT_EQ(shown(page, "email"), "alex@example.com");
    // The name shown is the account in use on this device; the service's goes to the tool tip.
    EXPECT_EQ(shown(page, "username"), kUserInUse);
    EXPECT_EQ(QTextDocumentFragment::fromHtml(page->usernameView->toolTip()).toPlainText(), "morvex0s1234567");
    EXPECT_EQ(QTextDocumentFragment::fromHtml(page->emailView->toolTip()).toPlainText(), "alex@example.com");
    EXPECT_EQ(shown(page, "subscriptionType"), "Paid");
    EXPECT_EQ(shown(page, "subscriptionStatus"), "Active");
    EXPECT_EQ(shown(page, "billingCycle"), "Annually");
    EXPECT_EQ(shown(page, "expiry"), "01 Mar 2027");
    EXPECT_EQ(page->lblExpire->text().toStdString(), localized("profile.expires.on"));
    EXPECT_EQ(page->lblExpire->palette().color(QPalette::WindowText), named("TabText"));
    EXPECT_TRUE(page->copyUsernameButton->isVisible());
    EXPECT_EQ(requestsTo("/user/profile"), 1);

    QTest::mouseClick(page->copyUsernameButton, Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(), kUserInUse);
}

TEST_F(ProfileScreenTest, StatusTypeAndExpiryAsTheAnswerGivesThem) {
    struct Case {
        const char* status;
        const char* clientType;
        const char* expiryDate;
        const char* shownStatus;
        const char* shownType;
        const char* shownExpiry;
        const char* captionKey;
        const char* captionColour;
        const char* dateColour;
    };
    const Case cases[] = {
        {"expired", "free", "2024-03-05", "Expired", "Free", "05 Mar 2024", "profile.expires", "Error", "Error"},
        // Only the service's lower-case word means expired.
        {"Expired", "", "next spring", "Expired", "---", "next spring", "profile.expires.on", "TabText", "HeadingText"},
        {"", "TRIAL user", "", "---", "Trial User", "---", "profile.expires.on", "TabText", "HeadingText"},
    };
    openMain();
    int requests = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        answerWith({{"status", c.status}, {"client_type", c.clientType}, {"expiry_date", c.expiryDate}});
        clickTab<ProfileViewController>(MainTab::Dashboard);
        ProfileViewController* page = openProfile();
        ASSERT_TRUE(loaded(page, ++requests));
        EXPECT_EQ(shown(page, "subscriptionStatus"), c.shownStatus);
        EXPECT_EQ(shown(page, "subscriptionType"), c.shownType);
        EXPECT_EQ(shown(page, "expiry"), c.shownExpiry);
        EXPECT_EQ(page->lblExpire->text().toStdString(), localized(c.captionKey));
        EXPECT_EQ(page->lblExpire->palette().color(QPalette::WindowText), named(c.captionColour));
        auto* date = page->view()->findChild<QLabel*>("expiry");
        EXPECT_EQ(date->palette().color(QPalette::WindowText), named(c.dateColour));
    }
}

TEST_F(ProfileScreenTest, WithoutAnAccountOrAnAnswerThePlaceholdersStay) {
    // No VPN user name and no account list: nothing to ask.
    User().setVpnUsername(std::nullopt);
    ProfileViewController* page = openProfile();
    test::settleRequests();
    EXPECT_EQ(requestsTo("/user/profile"), 0);
    for (const char* field : {"email", "username", "subscriptionType", "subscriptionStatus", "billingCycle", "expiry"})
        EXPECT_EQ(shown(page, field), "---") << field;
    EXPECT_FALSE(page->copyUsernameButton->isVisible());

    EXPECT_FALSE(page->statusRow->isVisible()) << "nothing asked, nothing to wait for";
}

// While the service is asked the page says it is loading; a failure says so in the user's language
// with a retry button (the placeholders stay, no alert), and the retry brings the account.
TEST_F(ProfileScreenTest, LoadingThenTheFailureWithARetryThatBringsTheAccount) {
    service.failNext(".*/user/profile", fake::Answer::plain(500));
    ProfileViewController* page = openProfile();
    ASSERT_TRUE(page);
    EXPECT_TRUE(page->loadingProfile);
    EXPECT_TRUE(page->statusRow->isVisible());
    EXPECT_TRUE(page->statusLabel->text().startsWith(QString::fromStdString(localized("loading"))));
    EXPECT_FALSE(page->retryButton->isVisible());
    ASSERT_TRUE(loaded(page));
    EXPECT_EQ(shown(page, "email"), "---");
    EXPECT_EQ(shown(page, "subscriptionStatus"), "---");
    EXPECT_TRUE(presenter->shown.empty());
    EXPECT_TRUE(page->statusRow->isVisible());
    EXPECT_EQ(page->statusLabel->text().toStdString(), localized("profile.load.failed"));
    ASSERT_TRUE(page->retryButton->isVisible());

    QTest::mouseClick(page->retryButton, Qt::LeftButton);
    ASSERT_TRUE(loaded(page, 2));
    EXPECT_EQ(shown(page, "email"), "alex@example.com");
    EXPECT_FALSE(page->statusRow->isVisible());
}

TEST_F(ProfileScreenTest, AddOnsAndTheirOfferFollowTheFlagsAndTheAnswer) {
    const nlohmann::json pinvault = {{"slug", "pinvault-annual"}, {"title", "Password Manager"}, {"expiry", "2027-01-31"}, {"status", "active"}};
    const nlohmann::json dedicated = {{"slug", "dedicated-ip"}, {"title", "Dedicated IP"}, {"expiry", "2027-01-31"}, {"status", "active"}};
    struct Case {
        const char* what;
        bool passwordManager;
        std::optional<bool> isB2C;
        nlohmann::json stored;  // the add-ons kept from the sign-in
        bool offerHidden;
        bool sectionShown;
    };
    const Case cases[] = {
        {"flag off hides the offer whatever the add-ons", false, true, nlohmann::json::array({dedicated}), true, true},
        {"flag on, consumer, owns the add-on: hidden", true, true, nlohmann::json::array({pinvault}), true, true},
        {"flag on, consumer, no such add-on: offered", true, true, nlohmann::json::array({dedicated}), false, true},
        {"flag on, business: offered, no section", true, false, nlohmann::json::array({pinvault}), false, false},
        {"kind never stored counts as consumer", true, std::nullopt, nlohmann::json::array(), false, true},
    };
    answerWith({{"active_addons", nlohmann::json::array({dedicated})}});
    openMain();
    int requests = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        User user;
        user.setPasswordManager(c.passwordManager);
        std::vector<ActiveAddon> addons;
        for (const auto& a : c.stored) addons.push_back(a.get<ActiveAddon>());
        user.setActiveAddons(addons);
        UserDefaults::standard().removeObject(PreservedPreferences::perUserKey("isB2C"));
        if (c.isB2C) PreservedPreferences().setIsB2C(*c.isB2C);
        clickTab<ProfileViewController>(MainTab::Dashboard);
        ProfileViewController* page = openProfile();
        ASSERT_TRUE(loaded(page, ++requests));
        EXPECT_EQ(page->pinvaultOffer->isHidden(), c.offerHidden);
        EXPECT_EQ(page->addonsSection->isVisible(), c.sectionShown);
        // The table lists the add-ons of the answer.
        ASSERT_EQ(page->addonsTable->rowCount(), 1);
        EXPECT_EQ(page->addonsTable->item(0, 0)->text(), "Dedicated IP");
        EXPECT_FALSE(page->addonsTable->isHidden());
    }
}

TEST_F(ProfileScreenTest, TheMemberAreaButtonFollowsTheTestGroupAndOpensTheMemberArea) {
    PreservedPreferences().setUserTestGroup(PreservedPreferences::TestGroup::GroupB);
    ProfileViewController* page = openProfile();
    ASSERT_TRUE(loaded(page));
    EXPECT_FALSE(page->memberAreaButton->isVisible());

    PreservedPreferences().setUserTestGroup(PreservedPreferences::TestGroup::GroupA);
    NotificationCenter::defaultCenter().post(VPNAccountDidChangeNotification);
    ASSERT_TRUE(loaded(page, 2));
    ASSERT_TRUE(page->memberAreaButton->isVisible());
    QTest::mouseClick(page->memberAreaButton, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_NE(opened[0].find("/applinks/autologin"), std::string::npos) << opened[0];
    EXPECT_NE(opened[0].find(std::string("sUsername=") + kUserInUse), std::string::npos) << opened[0];
}

TEST_F(ProfileScreenTest, SignOutBlanksTheTextsAndAnAccountSwitchAsksAgain) {
    ProfileViewController* page = openProfile();
    ASSERT_TRUE(loaded(page));
    User().setLoggedIn(false);
    for (const char* field : {"email", "username", "subscriptionStatus", "expiry"}) EXPECT_EQ(shown(page, field), "") << field;

    // A switch fetches again without going through the placeholders.
    User().setVpnUsername(std::string("morvex0s2222222"));
    NotificationCenter::defaultCenter().post(VPNAccountDidChangeNotification);
    EXPECT_EQ(shown(page, "email"), "");
    ASSERT_TRUE(loaded(page, 2));
    EXPECT_EQ(shown(page, "email"), "alex@example.com");
    EXPECT_EQ(shown(page, "username"), "morvex0s2222222");
}

TEST_F(ProfileScreenTest, LogoutAsksFirstAndLogsOutHalfASecondAfterYes) {
    ProfileViewController* page = openProfile();
    ASSERT_TRUE(loaded(page));
    QTest::mouseClick(page->logoutButton, Qt::LeftButton);
    ASSERT_EQ(presenter->shown.size(), 1u);
    EXPECT_EQ(presenter->last().title, localized("caution"));
    EXPECT_EQ(presenter->last().message, localized("quit.warning"));
    presenter->press(1);  // no
    EXPECT_TRUE(delayed.empty());

    QTest::mouseClick(page->logoutButton, Qt::LeftButton);
    presenter->press(0);  // yes
    ASSERT_EQ(delayed.size(), 1u);
    EXPECT_DOUBLE_EQ(delayed[0].first, 0.5);
    EXPECT_EQ(logouts, 0);
    runDelayed();
    EXPECT_EQ(logouts, 1);
}

TEST_F(ProfileScreenTest, SeveralAccountsOfferTheSwitcher) {
    ProfileViewController* page = openProfile();
    ASSERT_TRUE(loaded(page));
    EXPECT_FALSE(page->switchAccountButton->isVisible()) << "no account list: nothing to switch to";

    PreservedPreferences().setVpnAccounts(std::vector<UserAuthentication::VPNAccount>{
        {kUserInUse, "active", "", "", "", ""}, {"morvex0s2222222", "expired", "", "", "", ""}});
    clickTab<ProfileViewController>(MainTab::Dashboard);
    page = openProfile();
    ASSERT_TRUE(loaded(page, 2));
    EXPECT_EQ(page->vpnAccountCount, 2);
    ASSERT_TRUE(page->switchAccountButton->isVisible());
    int asked = 0;
    auto observer = NotificationCenter::defaultCenter().addObserver(SwitchAccountModel::showVPNAccountsNotification,
                                                                    [&](const Notification&) { ++asked; });
    QTest::mouseClick(page->switchAccountButton, Qt::LeftButton);
    EXPECT_EQ(asked, 1);
}

}  // namespace
}  // namespace morvex
