// The troubleshooting page as the user meets it: inside the real dashboard, opened by the
// connection panel's request, checking the account against the fake service, showing the diagnosis
// and acting on its buttons.
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>
#include <gtest/gtest.h>

#include "FakeService.h"
#include "alerts/AlertTestSupport.h"
#include "appkit/Application.h"
#include "appkit/Storyboard.h"
#include "appkit/TabViewController.h"
#include "app/Storyboards.h"
#include "appkit/WindowController.h"
#include "model/ServiceHosts.h"
#include "state/AppPreferences.h"
#include "ui/dashboard/DashboardPanes.h"
#include "ui/dashboard/DashboardTestSupport.h"
#include "ui/dashboard/DashboardViewController.h"
#include "ui/kit/PreferencesSegue.h"
#include "ui/preferences/PreferencesWindowController.h"
#include "ui/support/TroubleshootViewController.h"

namespace morvex::test {
namespace {

using Account = fake::VPNAccount;
using Type = ZevuDataFetcherTypes::ServerType;

constexpr const char* kBoard = "TroubleshootScreenTestBoard";
constexpr const char* kVPNUser = "morvex0s1234567";

// The preferences window as far as the page needs it: a window whose content is a tab view of
// three pages. Each one made is remembered, so the test can see which page it opened on.
std::vector<QPointer<appkit::TabViewController>>& preferencesOpened() {
    static std::vector<QPointer<appkit::TabViewController>> opened;
    return opened;
}
std::vector<QPointer<appkit::WindowController>>& preferencesWindows() {
    static std::vector<QPointer<appkit::WindowController>> windows;
    return windows;
}

class TroubleshootScreenTest : public AlertTest {
protected:
    fake::FakeService service;
    Networking networking{nullptr};
    std::unique_ptr<appkit::Application> app;
    std::unique_ptr<DashboardViewController> dashboard;
    std::vector<std::string> dismissals;
    ObserverToken dismissObserver;

    void SetUp() override {
        AlertTest::SetUp();
        ASSERT_TRUE(service.start());
        hosts::setServiceURLOverride(service.baseURL());
        User user;
        user.setVpnUsername(kVPNUser);
        user.setVpnPassword("vpn-secret");
        preferencesOpened().clear();

        // The dashboard and the page come from a storyboard of the test's own: the page with the
        // test's collaborators, the segue as the application registers it, and a small
        // preferences window as its destination.
        appkit::Storyboard& board = appkit::Storyboard::define(kBoard);
        registerTroubleshootStoryboards(board);
        board.scene(std::string(TroubleshootViewController::kStoryboardID), [this] {
                 return new TroubleshootViewController(
                     {AppPreferences(), PreservedPreferences(), tracker(), &networking, User()});
             })
            .scene("Dashboard", [] { return new DashboardViewController; })
            .scene(std::string(kPreferencesWindowScene), [] {
                     auto* window = new appkit::WindowController;
                     preferencesWindows().emplace_back(window);
                     return window;
                 }, "PreferencesPages")
            .scene("PreferencesPages", [] {
                auto* pages = new appkit::TabViewController;
                for (int i = 0; i < 3; ++i) pages->addChildViewController(new appkit::ViewController);
                preferencesOpened().emplace_back(pages);
                return pages;
            });

        app = std::make_unique<appkit::Application>();
        dashboard.reset(qobject_cast<DashboardViewController*>(board.instantiateController("Dashboard")));
        ASSERT_TRUE(dashboard);
        dashboard->view()->resize(688, 460);
        dashboard->view()->show();
        dashboard->viewWillAppear();
        dismissObserver = NotificationCenter::defaultCenter().addObserver(
            TroubleshootViewController::dismissNotification,
            [this](const Notification&) { dismissals.push_back("dismissed"); });
    }
    void TearDown() override {
        dismissObserver = {};
        dashboard.reset();
        for (auto& window : preferencesWindows()) delete window.data();
        preferencesWindows().clear();
        preferencesOpened().clear();
        flushDeferredDeletes();
        app.reset();
        hosts::setServiceURLOverride(std::nullopt);
        AlertTest::TearDown();
    }

