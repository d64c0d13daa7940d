// The main road as a new user walks it: the root of the application's own storyboard opens on the
// login page, the user signs in through the fake service's sign-in page, lands on the dashboard,
// connects on the simulated SDK, sees the connected address on the dashboard's card, disconnects
// again and signs out; the console, watched the whole way, carries none of the secrets that passed
// through.
#include <QDebug>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <unistd.h>

#include <mutex>

#include "FakeServiceAppTest.h"
#include "app/AppMainViewController.h"
#include "app/InitialViewController.h"
#include "app/Storyboards.h"
#include "appkit/Application.h"
#include "appkit/Storyboard.h"
#include "appkit/WebAuthenticationSession.h"
#include "appkit/WebView.h"
#include "appkit/Window.h"
#include "model/ServiceHosts.h"
#include "support/ConsoleCapture.h"
#include "state/AppManager.h"
#include "state/User.h"
#include "ui/dashboard/ConnectButtonController.h"
#include "ui/dashboard/ConnectionComponentsController.h"
#include "ui/dashboard/DashboardViewController.h"
#include "ui/login/LoginViewController.h"
#include "flows/MorvexVPNService.h"
#include "vpn/Zevu.h"
#include "zevu/ZevuTestAPI.h"

namespace morvex {
namespace {

using Page = InitialViewController::Page;
using S = ZevuConnectionState;
using test::waitUntil;

constexpr auto kWebWait = std::chrono::milliseconds(30000);

int sdkStatus() { return zevu::ZevuManager::sharedInstance()->getCurrentVPNStatus(); }

class SignInToConnectTest : public test::FakeServiceAppTest {
protected:
    void SetUp() override {
        FakeServiceAppTest::SetUp();
        if (HasFatalFailure()) return;
        // The screens drive the real (simulated) SDK, as the program does; alerts stay recorded.
        AlertServices s = AlertServices::installed();
        s.vpn = AlertServices::defaults().vpn;
        AlertServices::install(s);
        // As the application starts for a user who never signed in: the SDK is set up without
        // credentials, which the sign-in hands over.
        Zevu::configureSDK(User(), MorvexVPNService::makeZevu);
        // The launch caches the SDK's country list a few seconds in, before a new user is done
        // signing in; the recommended city is dialled through it.
        bool catalogued = false;
        MorvexVPNService::makeZevuDataFetcher().loadCountries({}, [&](auto&&...) { catalogued = true; });
        ASSERT_TRUE(waitUntil([&] { return catalogued; }));
    }

