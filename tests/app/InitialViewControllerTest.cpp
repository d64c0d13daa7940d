// The root view controller: which page a status shows, the update page filled or shown, "remind
// me later", the data-store alert, the account switch refused while a tunnel is up, and the
// launch against the fake service reaching the main content or the update page.
#include <gtest/gtest.h>

#include "alerts/Alert.h"
#include "alerts/AlertServices.h"
#include "ui/shell/EmptyPageViewController.h"
#include "app/InitialViewController.h"
#include "app/UpdateViewController.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "model/BundleInfo.h"
#include "state/AppPreferences.h"
#include "state/PreservedPreferences.h"
#include "state/User.h"
#include "FakeService.h"
#include "FakeServiceAppTest.h"
#include "model/ServiceHosts.h"
#include "session/LoginModel.h"
#include "session/UserAuthentication.h"
#include "support/TestSupport.h"
#include "flows/MorvexVPNService.h"

namespace morvex {
namespace {

using Page = InitialViewController::Page;
using Status = InitialModel::Status;
using Kind = Status::Kind;

class RecordingPresenter : public AlertPresenter {
public:
    std::vector<std::string> titles;
    std::vector<AlertHandler> handlers;
    int dismissed = 0;
    void beginSheet(const Alert& alert, AlertHandler handler) override {
        titles.push_back(alert.title);
        handlers.push_back(std::move(handler));
    }
    ModalResponse runModal(const Alert&) override { return 1000; }
    void endAttachedAlertSheet() override { ++dismissed; }
};

class InitialViewControllerTest : public test::TempConfigTest {
protected:
    void SetUp() override {
        TempConfigTest::SetUp();
        AlertServices services;
        services.presenter = presenter;
        AlertServices::install(services);
        // The root and its update page come from a storyboard of the test's own; the other pages
        // are not registered there and show empty pages.
        appkit::Storyboard::define("RootTest")
            .scene(std::string(InitialViewController::kStoryboardID),
                   [this] { return new InitialViewController(std::make_unique<InitialModel>(collaborators())); })
            .scene(std::string(InitialViewController::kUpdatePageID), [] {
                UpdateModel::Collaborators c;
                c.vpnStatus = [] { return 1; };
                auto model = std::make_unique<UpdateModel>(c);
                model->releaseNote = std::string();  // no web page in tests
                return new UpdateViewController(std::move(model));
            });
    }
    void TearDown() override {
        window.reset();
        AlertServices::install(AlertServices{});
        TempConfigTest::TearDown();
    }
    InitialModel::Collaborators collaborators() {
        InitialModel::Collaborators c;
        c.vpnStatus = [this] { return status; };
        c.disconnectVPN = [] {};
        c.updateRecommendedLocation = [] {};
        c.connectToLocation = [](const ConnectRequest&, ConnectErrorHandler) {};
        c.logout = [this] { ++logouts; };
        c.checkForUpdate = [] {};
        c.fetchProfile = [] {};
        c.requestDedicatedIPDetail = [](const nlohmann::json&, auto) {};
        c.nameDedicatedServer = [](const ZevuDataFetcherTypes::ServerPtr&) {};
        c.runningVersion = [] { return std::string("1.9"); };
        return c;
    }
    InitialViewController& open() {
        window = std::make_unique<appkit::Window>(QSize(760, 500));
        auto* root = qobject_cast<InitialViewController*>(
            appkit::Storyboard::named("RootTest")->instantiateController(InitialViewController::kStoryboardID));
        window->setContentViewController(root);
        window->show();
        test::waitUntil([&] { return root->isViewLoaded() && window->isVisible(); });
        return *root;
    }
    void apply(InitialViewController& root, const Status& status) {
        root.updateStatus(status);
        test::drain();
    }