    ConnectionStateViewController& states() { return *dashboard->stateViews(); }
    TroubleshootViewController& page() {
        auto* p = dashboard->findChild<TroubleshootViewController*>();
        EXPECT_NE(p, nullptr) << "the dashboard has no troubleshooting page";
        return *p;
    }

    // What the connection panel posts when the user asks for help after a failed attempt.
    void requestTroubleshoot(std::string connectionId, std::optional<std::string> articleUrl = std::nullopt) {
        AppPreferences().setOnGoingConnectionId(connectionId);
        UserInfo request;
        request["utcProperties"] = Dictionary{{"reason", "handshake"}};
        if (articleUrl) {
            AppError error = AppError::makeFallback(5001);
            error.url = *articleUrl;
            request["error"] = error;
        }
        NotificationCenter::defaultCenter().post(ConnectionStateViewController::requestTroubleshootNotification, request);
    }
    // Waits for the diagnosis of the request just made.
    void awaitDiagnosis() {
        ASSERT_EQ(states().selectedTabViewItemIndex(), 1);
        ASSERT_TRUE(waitUntil([&] { return !page().loading(); })) << "the account check never answered";
    }
    void storeLastConnection(Type type) {
        AppPreferences().setLastConnection(AppPreferences::LastConnection{
            ZevuTypes::SelectedInterface::Recommended, ZevuTypes::ConnectVia::Country,
            ZevuTypes::SelectedInterfaceScreen::Dashboard, ZevuTypes::ConnectionInitiatedBy::User,
            std::make_shared<ZevuDataFetcherTypes::Server>("DIP", "Frankfurt", type, "DE"), "", false, false});
    }
    static std::string shown(QPushButton* button) {
        return button && !button->isHidden() ? button->text().toStdString() : std::string("(hidden)");
    }
};

TEST_F(TroubleshootScreenTest, AppearingAgainForTheSameConnectionKeepsTheDiagnosisAndReportsItOnce) {
    fake::setVPNAccount(service, Account::expired);
    requestTroubleshoot("c1");
    EXPECT_TRUE(page().loading());
    EXPECT_TRUE(page().buttonPrimary()->isHidden()) << "no button while the account is checked";
    awaitDiagnosis();
    EXPECT_EQ(page().titleLabel()->text().toStdString(), localized("troubleshoot.account.expired.title"));
    ASSERT_EQ(analytics->count("app_complete_troubleshoot"), 1);
    const Dictionary reported = event("app_complete_troubleshoot");
    EXPECT_EQ(reported.at("result"), Value("expired"));
    EXPECT_EQ(reported.at("reason"), Value("handshake")) << "the failed attempt's properties go along";
    const auto checks = service.requestsTo(fake::kAccountCheckPath);
    ASSERT_EQ(checks.size(), 1u);
    EXPECT_EQ(checks[0].json(), (nlohmann::json{{"username", kVPNUser}, {"password", "vpn-secret"}}));

    // Closed, then asked for again for the same connection: nothing is checked or reported anew.
    QTest::mouseClick(page().closeButton(), Qt::LeftButton);
    EXPECT_EQ(states().selectedTabViewItemIndex(), 0);
    EXPECT_EQ(event("app_click_cta_troubleshoot").at("solution"), Value("cancel"));
    fake::setVPNAccount(service, Account::disabled);
    requestTroubleshoot("c1");
    EXPECT_EQ(states().selectedTabViewItemIndex(), 1);
    EXPECT_FALSE(page().loading());
    settleRequests();
    EXPECT_EQ(page().titleLabel()->text().toStdString(), localized("troubleshoot.account.expired.title"));
    EXPECT_EQ(service.requestsTo(fake::kAccountCheckPath).size(), 1u);
    EXPECT_EQ(analytics->count("app_complete_troubleshoot"), 1);

    // A new connection gets a new diagnosis.
    requestTroubleshoot("c2");
    awaitDiagnosis();
    EXPECT_EQ(page().titleLabel()->text().toStdString(), localized("troubleshoot.account.disabled.title"));
    EXPECT_EQ(analytics->count("app_complete_troubleshoot"), 2);
}

TEST_F(TroubleshootScreenTest, EachAnswerOfTheAccountCheckLeadsToItsDiagnosis) {
    struct Case {
        const char* what;
        std::optional<Account> account;  // none: the service fails with a server error
        std::optional<Type> lastConnection;
        bool automaticProtocol;
        std::optional<std::string> errorUrl;
        std::string title, primary, secondary;  // keys; "" for a hidden secondary
        std::string result;
        bool passwordChanged = false;
    };
    const std::string fixedTitle = "troubleshoot.switch.automatic.protocol.title";
    const std::string fixedPrimary = "troubleshoot.switch.automatic.protocol.button.primary";
    const std::string chat = "troubleshoot.account.active.button.primary";
    const std::string article = "troubleshoot.account.active.button.tertiary";
    const std::vector<Case> cases{
        {"expired", Account::expired, std::nullopt, true, std::nullopt, "troubleshoot.account.expired.title",
         "troubleshoot.account.expired.button.primary", "", "expired", true},
        {"disabled", Account::disabled, std::nullopt, true, std::nullopt, "troubleshoot.account.disabled.title",
         "troubleshoot.account.disabled.button.primary", "", "disabled"},
        {"no VPN user", Account::noVPNUser, std::nullopt, true, std::nullopt, "troubleshoot.account.invalid.title",
         "troubleshoot.account.invalid.button.primary", "", "invalid"},
        {"inactive", Account::inactive, std::nullopt, true, std::nullopt, "troubleshoot.account.invalid.title",
         "troubleshoot.account.invalid.button.primary", "", "invalid"},
        {"wrong password (1002)", Account::wrongPassword, std::nullopt, true, std::nullopt,
         "troubleshoot.account.invalid.title", "troubleshoot.account.invalid.button.primary", "", "invalid"},
        {"unknown user (1003)", Account::unknownUser, std::nullopt, true, std::nullopt,
         "troubleshoot.account.invalid.title", "troubleshoot.account.invalid.button.primary", "", "invalid"},
        {"service down counts as active", std::nullopt, std::nullopt, true, std::nullopt,
         "troubleshoot.account.active.title", chat, "", "switch"},
        {"dedicated IP", Account::active, Type::DedicatedIp, false, std::nullopt, "troubleshoot.contact.support.title",
         "troubleshoot.contact.support.button.primary", "", "switch"},
        {"automatic protocol", Account::active, Type::Country, true, std::nullopt, "troubleshoot.account.active.title",
         chat, "", "switch"},
        {"fixed protocol", Account::active, Type::Country, false, std::nullopt, fixedTitle, fixedPrimary, chat, "switch"},
        {"fixed protocol, article", Account::active, Type::Country, false, "https://help.morvexvpn.com/a/42", fixedTitle,
         fixedPrimary, article, "switch"},
        {"fixed protocol, link inside words", Account::active, Type::Country, false,
         "see https://help.morvexvpn.com/a/42", fixedTitle, fixedPrimary, chat, "switch"},
    };
    int id = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        AppPreferences().setLastConnection(std::nullopt);
        if (c.lastConnection) storeLastConnection(*c.lastConnection);
        PreservedPreferences().setAutomaticProtocol(c.automaticProtocol);
        PreservedPreferences().setPasswordChanged(false);
        if (c.account) fake::setVPNAccount(service, *c.account);
        else service.failNext(fake::kAccountCheckPath, fake::Answer::plain(500, "down"));
        requestTroubleshoot("c" + std::to_string(++id), c.errorUrl);
        awaitDiagnosis();
        EXPECT_EQ(page().titleLabel()->text().toStdString(), localized(c.title));
        EXPECT_EQ(page().messageLabel()->text().toStdString(), localized(c.title.substr(0, c.title.rfind('.')) + ".message"));
        EXPECT_EQ(shown(page().buttonPrimary()), localized(c.primary));
        EXPECT_EQ(shown(page().buttonSecondary()), c.secondary.empty() ? "(hidden)" : localized(c.secondary));
        EXPECT_TRUE(page().buttonTertiary()->isHidden());
        EXPECT_EQ(event("app_complete_troubleshoot").at("result"), Value(c.result));
        EXPECT_EQ(PreservedPreferences().passwordChanged(), c.passwordChanged);
    }
}

TEST_F(TroubleshootScreenTest, EachButtonDoesItsJobAndReportsIt) {
    struct Case {
        const char* what;
        Account account;
        std::optional<Type> lastConnection;
        std::optional<std::string> errorUrl;
        int button;  // 0 primary, 1 secondary
        std::string solution;
        std::string opened;  // the start of the address opened, "" for none
        bool closes;
        int logouts = 0;
        bool preferences = false;
    };
    const std::string help = "https://help.morvexvpn.com/morvexvpn/ukp.aspx?donelr=1";
    const std::string articleUrl = "https://help.morvexvpn.com/a/42";
    const std::vector<Case> cases{
        {"renew", Account::expired, std::nullopt, std::nullopt, 0, "renew", "https://morvexvpn.com", false},
        {"contact support while disabled", Account::disabled, std::nullopt, std::nullopt, 0, "contact support", help, false},
        {"log out", Account::noVPNUser, std::nullopt, std::nullopt, 0, "logout", "", false, 1},
        {"chat about the dedicated IP", Account::active, Type::DedicatedIp, std::nullopt, 0, "contact livechat", help, true},
        {"chat with a fixed protocol", Account::active, Type::Country, std::nullopt, 1, "contact livechat", help, true},
        {"read the article", Account::active, Type::Country, articleUrl, 1, "contact support", articleUrl, true},
        {"open the protocol settings", Account::active, Type::Country, std::nullopt, 0, "switch protocol", "", true, 0, true},
    };
    PreservedPreferences().setAutomaticProtocol(false);
    User().setLoginMethod("email");
    User().setUuid("uuid-7");
    int id = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        AppPreferences().setLastConnection(std::nullopt);
        if (c.lastConnection) storeLastConnection(*c.lastConnection);
        fake::setVPNAccount(service, c.account);
        requestTroubleshoot("c" + std::to_string(++id), c.errorUrl);
        awaitDiagnosis();
        opened.clear();
        dismissals.clear();
        logouts = 0;
        preferencesOpened().clear();
        QPushButton* button = c.button == 0 ? page().buttonPrimary() : page().buttonSecondary();
        ASSERT_FALSE(button->isHidden());
        QTest::mouseClick(button, Qt::LeftButton);

        EXPECT_EQ(event("app_click_cta_troubleshoot").at("solution"), Value(c.solution));
        EXPECT_EQ(event("app_click_cta_troubleshoot").at("reason"), Value("handshake"));
        if (c.opened.empty()) {
            EXPECT_TRUE(opened.empty());
        } else {
            ASSERT_EQ(opened.size(), 1u);
            EXPECT_EQ(opened[0].rfind(c.opened, 0), 0u) << opened[0];
        }
        EXPECT_EQ(dismissals.size(), c.closes ? 1u : 0u);
        EXPECT_EQ(states().selectedTabViewItemIndex(), c.closes ? 0 : 1);
        EXPECT_EQ(logouts, c.logouts);
        ASSERT_EQ(preferencesOpened().size(), c.preferences ? 1u : 0u);
        if (c.preferences) {
            ASSERT_TRUE(preferencesOpened()[0]);
            EXPECT_EQ(preferencesOpened()[0]->selectedTabViewItemIndex(), kPreferencesProtocolTab);
        }
    }
}

