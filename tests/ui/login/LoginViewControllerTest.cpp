// The login page: its buttons, busy and idle, the outcomes of a sign-in and of a resumed session,
// the promotional pages, and the whole web sign-in against the fake service's sign-in page.
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QUrlQuery>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <unistd.h>

#include "FakeService.h"
#include "viewmodels/InitialModel.h"
#include "app/InitialViewController.h"
#include "alerts/AlertTestSupport.h"
#include "api/Networking.h"
#include "appkit/Storyboard.h"
#include "appkit/WebAuthenticationSession.h"
#include "appkit/WebView.h"
#include "appkit/Window.h"
#include "foundation/HttpSession.h"
#include "foundation/NotificationCenter.h"
#include "foundation/OAuth2.h"
#include "foundation/UserDefaults.h"
#include "model/BundleInfo.h"
#include "model/ServiceHosts.h"
#include "session/OAuthService.h"
#include "ui/login/LoginViewController.h"
#include "ui/login/PromotionalCarousel.h"
#include "flows/MorvexVPNService.h"
#include "support/SignInWindowStandIn.h"

namespace morvex {
namespace {

using test::waitUntil;
using AuthKind = UserAuthentication::AuthenticationCase::Kind;
using LaunchKind = UserAuthentication::AppLaunchCase::Kind;

// The redirect the sign-in server would send for the authorization the page opened.
std::string redirectFor(const OAuth2CodeGrant::EmbeddedRequest& request, const std::string& items) {
    const QString state = QUrlQuery(QUrl(QString::fromStdString(request.url))).queryItemValue("state");
    return OAuthService::redirectURI() + "?state=" + state.toStdString() + (items.empty() ? "" : "&" + items);
}

// One service for the whole program: the screen keeps its authorize URL (with the service's
// address) for the life of the process, as it would keep the real sign-in server's.
fake::FakeService& sharedService() {
    static fake::FakeService* service = [] {
        auto* s = new fake::FakeService;
        s->start();
        return s;
    }();
    return *service;
}

class LoginViewControllerTest : public test::AlertTest {
protected:
    fake::FakeService& service = sharedService();
    Networking networking{nullptr};
    appkit::Application app;
    std::vector<std::string> browserOpened;
    std::vector<OAuth2CodeGrant::EmbeddedRequest> presented;
    // How a stand-in sign-in page answers; none leaves it open.
    std::function<void(const OAuth2CodeGrant::EmbeddedRequest&, OAuth2CodeGrant::EmbeddedCompletion)> page;

    void SetUp() override {
        AlertTest::SetUp();
        ASSERT_NE(service.port(), 0);
        service.clearRequests();
        service.clearFailures();
        hosts::setServiceURLOverride(service.baseURL());
    }
    void TearDown() override {
        hosts::setServiceURLOverride(std::nullopt);
        AlertTest::TearDown();
    }

    UserAuthentication auth() {
        return UserAuthentication(networking, PreservedPreferences(), User(), AppPreferences(), tracker(), UserAuthentication::sdkCredentialSink(),
                                  ErrorSender{}, nullptr, appManager);
    }

    // A screen with a stand-in sign-in page unless `realPage`.
    LoginViewController::Collaborators collaborators(bool realPage = false) {
        LoginViewController::Collaborators c;
        c.makeUserAuthentication = [this] { return auth(); };
        c.makeEventTracker = [this] { return tracker(); };
        c.openURL = [this](const std::string& url) {
            browserOpened.push_back(url);
            return true;
        };
        if (!realPage)
            c.presentSignIn = [this](const OAuth2CodeGrant::EmbeddedRequest& request, OAuth2CodeGrant::EmbeddedCompletion done) {
                presented.push_back(request);
                if (page) page(request, std::move(done));
            };
        return c;
    }

    // The screen in a shown main window, which owns it.
    LoginViewController* showScreen(std::unique_ptr<appkit::Window>& window, bool realPage = false) {
        window = std::make_unique<appkit::Window>(QSize(760, 500));
        auto* screen = new LoginViewController(collaborators(realPage));
        window->setContentViewController(screen);
        window->show();
        return screen;
    }

    // The screen past its loading state, with the sign-in controls a user can reach.
    LoginViewController* showControls(std::unique_ptr<appkit::Window>& window, bool realPage = false) {
        LoginViewController* screen = showScreen(window, realPage);
        screen->revealLoginView();
        return screen;
    }