    std::string alertsShown() const {
        std::string titles;
        for (const auto& s : presenter->shown) titles += "\"" + s.alert.title + "\" ";
        return titles;
    }
    std::string requestLog() const {
        std::string paths;
        for (const auto& r : service.requests()) paths += r.method + " " + r.path + "\n";
        return paths;
    }
};

TEST_F(SignInToConnectTest, ANewUserSignsInLandsOnTheDashboardConnectsDisconnectsAndSignsOutAndTheConsoleKeepsNoSecret) {
    test::ConsoleCapture console;
    qDebug() << "console capture check";  // proves Qt's messages are watched too
    appkit::Application app;
    registerStoryboards();
    appkit::Window window(QSize(760, 500));
    auto* root = qobject_cast<InitialViewController*>(
        appkit::Storyboard::named(kMainStoryboard)->instantiateController(InitialViewController::kStoryboardID));
    ASSERT_NE(root, nullptr);
    window.setContentViewController(root);
    window.show();

    // The login page, once its loading is over.
    ASSERT_TRUE(waitUntil([&] { return root->pageController(Page::SignIn) != nullptr; }));
    EXPECT_EQ(root->selectedPage(), Page::SignIn);
    auto* login = qobject_cast<LoginViewController*>(root->pageController(Page::SignIn));
    ASSERT_NE(login, nullptr);
    ASSERT_TRUE(waitUntil([&] { return login->isLoginViewShown(); })) << "the sign-in controls never came after the loading";
    auto* signIn = login->view()->findChild<QPushButton*>("btnLogin");
    ASSERT_NE(signIn, nullptr);
    ASSERT_TRUE(waitUntil([&] { return signIn->isVisible() && signIn->isEnabled(); }));

    // The user signs in on the service's page.
    QTest::mouseClick(signIn, Qt::LeftButton);
    ASSERT_NE(login->oauth2(), nullptr);
    const std::string verifier = login->oauth2()->codeVerifier();
    ASSERT_FALSE(verifier.empty());
    ASSERT_NE(login->webSession(), nullptr);
    appkit::WebAuthenticationSession* page = login->webSession();
    ASSERT_NE(page->windowProcessId(), 0) << "the sign-in window runs in a process of its own";
    ASSERT_TRUE(waitUntil([&] { return page->pageTitle() == "Sign in to MorvexVPN"; }, kWebWait))
        << "the sign-in page did not load: " << page->pageTitle().toStdString();
    page->runJavaScript(QString("document.getElementById('username').value = '%1';"
                                "document.getElementById('password').value = '%2';"
                                "document.getElementById('submit').click();")
                            .arg(fake::kTestAccountName, fake::kTestAccountPassword));
    ASSERT_TRUE(waitUntil([&] { return root->selectedPage() == Page::MainContent; }, kWebWait)) << requestLog();
    EXPECT_TRUE(User().loggedIn());

    // The main content opens on the dashboard.
    auto* content = qobject_cast<AppMainViewController*>(root->pageController(Page::MainContent));
    ASSERT_NE(content, nullptr);
    ASSERT_TRUE(waitUntil([&] { return qobject_cast<DashboardViewController*>(content->currentPageController()) != nullptr; }));
    auto* dashboard = qobject_cast<DashboardViewController*>(content->currentPageController());
    ASSERT_TRUE(dashboard->view()->isVisible());
    auto title = [&] { return dashboard->connectionPanel()->model().state.value().title; };
    EXPECT_EQ(title(), S::Disconnected);
    QAbstractButton* connect = dashboard->connectButton()->buttonConnect();
    ASSERT_TRUE(connect->isVisible());

    // A click connects: the first one may only fetch the recommended location when none is known
    // yet, so the user clicks again once it is there, as the button then offers.
    QTest::mouseClick(connect, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return title() != S::Disconnected || AppPreferences().recommendedServer() != nullptr; }));
    if (title() == S::Disconnected) QTest::mouseClick(connect, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return title() == S::Connected; }))
        << "the SDK stayed at " << sdkStatus() << "; alerts shown: " << alertsShown();
    EXPECT_EQ(sdkStatus(), zevu::rawValue(zevu::ZevuVPNState::Connected));

    // The address card reads the connected location's public address, as the SDK reports it.
    std::mutex mutex;
    std::optional<std::string> address;
    zevu::ZevuManager::sharedInstance()->getConnectedLocation(
        [&](std::optional<zevu::ZevuLocation> location) {
            std::lock_guard lock(mutex);
            address = location && location->ip ? *location->ip : std::string();
        },
        [&](std::optional<Error>) {
            std::lock_guard lock(mutex);
            address = std::string();
        });
    ASSERT_TRUE(waitUntil([&] {
        std::lock_guard lock(mutex);
        return address.has_value();
    }));
    const std::string ip = [&] {
        std::lock_guard lock(mutex);
        return *address;
    }();
    ASSERT_FALSE(ip.empty()) << "the SDK knows no connected address";
    QLabel* card = dashboard->connectionPanel()->recommendedName();
    EXPECT_TRUE(waitUntil([&] { return card->text().toStdString().ends_with(" - " + ip); }))
        << "the card reads \"" << card->text().toStdString() << "\", the address is " << ip;
    EXPECT_FALSE(card->text().contains("Fetching"));

    // Another click disconnects.
    QTest::mouseClick(connect, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return title() == S::Disconnected; }));
    ASSERT_TRUE(waitUntil([] { return sdkStatus() == zevu::rawValue(zevu::ZevuVPNState::Disconnected); }));
    EXPECT_TRUE(presenter->shown.empty()) << "no alert on the main road: " << alertsShown();

    // The secrets of this sign-in, before the sign-out forgets them.
    const std::string accessToken = AppManager::shared().accessToken();
    const std::string refreshToken = AppManager::shared().refreshToken();
    ASSERT_FALSE(accessToken.empty());
    ASSERT_FALSE(fake::issuedSignInCodes().empty());
    const std::string code = fake::issuedSignInCodes().back();
    const auto exchanges = service.requestsTo("/auth/token");
    ASSERT_EQ(exchanges.size(), 1u);
    EXPECT_EQ(exchanges[0].json().value_or(nlohmann::json())["code_verifier"], verifier)
        << "the service took the code with this sign-in's own verifier";

    // The user signs out and is back on the login page.
    MorvexVPNService::logoutWithDefaults();
    ASSERT_TRUE(waitUntil([&] { return !User().loggedIn() && root->selectedPage() == Page::SignIn; })) << alertsShown();
    window.setContentViewController(nullptr);
    test::flushDeferredDeletes();

    const std::string text = console.text();
    ASSERT_NE(text.find("console capture check"), std::string::npos) << "the capture saw nothing";
    ASSERT_NE(text.find("Exchanging the authorization code"), std::string::npos) << "the capture missed the sign-in";
    struct Secret {
        const char* name;
        std::string value;
    };
    for (const auto& secret : {Secret{"access token", accessToken}, Secret{"refresh token", refreshToken},
                               Secret{"authorization code", code}, Secret{"code verifier", verifier},
                               Secret{"account password", fake::kTestAccountPassword}, Secret{"VPN password", fake::kSamplePassword},
                               Secret{"e-mail", fake::kTestAccountName}, Secret{"e-mail's domain", "@example.com"}}) {
        SCOPED_TRACE(secret.name);
        ASSERT_FALSE(secret.value.empty());
        const auto at = text.find(secret.value);
        EXPECT_EQ(at, std::string::npos) << "on the console: …" << text.substr(at == std::string::npos ? 0 : (at > 80 ? at - 80 : 0), 200);
    }
}

}  // namespace
}  // namespace morvex