TEST_F(TroubleshootScreenTest, TheRenewalLinkCarriesTheAccountsIdentity) {
    User().setLoginMethod("email");
    User().setUuid("uuid-7");
    fake::setVPNAccount(service, Account::expired);
    requestTroubleshoot("c1");
    awaitDiagnosis();
    QTest::mouseClick(page().buttonPrimary(), Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1u);
    const QUrl url(QString::fromStdString(opened[0]));
    EXPECT_TRUE(url.path().endsWith(QStringLiteral("/applinks/renew"))) << opened[0];
    const QUrlQuery query(url);
    EXPECT_EQ(query.queryItemValue("sUsername").toStdString(), kVPNUser);
    EXPECT_EQ(query.queryItemValue("uuid").toStdString(), "uuid-7");
}

TEST_F(TroubleshootScreenTest, AnArticleBelongsToItsOwnAttemptOnly) {
    PreservedPreferences().setAutomaticProtocol(false);
    fake::setVPNAccount(service, Account::active);
    requestTroubleshoot("c1", "https://help.morvexvpn.com/a/42");
    awaitDiagnosis();
    EXPECT_EQ(shown(page().buttonSecondary()), localized("troubleshoot.account.active.button.tertiary"));

    // The next failure names no article: the chat takes its place, not the earlier article.
    requestTroubleshoot("c2");
    awaitDiagnosis();
    EXPECT_FALSE(page().supportArticleURL());
    EXPECT_EQ(shown(page().buttonSecondary()), localized("troubleshoot.account.active.button.primary"));
}