    std::shared_ptr<RecordingPresenter> presenter = std::make_shared<RecordingPresenter>();
    std::unique_ptr<appkit::Window> window;
    int status = 1;
    int logouts = 0;
};

const InitialModel::UpdateInfo kOffer{"1.10", "notes", std::string("https://example.invalid/morvexvpn.deb")};

TEST_F(InitialViewControllerTest, StatusesChooseThePage) {
    InitialViewController& root = open();
    EXPECT_EQ(root.selectedPage(), Page::SignIn);
    ASSERT_NE(root.updateController(), nullptr);

    NotificationCenter::defaultCenter().post(InitialModel::showDashboardNotification, true);
    apply(root, Status::of(Kind::LoggedIn));
    EXPECT_EQ(root.selectedPage(), Page::MainContent);
    apply(root, Status::of(Kind::LoggedOut));
    EXPECT_EQ(root.selectedPage(), Page::SignIn);
    NotificationCenter::defaultCenter().post(InitialModel::showDashboardNotification, false);
    apply(root, Status::of(Kind::LoggedIn));
    EXPECT_EQ(root.selectedPage(), Page::SignIn) << "signed in, but the sign-in page is not done yet";

    // Remind me later: the main content when signed in, else the sign-in page.
    root.selectPage(Page::Update);
    User().setVpnUsername(std::string("morvex0s1234567"));
    User().setLoggedIn(true);
    root.selectPage(Page::Update);
    NotificationCenter::defaultCenter().post(InitialViewController::remindMeLaterNotification);
    test::waitUntil([&] { return root.selectedPage() != Page::Update; });
    EXPECT_EQ(root.selectedPage(), Page::MainContent);
    User().setLoggedIn(false);
    root.selectPage(Page::Update);
    root.remindLaterClicked();
    EXPECT_EQ(root.selectedPage(), Page::SignIn);
}

TEST_F(InitialViewControllerTest, AnUpdateOfferFillsThePageAndShowsItOnlyWhenUpdatesAreChecked) {
    InitialViewController& root = open();
    UpdateModel& page = root.updateController()->model();

    // Both checks off: filled in, not shown.
    PreservedPreferences().setAutomaticallyCheckForUpdate(false);
    PreservedPreferences().setManuallyCheckForUpdate(false);
    page.forceUpdate = true;
    apply(root, Status::updateAvailable(kOffer));
    EXPECT_EQ(root.selectedPage(), Page::SignIn);
    EXPECT_EQ(page.availableVersion.value(), "1.10");
    EXPECT_EQ(page.releaseNote.value(), "notes");
    EXPECT_EQ(page.downloadUrl.value(), "https://example.invalid/morvexvpn.deb");
    EXPECT_FALSE(page.forceUpdate.value());
    EXPECT_EQ(presenter->dismissed, 1);

    // A manual check shows it (and the page clears the manual flag as it appears).
    PreservedPreferences().setManuallyCheckForUpdate(true);
    apply(root, Status::forceUpdateAvailable(kOffer));
    EXPECT_EQ(root.selectedPage(), Page::Update);
    EXPECT_FALSE(PreservedPreferences().manuallyCheckForUpdate());

    // While the page shows, a status only takes a sheet down.
    const int dismissedBefore = presenter->dismissed;
    apply(root, Status::updateAvailable({"3.0", "other", std::nullopt}));
    apply(root, Status::of(Kind::LoggedOut));
    apply(root, Status::of(Kind::AppUptoDate));
    EXPECT_EQ(root.selectedPage(), Page::Update);
    EXPECT_EQ(page.availableVersion.value(), "1.10");
    EXPECT_EQ(presenter->dismissed, dismissedBefore + 3);
    EXPECT_TRUE(presenter->titles.empty());
}

TEST_F(InitialViewControllerTest, UpToDateClearsTheManualCheckThenSaysSo) {
    InitialViewController& root = open();
    PreservedPreferences().setManuallyCheckForUpdate(true);
    apply(root, Status::of(Kind::AppUptoDate));
    EXPECT_FALSE(PreservedPreferences().manuallyCheckForUpdate());
    apply(root, Status::of(Kind::ForceUpdateAvailableAndConnected));
    EXPECT_EQ(presenter->titles, (std::vector<std::string>{localized("update.upto-date.alert.title"),
                                                           localized("update.available.alert.title")}));
    EXPECT_EQ(root.selectedPage(), Page::SignIn);
}

TEST_F(InitialViewControllerTest, AChangedDataStoreSignsOutWithOneAlert) {
    AppPreferences().setDataStoreVersion(infoDataStoreVersion());
    { open(); }
    EXPECT_EQ(logouts, 0);
    EXPECT_TRUE(presenter->titles.empty());

    AppPreferences().setDataStoreVersion(infoDataStoreVersion() + 1);
    open();
    window->hide();
    window->show();  // appearing again asks nothing more
    test::drain();
    EXPECT_EQ(logouts, 1);
    EXPECT_EQ(presenter->titles, std::vector<std::string>{localized("data.store.version.upgraded.alert.title")});
}

TEST_F(InitialViewControllerTest, SwitchingAccountsWhileATunnelIsComingUpIsRefused) {
    InitialViewController& root = open();
    status = 2;
    NotificationCenter::defaultCenter().post(InitialViewController::showVPNAccountsNotification);
    test::waitUntil([&] { return !presenter->titles.empty(); });
    EXPECT_EQ(presenter->titles, std::vector<std::string>{localized("vpn.connected")});
    EXPECT_EQ(window->attachedSheet(), nullptr);
    (void)root;
}

// The launch as the program runs it: the root with its usual collaborators against the fake
// service, in the main window of the application's own storyboard.
class LaunchTest : public InitialViewControllerTest {
protected:
    void SetUp() override {
        InitialViewControllerTest::SetUp();
        ASSERT_TRUE(service.start());
        hosts::setServiceURLOverride(service.baseURL());
        appkit::Storyboard::define("LaunchTest")
            .scene(std::string(InitialViewController::kStoryboardID), [] { return new InitialViewController; })
            .scene(std::string(InitialViewController::kUpdatePageID), [] {
                auto* page = new UpdateViewController;
                page->model().releaseNote = std::string();
                return page;
            });
    }
    void TearDown() override {
        window.reset();
        hosts::setServiceURLOverride(std::nullopt);
        InitialViewControllerTest::TearDown();
    }
    InitialViewController& launch() {
        window = std::make_unique<appkit::Window>(QSize(760, 500));
        auto* root = qobject_cast<InitialViewController*>(
            appkit::Storyboard::named("LaunchTest")->instantiateController(InitialViewController::kStoryboardID));
        window->setContentViewController(root);
        window->show();
        return *root;
    }
    fake::FakeService service;
    int requestsTo(const std::string& pathEnd) const {
        int n = 0;
        for (const auto& r : service.requests())
            if (r.path.ends_with(pathEnd)) ++n;
        return n;
    }
};

TEST_F(LaunchTest, ASignedInStartReachesTheMainContent) {
    test::storeSignedInUser();
    InitialViewController& root = launch();
    EXPECT_EQ(root.selectedPage(), Page::SignIn);
    ASSERT_TRUE(test::waitUntil([&] { return requestsTo("/user/profile") > 0; })) << "the profile is fetched at launch";

    // What the sign-in page does for a signed-in start: resume the session, then finish the sign-in.
    auto login = std::make_shared<LoginModel>(PreservedPreferences(), User(), MorvexVPNService::makeEventTracker(), UserAuthentication());
    login->resumeSignedInUser([](UserAuthentication::AppLaunchCase outcome) {
        if (outcome.kind == UserAuthentication::AppLaunchCase::Kind::Authenticated) UserAuthentication().finishSignIn();
    });
    EXPECT_TRUE(test::waitUntil([&] { return root.selectedPage() == Page::MainContent; }));
    EXPECT_TRUE(presenter->titles.empty()) << "an active account gets no alert";
}

TEST_F(LaunchTest, AForcedUpdateReachesTheUpdatePage) {
    // The service offers a newer version; the offer stored carries the running version as its
    // forced-till version, so it is a forced update.
    service.route("GET", "/MorvexVPN/app/latest/version/mac",
                  fake::Answer::bodyOnly({{"device", "linux"}, {"version", "9.0.0"}, {"release_note_url", ""},
                                          {"download_url", service.baseURL() + "/morvexvpn_9.0.0_amd64.deb"}}));
    InitialViewController& root = launch();
    ASSERT_TRUE(test::waitUntil([&] { return root.selectedPage() == Page::Update; }));
    ASSERT_NE(root.updateController(), nullptr);
    UpdateModel& page = root.updateController()->model();
    EXPECT_EQ(page.availableVersion.value(), "9.0.0");
    EXPECT_EQ(page.downloadUrl.value(), service.baseURL() + "/morvexvpn_9.0.0_amd64.deb");
    EXPECT_EQ(AppPreferences().updateAvailable().availableVersion, "9.0.0");
}

TEST_F(LaunchTest, AChosenAccountIsSavedWithItsPasswordAndAFailedFetchOffersARetry) {
    InitialViewController& root = launch();
    User().setLoggedIn(true);
    const UserAuthentication::VPNAccount account{"morvex0s7654321", "active", "", "", "", ""};
    std::vector<std::string> changes;
    auto observer = NotificationCenter::defaultCenter().addObserver(InitialModel::vpnAccountDidChangeNotification,
                                                                    [&](const Notification&) { changes.push_back(User().vpnUsername().value_or("")); });
    service.failNext(".*/vpn/account/password", fake::Answer::plain(500));
    root.accountSelected(account);
    ASSERT_TRUE(test::waitUntil([&] { return !presenter->titles.empty(); }));
    EXPECT_EQ(User().vpnUsername(), "morvex0s7654321");
    EXPECT_EQ(User().vpnPassword(), std::nullopt);
    EXPECT_TRUE(changes.empty());
    ASSERT_TRUE(presenter->handlers.front());

    presenter->handlers.front()(1000);  // retry
    ASSERT_TRUE(test::waitUntil([&] { return requestsTo("/user/profile") > 0 && User().vpnPassword().has_value(); }));
    EXPECT_EQ(User().vpnPassword(), fake::kSamplePassword);
    EXPECT_EQ(changes, std::vector<std::string>{"morvex0s7654321"});
    EXPECT_EQ(presenter->titles.size(), 1u);
}

}  // namespace
}  // namespace morvex