    static QPushButton* loginButton(LoginViewController& screen) { return screen.view()->findChild<QPushButton*>("btnLogin"); }
};

TEST_F(LoginViewControllerTest, TagZeroOpensThePricingPageAndStartsNoSignIn) {
    std::unique_ptr<appkit::Window> window;
    LoginViewController* screen = showControls(window);
    screen->loginClicked(0);
    QTest::mouseClick(screen->view()->findChild<QPushButton*>("createAccountButton"), Qt::LeftButton);
    EXPECT_EQ(browserOpened, (std::vector<std::string>{screen->model()->pricingPageURL(), screen->model()->pricingPageURL()}));
    EXPECT_TRUE(presented.empty());
    EXPECT_EQ(screen->oauth2(), nullptr);
    EXPECT_TRUE(loginButton(*screen)->isEnabled());
    test::settleRequests();
    EXPECT_TRUE(service.requests().empty());
}

TEST_F(LoginViewControllerTest, ASignedOutUserSeesTheLoginControlsAfterTheLoadingAndNoRequestIsMade) {
    test::ManualClock clock;
    std::unique_ptr<appkit::Window> window;
    LoginViewController* screen = showScreen(window);
    EXPECT_FALSE(screen->isLoginViewShown()) << "the loading state comes first";
    clock.advance(std::chrono::milliseconds(2999));
    EXPECT_FALSE(screen->isLoginViewShown()) << "for three seconds";
    clock.advance(std::chrono::milliseconds(1));
    ASSERT_TRUE(screen->isLoginViewShown());
    test::settleRequests();
    EXPECT_TRUE(service.requests().empty());
    EXPECT_FALSE(screen->requestInProcess.value());
    EXPECT_TRUE(loginButton(*screen)->isEnabled());
}

// Records whether the token import had reached the service when each event was sent.
class OrderRecordingTracking : public test::RecordingTracking {
public:
    fake::FakeService* service = nullptr;
    std::vector<std::size_t> importsBefore;
    void track(const std::string& event, const Dictionary& properties) override {
        RecordingTracking::track(event, properties);
        if (event == "app_request_swap_token") importsBefore.push_back(service->requestsTo("/MorvexVPN/user/importtoken").size());
    }
};

TEST_F(LoginViewControllerTest, AnAccountWithAnOldTokenAnnouncesTheImportBeforeItIsSent) {
    auto recording = std::make_shared<OrderRecordingTracking>();
    recording->service = &service;
    analytics = recording;
    User user;
    user.setLoggedIn(true);
    user.setIsUserNotMigratedToFA(true);
    std::unique_ptr<appkit::Window> window;
    LoginViewController* screen = showScreen(window);
    screen->revealLoginView();
    EXPECT_TRUE(screen->requestInProcess.value());
    ASSERT_TRUE(waitUntil([&] { return !service.requestsTo("/MorvexVPN/user/importtoken").empty(); }));
    EXPECT_EQ(recording->importsBefore, std::vector<std::size_t>{0});
    ASSERT_TRUE(waitUntil([&] { return !screen->requestInProcess.value(); }));
}

TEST_F(LoginViewControllerTest, BusyAndIdleChangeTogetherAndEveryOutcomeEndsIdle) {
    std::unique_ptr<appkit::Window> window;
    LoginViewController* screen = showControls(window);
    int mismatches = 0;
    int changes = 0;
    auto check = [&](bool) {
        ++changes;
        if (screen->requestInProcess.value() == screen->enableAuthentication.value()) ++mismatches;
    };
    auto a = screen->requestInProcess.observe(check);
    auto b = screen->enableAuthentication.observe(check);
    PreservedPreferences().setVpnAccounts(std::vector<UserAuthentication::VPNAccount>{{"morvex0s1234567", "active", "", "", "", ""}});
    User().setVpnUsername("morvex0s1234567");

    const Error failure("test", 7, "broken");
    struct Case {
        const char* name;
        std::function<void()> outcome;
    };
    const std::vector<Case> cases = {
        {"user info error", [&] { screen->handleAuthenticationCase({AuthKind::UserInfoError, failure}, 1); }},
        {"auth error", [&] { screen->handleAuthenticationCase({AuthKind::AuthError, failure}, 1); }},
        {"no subscription", [&] { screen->handleAuthenticationCase({AuthKind::NoSubscription, std::nullopt}, 1); }},
        {"one account", [&] { screen->handleAuthenticationCase({AuthKind::SingleSubscription, std::nullopt}, 1); }},
        {"launch: user info", [&] { screen->handleLaunchCase({LaunchKind::UserInfoError, failure, std::nullopt}); }},
        {"launch: password", [&] { screen->handleLaunchCase({LaunchKind::VpnPasswordError, std::nullopt, LoginError::UnableToFetchPassword(failure)}); }},
        {"launch: undecryptable", [&] { screen->handleLaunchCase({LaunchKind::VpnPasswordError, std::nullopt, LoginError::UnableToDecryptPassword("pad")}); }},
        {"launch: import", [&] { screen->handleLaunchCase({LaunchKind::MigrateToFAError, failure, std::nullopt}); }},
        {"launch: e-mail migration", [&] { screen->handleLaunchCase({LaunchKind::MigrateToEmailError, failure, std::nullopt}); }},
        {"launch: authenticated", [&] { screen->handleLaunchCase({LaunchKind::Authenticated, std::nullopt, std::nullopt}); }},
        {"launch: payment", [&] { screen->handleLaunchCase({LaunchKind::Payment, std::nullopt, std::nullopt}); }},
        {"launch: not signed in", [&] { screen->handleLaunchCase({LaunchKind::NotLoggedIn, std::nullopt, std::nullopt}); }},
        {"launch: invalid details", [&] { screen->handleLaunchCase({LaunchKind::InvalidUserDetails, std::nullopt, std::nullopt}); }},
        {"account password", [&] { screen->handleAccountPasswordResult(std::string("pw"), {"morvex0s1234567", "active", "", "", "", ""}); }},
        {"account password failed", [&] {
             screen->handleAccountPasswordResult(std::unexpected(LoginError::UnableToFetchPassword(failure)), {"morvex0s1234567", "active", "", "", "", ""});
         }},
        {"account chosen", [&] { screen->selectAccount({"morvex0s1234567", "active", "", "", "", ""}); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        screen->setRequestInProcess(true);
        ASSERT_TRUE(screen->requestInProcess.value());
        ASSERT_FALSE(loginButton(*screen)->isEnabled());
        c.outcome();
        EXPECT_TRUE(waitUntil([&] { return !screen->requestInProcess.value(); }));
        EXPECT_TRUE(screen->enableAuthentication.value());
        EXPECT_TRUE(loginButton(*screen)->isEnabled());
    }
    EXPECT_GT(changes, 0);
    EXPECT_EQ(mismatches, 0) << "an observer saw busy and idle half changed";
}

TEST_F(LoginViewControllerTest, ARedirectWithoutACodeEnablesTheButtonQuietlyAndAnErrorIsShownOnce) {
    std::unique_ptr<appkit::Window> window;
    LoginViewController* screen = showControls(window);
    struct Case {
        const char* name;
        std::string items;  // of the redirect, after the state
        std::size_t alerts;
    };
    for (const auto& c : {Case{"neither", "", 0}, Case{"other items", "session_state=x", 0},
                          Case{"error", "error=access_denied&error_description=Invalid%20user%20name%20or%20password.", 1}}) {
        SCOPED_TRACE(c.name);
        presenter->shown.clear();
        OAuth2CodeGrant::EmbeddedCompletion pending;
        page = [&](const OAuth2CodeGrant::EmbeddedRequest&, OAuth2CodeGrant::EmbeddedCompletion done) { pending = std::move(done); };
        QTest::mouseClick(loginButton(*screen), Qt::LeftButton);
        ASSERT_TRUE(pending);
        EXPECT_FALSE(loginButton(*screen)->isEnabled()) << "disabled while the page is open";
        pending(redirectFor(presented.back(), c.items), std::nullopt);
        test::settleRequests();
        EXPECT_TRUE(loginButton(*screen)->isEnabled());
        EXPECT_EQ(presenter->shown.size(), c.alerts);
        EXPECT_FALSE(screen->requestInProcess.value());
    }
    EXPECT_TRUE(service.requestsTo("/auth/token").empty());
}

TEST_F(LoginViewControllerTest, ACallbackItCannotTrustEndsTheSignInWithAMessageAndNothingIsExchanged) {
    std::unique_ptr<appkit::Window> window;
    LoginViewController* screen = showControls(window);
    const std::string redirect = OAuthService::redirectURI();
    const std::string apps = QUrl(QString::fromStdString(redirect)).host().toStdString();
    // Each case gets the state of the authorization the page was opened with, and a code the
    // service did issue for that authorization's challenge: only the shape of the callback is wrong.
    struct Case {
        const char* name;
        std::function<std::string(const std::string& state, const std::string& code)> callback;
        const char* messageKey;
    };
    const std::vector<Case> cases = {
        {"two codes", [&](auto& state, auto& code) { return redirect + "?state=" + state + "&code=" + code + "&code=other"; },
         "signin.refused.callback"},
        {"code in the fragment only", [&](auto& state, auto& code) { return redirect + "#state=" + state + "&code=" + code; },
         "signin.refused.callback"},
        {"other path", [&](auto& state, auto& code) { return "zarnapp://" + apps + "/elsewhere?state=" + state + "&code=" + code; },
         "signin.refused.callback"},
        {"other host", [&](auto& state, auto& code) { return "zarnapp://attacker.example/callback?state=" + state + "&code=" + code; },
         "signin.refused.callback"},
        {"missing state", [&](auto&, auto& code) { return redirect + "?code=" + code; }, "signin.refused.callback"},
        {"wrong state", [&](auto&, auto& code) { return redirect + "?state=not-ours&code=" + code; }, "signin.refused.callback"},
        {"two states", [&](auto& state, auto& code) { return redirect + "?state=" + state + "&state=" + state + "&code=" + code; },
         "signin.refused.callback"},
        {"error parameter", [&](auto& state, auto& code) {
             return redirect + "?state=" + state + "&code=" + code + "&error=access_denied&error_description=%3Cb%3Ebad%3C%2Fb%3E";
         }, "signin.refused.denied"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        presenter->shown.clear();
        OAuth2CodeGrant::EmbeddedCompletion pending;
        page = [&](const OAuth2CodeGrant::EmbeddedRequest&, OAuth2CodeGrant::EmbeddedCompletion done) { pending = std::move(done); };
        QTest::mouseClick(loginButton(*screen), Qt::LeftButton);
        ASSERT_TRUE(pending);
        const std::string state = QUrlQuery(QUrl(QString::fromStdString(presented.back().url))).queryItemValue("state").toStdString();
        const std::string code = fake::issueSignInCode(fake::pkceChallenge(screen->oauth2()->codeVerifier()), redirect);
        pending(c.callback(state, code), std::nullopt);
        ASSERT_TRUE(waitUntil([&] { return !presenter->shown.empty(); }));
        EXPECT_EQ(presenter->shown.size(), 1u);
        EXPECT_EQ(presenter->last().message, localized(c.messageKey));
        EXPECT_NE(presenter->last().message.value_or(""), c.messageKey) << "a key without a text";
        EXPECT_TRUE(loginButton(*screen)->isEnabled());
        EXPECT_FALSE(screen->requestInProcess.value());
    }
    EXPECT_TRUE(service.requestsTo("/auth/token").empty());

    // The control: the same road with a callback of the right shape reaches the exchange, with the
    // verifier of its own authorization, and the service takes it.
    presenter->shown.clear();
    PreservedPreferences().setVpnAccounts(std::vector<UserAuthentication::VPNAccount>{});
    OAuth2CodeGrant::EmbeddedCompletion pending;
    page = [&](const OAuth2CodeGrant::EmbeddedRequest&, OAuth2CodeGrant::EmbeddedCompletion done) { pending = std::move(done); };
    QTest::mouseClick(loginButton(*screen), Qt::LeftButton);
    ASSERT_TRUE(pending);
    const std::string verifier = screen->oauth2()->codeVerifier();
    const std::string code = fake::issueSignInCode(fake::pkceChallenge(verifier), redirect);
    pending(redirectFor(presented.back(), "code=" + code), std::nullopt);
    ASSERT_TRUE(waitUntil([&] { return !service.requestsTo("/MorvexVPN/user/profile").empty(); }));
    const auto exchanges = service.requestsTo("/auth/token");
    ASSERT_EQ(exchanges.size(), 1u);
    EXPECT_EQ(exchanges[0].json().value_or(nlohmann::json())["code_verifier"], verifier);
    EXPECT_EQ(screen->oauth2()->codeVerifier(), "") << "the verifier is handed out once";
    // A second delivery of the same redirect is not taken.
    EXPECT_FALSE(screen->oauth2()->readRedirect(redirectFor(presented.back(), "code=" + code)).first.has_value());
}

// The gateway's own refusal text reaches the user; a refused redirect keeps its own message (its
// text is anyone's to forge), and a failure that carries only our generic text keeps the "account
// details could not be loaded" alert.
TEST_F(LoginViewControllerTest, TheServicesRefusalTextIsShownWhereTheServiceGivesOne) {
    std::unique_ptr<appkit::Window> window;
    LoginViewController* screen = showScreen(window);
    const std::string generic = localized("user.info.failed");
    const std::string denied = localized("signin.refused.denied");
    const auto wrapped = std::make_shared<const Error>(std::string(http::kURLErrorDomain), -1005, "The network connection was lost.");
    struct Case {
        const char* name;
        AuthKind kind;
        Error error;
        std::string message;
    };
    const std::vector<Case> cases{
        {"gateway refusal of the token", AuthKind::AuthError,
         Error(std::string(kMorvexVPNErrorDomain), 1002, "Invalid password"), "Invalid password"},
        {"gateway refusal of the profile", AuthKind::UserInfoError,
         Error(std::string(kMorvexVPNErrorDomain), 533, "This account is disabled."), "This account is disabled."},
        {"redirect with a description", AuthKind::AuthError,
         Error(std::string(kOAuth2ErrorDomain), OAuth2ErrorCode::authorizationDenied, "<b>Call +1 555 0100</b>"), denied},
        {"connection lost", AuthKind::UserInfoError,
         Error(std::string(kMorvexVPNErrorDomain), -1005, Networking::errorMessage(-1005), wrapped), generic},
        {"connection lost, exchange", AuthKind::AuthError,
         Error(std::string(kMorvexVPNErrorDomain), -1005, Networking::errorMessage(-1005), wrapped), generic},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        presenter->shown.clear();
        screen->handleAuthenticationCase({c.kind, c.error}, 1);
        ASSERT_EQ(presenter->shown.size(), 1u);
        EXPECT_EQ(presenter->last().message, c.message);
    }
}

TEST_F(LoginViewControllerTest, EachSignInStartsAFreshGrantOnTheSameAuthorizeURLWithPKCE) {
    std::unique_ptr<appkit::Window> window;
    LoginViewController* screen = showScreen(window);
    screen->loginClicked(1);
    OAuth2CodeGrant* first = screen->oauth2();
    ASSERT_NE(first, nullptr);
    const std::string verifier = first->codeVerifier();
    screen->loginClicked(1);
    EXPECT_NE(screen->oauth2()->codeVerifier(), verifier);
    EXPECT_EQ(LoginViewController::oauthSettings().at("authorize_uri"), Value(LoginViewController::authorizeURL()));
    ASSERT_EQ(presented.size(), 2u);
    const QUrlQuery query(QUrl(QString::fromStdString(presented.back().url)));
    EXPECT_EQ(query.queryItemValue("code_challenge_method"), "S256");
    EXPECT_FALSE(query.queryItemValue("code_challenge").isEmpty());
    EXPECT_EQ(presented.back().callbackScheme, "zarnapp");
    EXPECT_TRUE(presented.back().ephemeral);
}

// The picture in view is the page whose dot is lit, from the first show on: the carousel is
// placed before the window gives its viewport a size, and again on each page turn.
TEST_F(LoginViewControllerTest, ThePictureInViewIsThePageOfTheLitDot) {
    std::unique_ptr<appkit::Window> window;
    LoginViewController* screen = showScreen(window);
    screen->revealLoginView();
    auto* pages = screen->view()->findChild<CustomCollectionView*>();
    ASSERT_NE(pages, nullptr);
    const auto inView = [pages] {
        const QPoint middle = pages->viewport()->rect().center();
        for (int i = 0; i < pages->numberOfItems(); ++i)
            if (QRect(pages->item(i)->mapTo(pages->viewport(), QPoint(0, 0)), pages->item(i)->size()).contains(middle)) return i;
        return -1;
    };
    const auto litDot = [screen] { return screen->dotColour(0) == LoginViewController::shownDotColour() ? 0 : 1; };
    ASSERT_TRUE(test::waitUntil([&] { return pages->isVisible(); }));
    EXPECT_EQ(inView(), 0);
    EXPECT_EQ(litDot(), 0);
    EXPECT_EQ(pages->item(0)->mapTo(pages->viewport(), QPoint(0, 0)), QPoint(0, 0)) << "the whole first picture, not part of the next";
    screen->advancePage();
    ASSERT_TRUE(test::waitForAnimations(screen->view()));
    EXPECT_EQ(inView(), 1);
    EXPECT_EQ(litDot(), 1);
    EXPECT_EQ(pages->item(1)->mapTo(pages->viewport(), QPoint(0, 0)), QPoint(0, 0));
}

TEST_F(LoginViewControllerTest, TwoAutoScrollStepsReturnToTheFirstPage) {
    std::unique_ptr<appkit::Window> window;
    LoginViewController* screen = showControls(window);
    EXPECT_EQ(screen->dotColour(0), QColor(71, 114, 165));
    screen->autoScroll();
    EXPECT_EQ(screen->currentIndex(), 1);
    EXPECT_EQ(screen->dotColour(0), QColor(172, 188, 155));
    EXPECT_EQ(screen->dotColour(1), QColor(71, 114, 165));
    screen->autoScroll();
    EXPECT_EQ(screen->currentIndex(), 0);
    EXPECT_EQ(screen->dotColour(0), QColor(71, 114, 165));
    EXPECT_EQ(screen->dotColour(1), QColor(172, 188, 155));

    // Only the program moves the pages: the wheel over them does nothing.
    auto* pages = screen->view()->findChild<CustomCollectionView*>();
    ASSERT_NE(pages, nullptr);
    ASSERT_TRUE(test::waitForAnimations(screen->view()));  // the scroll to the first page has ended
    const int at = pages->horizontalScrollBar()->value();
    QWheelEvent wheel(QPointF(100, 100), pages->mapToGlobal(QPointF(100, 100)), QPoint(), QPoint(-240, 0), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(pages->viewport(), &wheel);
    EXPECT_EQ(pages->horizontalScrollBar()->value(), at);
    // A click on the dot of the page shown changes nothing; the other dot turns the page.
    QTest::mouseClick(screen->view()->findChild<QPushButton*>("btnDot1"), Qt::LeftButton);
    EXPECT_EQ(screen->currentIndex(), 0);
    QTest::mouseClick(screen->view()->findChild<QPushButton*>("btnDot2"), Qt::LeftButton);
    EXPECT_EQ(screen->currentIndex(), 1);
    EXPECT_EQ(screen->dotColour(1), QColor(71, 114, 165));
}

// The account chooser the storyboard offers for a customer with several VPN accounts.
class RecordingChooser : public appkit::ViewController, public AccountChooser {
public:
    static inline AccountSelectionDelegate* lastDelegate = nullptr;
    static inline std::string lastNotification;
    void setDelegate(AccountSelectionDelegate* delegate) override { lastDelegate = delegate; }
    void setFetchAccountNotification(std::string name) override { lastNotification = std::move(name); }
};

TEST_F(LoginViewControllerTest, SeveralAccountsOpenTheChooserAndClosingItSignsOut) {
    appkit::Storyboard::define(LoginViewController::kAccountChooserStoryboard)
        .scene(LoginViewController::kAccountChooserID, [] { return new RecordingChooser; });
    std::unique_ptr<appkit::Window> window;
    LoginViewController* screen = showScreen(window);
    screen->handleAuthenticationCase({AuthKind::MultipleSubscription, std::nullopt}, 1);
    EXPECT_EQ(RecordingChooser::lastDelegate, screen);
    EXPECT_EQ(RecordingChooser::lastNotification, "LoginViewController");
    EXPECT_NE(window->attachedSheet(), nullptr) << "the chooser is a sheet on the page's window";

    UserDefaults::standard().set(Value(99), AppPreferences::Key::dataStoreVersion);
    screen->accountChoiceCancelled();
    EXPECT_EQ(logouts, 1);
    EXPECT_EQ(UserDefaults::standard().integer(AppPreferences::Key::dataStoreVersion), infoDataStoreVersion());
}

TEST_F(LoginViewControllerTest, ASignInWindowProcessThatFailsEndsAsAFailedSignInAndAClosedOneAsNothing) {
    struct Case {
        const char* name;
        std::string window;  // what the stand-in window process does once it has the sign-in
        std::size_t alerts;
    };
    const Case cases[] = {
        {"the window's process crashed", "kill -SEGV $$", 1},
        {"the window's process ended without an answer", "exit 0", 1},
        {"the window's process answered nonsense", "printf 'nonsense\\n'; cat >/dev/null", 1},
        {"the user closed the window", "printf 'failed 1 %%\\n'; cat >/dev/null", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        presenter->shown.clear();
        test::SignInWindowStandIn window(c.window);
        std::unique_ptr<appkit::Window> main;
        LoginViewController* screen = showControls(main, true);
        QTest::mouseClick(loginButton(*screen), Qt::LeftButton);
        ASSERT_NE(screen->webSession(), nullptr);
        const qint64 process = screen->webSession()->windowProcessId();
        ASSERT_NE(process, 0);
        ASSERT_TRUE(waitUntil([&] { return loginButton(*screen)->isEnabled() && presenter->shown.size() >= c.alerts; }));
        test::drain();
        EXPECT_EQ(presenter->shown.size(), c.alerts);
        EXPECT_FALSE(screen->requestInProcess.value());
        EXPECT_FALSE(User().loggedIn());
        EXPECT_TRUE(service.requestsTo("/auth/token").empty());
        EXPECT_TRUE(waitUntil([&] { return test::processEnded(process); }));
    }
}

// The whole road on the real web engine: the page is the fake service's sign-in form.
class WebSignInTest : public LoginViewControllerTest {
protected:
    void SetUp() override {
        // Chromium refuses to run its sandbox as root (CI containers).
        if (::geteuid() == 0) ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
        LoginViewControllerTest::SetUp();
    }

    // The sign-in window's process while it runs (0 for none).
    static qint64 signInWindow(LoginViewController& screen) {
        return screen.webSession() ? screen.webSession()->windowProcessId() : 0;
    }

    // Waits for the sign-in form in the window's process, then fills and sends it as a user would.
    static void signInThroughThePage(appkit::WebAuthenticationSession& session, const std::string& password) {
        ASSERT_NE(session.windowProcessId(), 0) << "the window runs in a process of its own";
        ASSERT_TRUE(waitUntil([&] { return session.pageTitle() == "Sign in to MorvexVPN"; }, std::chrono::milliseconds(30000)))
            << "the sign-in page did not load: titled " << session.pageTitle().toStdString();
        session.runJavaScript(QString("document.getElementById('username').value = '%1';"
                                      "document.getElementById('password').value = '%2';"
                                      "document.getElementById('submit').click();")
                                  .arg(fake::kTestAccountName, QString::fromStdString(password)));
    }
};

TEST_F(WebSignInTest, TheUserSignsInThroughTheSignInPageAndReachesTheMainContent) {
    // The page as the main window shows it: the root's sign-in page.
    InitialModel::Collaborators stubs;
    stubs.vpnStatus = [] { return 1; };
    stubs.disconnectVPN = [] {};
    stubs.updateRecommendedLocation = [] {};
    stubs.connectToLocation = [](const ConnectRequest&, ConnectErrorHandler) {};
    stubs.logout = [] {};
    stubs.checkForUpdate = [] {};
    stubs.fetchProfile = [] {};
    stubs.requestDedicatedIPDetail = [](const nlohmann::json&, auto) {};
    stubs.nameDedicatedServer = [](const ZevuDataFetcherTypes::ServerPtr&) {};
    stubs.runningVersion = [] { return std::string("1.0"); };
    appkit::Storyboard::define("LoginRootTest")
        .scene(std::string(InitialViewController::kStoryboardID),
               [stubs] { return new InitialViewController(std::make_unique<InitialModel>(stubs)); })
        .scene(std::string(InitialViewController::kSignInPageID), [this] { return new LoginViewController(collaborators(true)); });
    appkit::Window window(QSize(760, 500));
    auto* root = qobject_cast<InitialViewController*>(
        appkit::Storyboard::named("LoginRootTest")->instantiateController(InitialViewController::kStoryboardID));
    ASSERT_NE(root, nullptr);
    window.setContentViewController(root);
    window.show();
    ASSERT_TRUE(waitUntil([&] { return root->pageController(InitialViewController::Page::SignIn) != nullptr; }));
    auto* screen = qobject_cast<LoginViewController*>(root->pageController(InitialViewController::Page::SignIn));
    ASSERT_NE(screen, nullptr);
    ASSERT_EQ(root->selectedPage(), InitialViewController::Page::SignIn);

    EXPECT_EQ(screen->webSession(), nullptr) << "no sign-in window before a sign-in";
    screen->revealLoginView();  // the loading's end
    QTest::mouseClick(loginButton(*screen), Qt::LeftButton);
    ASSERT_NE(screen->webSession(), nullptr);
    const qint64 windowProcess = signInWindow(*screen);
    ASSERT_NE(windowProcess, 0);
    signInThroughThePage(*screen->webSession(), fake::kTestAccountPassword);
    const std::vector<std::int64_t> engineProcesses = test::processTree(windowProcess);
    EXPECT_GT(engineProcesses.size(), 1u) << "the web engine's helpers run under the window's process";

    ASSERT_TRUE(waitUntil([&] { return root->selectedPage() == InitialViewController::Page::MainContent; },
                          std::chrono::milliseconds(30000)))
        << [&] {
               std::string paths;
               for (const auto& r : service.requests()) paths += r.method + " " + r.path + "\n";
               return paths;
           }();
    EXPECT_TRUE(User().loggedIn());
    EXPECT_EQ(User().vpnPassword(), fake::kSamplePassword);
    const auto exchanges = service.requestsTo("/auth/token");
    ASSERT_EQ(exchanges.size(), 1u);
    EXPECT_EQ(exchanges[0].json().value_or(nlohmann::json())["authorization_code"], fake::issuedSignInCodes().back());
    EXPECT_TRUE(presenter->shown.empty());
    test::flushDeferredDeletes();
    EXPECT_EQ(screen->webSession(), nullptr) << "the window goes with its sign-in";
    for (const std::int64_t pid : engineProcesses)
        EXPECT_TRUE(waitUntil([&] { return test::processEnded(pid); })) << "process " << pid << " outlived the sign-in";
    EXPECT_FALSE(appkit::WebView::isEngineModuleLoaded()) << "the application never loaded the web engine";
}

TEST_F(WebSignInTest, AWrongPasswordIsShownOnceAndClosingTheWindowSaysNothing) {
    std::unique_ptr<appkit::Window> window;
    LoginViewController* screen = showControls(window, true);

    QTest::mouseClick(loginButton(*screen), Qt::LeftButton);
    ASSERT_NE(screen->webSession(), nullptr);
    signInThroughThePage(*screen->webSession(), "wrong");
    ASSERT_TRUE(waitUntil([&] { return !presenter->shown.empty(); }, std::chrono::milliseconds(30000)));
    // The sign-in page runs in the web engine's renderer, another program with no event for a
    // second answer it should not send: it is given time to (wrongly) send one.
    test::spinFor(std::chrono::milliseconds(300));
    EXPECT_EQ(presenter->shown.size(), 1u);
    EXPECT_EQ(presenter->last().message, localized("signin.refused.denied")) << "the refusal, not \"account details could not be loaded\"";
    EXPECT_TRUE(loginButton(*screen)->isEnabled());
    EXPECT_TRUE(service.requestsTo("/auth/token").empty());

    presenter->shown.clear();
    QTest::mouseClick(loginButton(*screen), Qt::LeftButton);
    const qint64 windowProcess = signInWindow(*screen);
    ASSERT_NE(windowProcess, 0);
    EXPECT_FALSE(loginButton(*screen)->isEnabled());
    // The window's close button, in the window's own process.
    screen->webSession()->closeWindow();
    ASSERT_TRUE(waitUntil([&] { return loginButton(*screen)->isEnabled(); }));
    EXPECT_TRUE(waitUntil([&] {
        test::flushDeferredDeletes();
        return screen->webSession() == nullptr && test::processEnded(windowProcess);
    }));
    test::settleRequests();
    EXPECT_TRUE(presenter->shown.empty());
    EXPECT_FALSE(User().loggedIn());
    EXPECT_FALSE(screen->requestInProcess.value());
}

}  // namespace
}  // namespace morvex