TEST_F(TroubleshootScreenTest, ALateAnswerForAnEarlierConnectionDoesNotReplaceTheNewerDiagnosis) {
    service.failNext(fake::kAccountCheckPath,
                     fake::Answer::delayed(std::chrono::milliseconds(300), fake::accountCheckAnswer(Account::expired)));
    fake::setVPNAccount(service, Account::disabled);
    requestTroubleshoot("c1");
    // The slow answer must go to the first check, so the second one leaves only once it is in.
    ASSERT_TRUE(waitUntil([&] { return service.requestsTo(fake::kAccountCheckPath).size() == 1; }));
    requestTroubleshoot("c2");
    awaitDiagnosis();
    ASSERT_TRUE(waitUntil([&] { return service.requestsTo(fake::kAccountCheckPath).size() == 2; }));
    settleRequests();  // the late answer is in
    EXPECT_EQ(page().titleLabel()->text().toStdString(), localized("troubleshoot.account.disabled.title"));
    EXPECT_EQ(analytics->count("app_complete_troubleshoot"), 1);
}

TEST_F(TroubleshootScreenTest, TheApplicationsPageOpensTheRealPreferencesWindowOnItsProtocolPage) {
    registerStoryboards();
    std::unique_ptr<TroubleshootViewController> real(qobject_cast<TroubleshootViewController*>(
        appkit::Storyboard::named(kMainStoryboard)->instantiateController(TroubleshootViewController::kStoryboardID)));
    ASSERT_TRUE(real);
    real->openAppPreferences();
    const auto windows = qApp->findChildren<PreferencesWindowController*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(windows.size(), 1);
    auto* pages = qobject_cast<appkit::TabViewController*>(windows[0]->contentViewController());
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->selectedTabViewItemIndex(), kPreferencesProtocolTab);
    EXPECT_EQ(dismissals.size(), 1u);
    delete windows[0];
}

TEST_F(TroubleshootScreenTest, AConnectionAttemptClosesThePageAndNoStoredConnectionChecksNothing) {
    // Without a connection id, and none diagnosed before, there is nothing to check.
    AppPreferences().setOnGoingConnectionId(std::nullopt);
    NotificationCenter::defaultCenter().post(ConnectionStateViewController::requestTroubleshootNotification, UserInfo{});
    EXPECT_EQ(states().selectedTabViewItemIndex(), 1);
    settleRequests();
    EXPECT_FALSE(page().loading());
    EXPECT_TRUE(service.requestsTo(fake::kAccountCheckPath).empty());
    EXPECT_EQ(analytics->count("app_complete_troubleshoot"), 0);

    NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, report(ZevuConnectionState::Connecting, "c9"));
    EXPECT_EQ(states().selectedTabViewItemIndex(), 0);
}

}  // namespace
}  // namespace morvex::test
