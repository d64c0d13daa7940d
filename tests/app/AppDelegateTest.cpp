// The application delegate: launch bookkeeping, the PKCE verifier, quitting while a tunnel is up,
// reconnecting after wake, the sleep assertion and the Dock (taskbar) policy.
#include <QDBusConnection>
#include <QPushButton>
#include <QTest>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

#include "alerts/Alert.h"
#include "alerts/AlertServices.h"
#include "app/InitialViewController.h"
#include "app/Storyboards.h"
#include "appkit/Storyboard.h"
#include "app/AppDelegate.h"
#include "ui/kit/QtAlertPresenter.h"
#include "appkit/AlertSheet.h"
#include "appkit/Window.h"
#include "appkit/Workspace.h"
#include "foundation/Bundle.h"
#include "foundation/DistributedNotificationCenter.h"
#include "foundation/RunningApplications.h"
#include "foundation/UserDefaults.h"
#include "model/BundleInfo.h"
#include "state/AppManager.h"
#include "state/AppPreferences.h"
#include "state/Crypto.h"
#include "state/PreservedPreferences.h"
#include "state/User.h"
#include "foundation/LoginItem.h"
#include "support/FakeDesktopServices.h"
#include "support/TestSupport.h"
#include "support/RecordingTracking.h"

namespace morvex {
namespace {

constexpr int kConnected = 3, kConnecting = 2;

class FakeEngine : public VpnEngine {
public:
    int status = 1;
    int setUps = 0, disconnects = 0, reconnects = 0, countryFetches = 0;
    std::vector<bool> connectivityChecks;
    std::optional<std::string> connectionIdAtReconnect;
    std::function<void(std::optional<Countries>)> pendingFetch;

    void setUpSDK(const User&) override { ++setUps; }
    int vpnStatus() const override { return status; }
    void disconnectVPN() override { ++disconnects; }
    void reconnectVPN() override {
        ++reconnects;
        connectionIdAtReconnect = AppPreferences().onGoingConnectionId();
    }
    void setDoCheckInternetConnectivity(bool check) override { connectivityChecks.push_back(check); }
    void fetchCountries(std::function<void(std::optional<Countries>)> completion) override {
        ++countryFetches;
        pendingFetch = std::move(completion);
    }
};

using RecordingAnalytics = test::RecordingTracking;

class AppDelegateTest : public test::TempConfigTest {
protected:
    void SetUp() override {
        TempConfigTest::SetUp();
        setIsRelaunching(false);
        engine = std::make_shared<FakeEngine>();
        analytics = std::make_shared<RecordingAnalytics>();
    }
    void TearDown() override {
        delegate.reset();
        window.reset();
        setIsRelaunching(false);
        TempConfigTest::TearDown();
    }
    AppDelegate& make(bool withWindow = true) {
        if (withWindow) {
            window = std::make_unique<appkit::Window>(QSize(760, 500));
            window->show();
        }
        AppDelegate::Collaborators c;
        c.engine = engine;
        c.analytics = analytics;
        c.alerts = alerts;
        c.application = &app;
        c.workspaceCenter = &workspace;
        c.releaseAssertion = [this](appkit::IOPMAssertionID id) {
            released.push_back(id);
            return releaseLock ? releaseLock(id) : appkit::kIOReturnSuccess;
        };
        c.createAssertion = [this](appkit::IOPMAssertionID& id) {
            return takeLock ? takeLock(id) : appkit::kIOReturnError;
        };
        c.clock = [this] { return now; };
        delegate = std::make_unique<AppDelegate>(std::move(c));
        app.setDelegate(delegate.get());
        return *delegate;
    }
    appkit::AlertSheet* quitSheet() {
        return window ? qobject_cast<appkit::AlertSheet*>(window->attachedSheet()) : nullptr;
    }

    appkit::Application app;
    std::unique_ptr<appkit::Window> window;
    std::shared_ptr<QtAlertPresenter> alerts = std::make_shared<QtAlertPresenter>();
    NotificationCenter workspace;
    std::shared_ptr<FakeEngine> engine;
    std::shared_ptr<RecordingAnalytics> analytics;
    std::vector<appkit::IOPMAssertionID> released;
    // The sleep lock as the delegate takes and gives it back (none: refused).
    std::function<appkit::IOReturn(appkit::IOPMAssertionID&)> takeLock;
    std::function<appkit::IOReturn(appkit::IOPMAssertionID)> releaseLock;
    double now = 800000000.125;
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(AppDelegateTest, VersionBookkeepingSendsAnUpdateEventOnlyWhenTheStoredVersionDiffers) {
    UserDefaults defaults = UserDefaults::standard();
    const std::string running = appVersionText();

    make().launchVersionBookkeeping();
    EXPECT_EQ(defaults.string("AppPreference.version"), running) << "first run stores the running version";
    EXPECT_TRUE(analytics->named("app_updated").empty());
    EXPECT_FALSE(defaults.object("UserPreferences.readNotificationsFromFirestoreCache").has_value());

    defaults.set(Value("0.9.0 (7)"), "AppPreference.version");
    make().launchVersionBookkeeping();
    auto updates = analytics->named("app_updated");
    ASSERT_EQ(updates.size(), 1u);
    EXPECT_EQ(updates[0].second.at("from").toText(), "0.9.0 (7)");
    EXPECT_EQ(updates[0].second.at("to").toText(), running);
    EXPECT_TRUE(defaults.boolean("UserPreferences.readNotificationsFromFirestoreCache"));
    EXPECT_EQ(defaults.string("AppPreference.version"), running);

    make().launchVersionBookkeeping();
    EXPECT_EQ(analytics->named("app_updated").size(), 1u) << "the next launch sends none";
}

TEST_F(AppDelegateTest, TheCodeVerifierHasTheAskedLengthFromTheUnreservedAlphabetAndDiffersPerCall) {
    const std::string alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-._~";
    const std::string a = generateCodeVerifier(43), b = generateCodeVerifier(43);
    EXPECT_EQ(a.size(), 43u);
    EXPECT_EQ(a.find_first_not_of(alphabet), std::string::npos);
    EXPECT_NE(a, b);
    EXPECT_EQ(generateCodeVerifier(0), "");

    // The biased low end of a draw (a product's low half under 2^64 mod 66) is drawn again.
    std::vector<std::uint64_t> draws = {0, UINT64_MAX, (1ULL << 63) + 1};
    std::size_t next = 0;
    EXPECT_EQ(generateCodeVerifier(2, [&] { return draws[next++]; }), "~H");
    EXPECT_EQ(next, 3u);
}

TEST_F(AppDelegateTest, LaunchingSetsUpTheSdkSendsTheLaunchTimeAndPreparesPkce) {
    appLaunchStartTime = now - 0.25;
    make().applicationDidFinishLaunching();
    EXPECT_EQ(engine->setUps, 1);
    auto launched = analytics->named("app_launched");
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_DOUBLE_EQ(launched[0].second.at("launch_time").toDouble(), 250.0);
    const CryptoManager& crypto = CryptoManager::shared();
    EXPECT_EQ(crypto.codeVerifier.size(), 43u);
    EXPECT_EQ(crypto.codeChallenge, codeChallengeS256(crypto.codeVerifier));
    EXPECT_EQ(UserDefaults::standard().string("AppPreference.version"), appVersionText());
}

// A preferences file damaged on disk: the launch keeps it aside, signs the user out (what was left
// of the session is not to be trusted), says so once in the window, and the login screen follows.
TEST_F(AppDelegateTest, ADamagedPreferencesFileIsKeptAsideAndTheUserIsToldOnceToSignInAgain) {
    std::filesystem::path file;
    {
        User user;
        user.setLoggedIn(true);
        user.setUuid(std::string("kept-before-the-damage"));
        UserDefaults::standard().set(Value("the damaged record"), "AppPreference.lastWrittenForTheTest");
        file = UserDefaults::standard().storePath();
    }
    UserDefaults::releaseStores();
    {
        std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(-3, std::ios::end);
        f.put('\x7f');  // inside the last record's payload
    }
    struct Restore {
        AlertServices before = AlertServices::installed();
        ~Restore() { AlertServices::install(before); }
    } restore;
    AlertServices services = restore.before;
    services.presenter = alerts;
    AlertServices::install(services);
    registerStoryboards();

    AppDelegate& d = make();
    d.applicationWillFinishLaunching();
    EXPECT_FALSE(User().loggedIn()) << "signed out before the first window";
    auto* root = qobject_cast<InitialViewController*>(
        appkit::Storyboard::named(kMainStoryboard)->instantiateController(InitialViewController::kStoryboardID));
    ASSERT_NE(root, nullptr);
    window->setContentViewController(root);
    d.applicationDidFinishLaunching();

    auto* sheet = qobject_cast<appkit::AlertSheet*>(window->attachedSheet());
    ASSERT_NE(sheet, nullptr) << "the notice shows in the window";
    EXPECT_EQ(sheet->messageText(), localized("preferences.damaged.alert.title"));
    EXPECT_EQ(sheet->informativeText(), localized("preferences.damaged.alert.message"));
    window->endSheet(sheet);
    ASSERT_TRUE(test::waitUntil([&] { return root->pageController(InitialViewController::Page::SignIn) != nullptr; }));
    EXPECT_EQ(root->selectedPage(), InitialViewController::Page::SignIn);

    std::vector<std::filesystem::path> aside;
    for (const auto& e : std::filesystem::directory_iterator(file.parent_path()))
        if (e.path().filename().string().starts_with(file.filename().string() + ".damaged-")) aside.push_back(e.path());
    EXPECT_EQ(aside.size(), 1u) << "the damaged file is kept aside";

    // Said once: the next launch in this process has nothing to tell.
    test::flushDeferredDeletes();
    AppDelegate& again = make();
    again.applicationWillFinishLaunching();
    again.applicationDidFinishLaunching();
    EXPECT_EQ(window->attachedSheet(), nullptr);
    window->setContentViewController(nullptr);
    test::flushDeferredDeletes();
}

TEST_F(AppDelegateTest, AnEmptyCountryCacheIsFetchedAboutThreeSecondsAfterLaunchAndStored) {
    test::ManualClock clock;
    make().applicationDidFinishLaunching();
    clock.advance(std::chrono::milliseconds(2999));
    EXPECT_EQ(engine->countryFetches, 0);
    clock.advance(std::chrono::milliseconds(1));
    ASSERT_EQ(engine->countryFetches, 1);
    zevu::ZevuCountry germany;
    germany.country = "DE";
    germany.name = "Germany";
    engine->pendingFetch(VpnEngine::Countries{germany});
    auto stored = UserDefaults::standard().array("AppPreference.countries");
    ASSERT_TRUE(stored.has_value());
    ASSERT_EQ(stored->size(), 1u);
    EXPECT_TRUE((*stored)[0].is<Bytes>()) << "one JSON data element per SDK record";
}

TEST_F(AppDelegateTest, ACachedCountryListIsNotFetchedAgainAndAFailedFetchStoresNothing) {
    const std::string record = R"({"country":"DE","name":"Germany","latency":0})";
    UserDefaults::standard().set(Value(Array{Value(Bytes(record.begin(), record.end()))}), "AppPreference.countries");
    test::ManualClock clock;
    AppDelegate& d = make();
    d.checkCachedCountriesAfterLaunch();
    EXPECT_EQ(clock.pending(), 0u) << "nothing scheduled";
    clock.advance(std::chrono::seconds(3));
    EXPECT_EQ(engine->countryFetches, 0);

    UserDefaults::standard().removeObject("AppPreference.countries");
    d.prefetchCountriesAtLaunch();
    engine->pendingFetch(std::nullopt);
    EXPECT_FALSE(UserDefaults::standard().object("AppPreference.countries").has_value());
}

TEST_F(AppDelegateTest, QuittingAsksOnlyWhileTheTunnelIsUpAndNotDuringARelaunch) {
    struct Case {
        int status;
        bool relaunching;
        bool asks;
    };
    const Case cases[] = {
        {kConnected, false, true}, {kConnecting, false, true}, {kConnected, true, false},
        {0, false, false},         {1, false, false},          {4, false, false},
        {5, false, false},         {6, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "status " << c.status << (c.relaunching ? ", relaunching" : ""));
        engine->status = c.status;
        setIsRelaunching(c.relaunching);
        AppDelegate& d = make();
        const auto reply = d.applicationShouldTerminate();
        EXPECT_EQ(reply, c.asks ? appkit::TerminateReply::Later : appkit::TerminateReply::Now);
        EXPECT_EQ(quitSheet() != nullptr, c.asks);
        if (auto* sheet = quitSheet()) {
            EXPECT_EQ(sheet->messageText(), localized("app.quit"));
            EXPECT_EQ(sheet->informativeText(), localized("vpn.disconnect.on.quit"));
            ASSERT_EQ(sheet->buttons().size(), 2u);
            EXPECT_EQ(sheet->buttons()[0]->text().toStdString(), localized("yes"));
            EXPECT_EQ(sheet->buttons()[1]->text().toStdString(), localized("no"));
        }
        EXPECT_EQ(engine->disconnects, 0);
        if (auto* sheet = quitSheet()) window->endSheet(sheet);
    }
}

TEST_F(AppDelegateTest, YesDisconnectsAndEndsTheApplicationAboutASecondLater) {
    test::ManualClock clock;
    engine->status = kConnected;
    AppManager::shared().lastVPNStateConnected = true;
    make();
    app.terminate();
    ASSERT_TRUE(app.isAwaitingTerminationReply());
    ASSERT_NE(quitSheet(), nullptr);
    QTest::mouseClick(quitSheet()->buttons()[0], Qt::LeftButton);
    EXPECT_EQ(engine->disconnects, 1);
    EXPECT_FALSE(AppManager::shared().lastVPNStateConnected);
    clock.advance(std::chrono::milliseconds(999));
    EXPECT_FALSE(app.isTerminated());
    clock.advance(std::chrono::milliseconds(1));
    EXPECT_TRUE(app.isTerminated());
}

TEST_F(AppDelegateTest, NoOrAnyOtherEndOfTheSheetKeepsTheApplicationAndTheTunnel) {
    struct Case {
        const char* name;
        std::function<void(appkit::Window&, appkit::AlertSheet&)> end;
    };
    const Case cases[] = {
        {"no", [](appkit::Window&, appkit::AlertSheet& s) { QTest::mouseClick(s.buttons()[1], Qt::LeftButton); }},
        {"ended from outside", [](appkit::Window& w, appkit::AlertSheet& s) { w.endSheet(&s); }},
        {"escape", [](appkit::Window&, appkit::AlertSheet& s) { QTest::keyClick(&s, Qt::Key_Escape); }},
        {"window closed", [](appkit::Window& w, appkit::AlertSheet&) { delete &w; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        engine->status = kConnected;
        make();
        app.terminate();
        ASSERT_NE(quitSheet(), nullptr);
        appkit::Window* w = window.get();
        if (std::string(c.name) == "window closed") window.release();
        c.end(*w, *quitSheet());
        EXPECT_FALSE(app.isAwaitingTerminationReply()) << "the deferred quit is answered";
        EXPECT_FALSE(app.isTerminated());
        EXPECT_EQ(engine->disconnects, 0);
        // The next quit asks again.
        if (window) {
            app.terminate();
            EXPECT_TRUE(app.isAwaitingTerminationReply());
            window->endSheet(quitSheet());
        }
    }
}

TEST_F(AppDelegateTest, WithNoWindowToAskOnTheApplicationEndsAtOnce) {
    engine->status = kConnected;
    make(false);
    app.terminate();
    EXPECT_TRUE(app.isTerminated());
    EXPECT_EQ(engine->disconnects, 0);
}

TEST_F(AppDelegateTest, WakeReconnectsOnlyWithTheSettingOnTheTunnelDownAndAUserSignedIn) {
    struct Case {
        bool setting;
        int status;
        bool signedIn;
        bool reconnects;
    };
    const Case cases[] = {
        {false, 1, true, false},         {true, kConnected, true, false}, {true, kConnecting, true, false},
        {true, 1, false, false},         {true, 1, true, true},           {true, 0, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "setting " << c.setting << ", status " << c.status << ", signed in " << c.signedIn);
        UserDefaults::standard().removeObject("AppPreference.onGoingConnectionId");
        User().setLoggedIn(c.signedIn);
        PreservedPreferences().setAutoConnectFromSleep(c.setting);
        engine = std::make_shared<FakeEngine>();
        engine->status = c.status;
        make(false).applicationDidFinishLaunching();
        workspace.post(appkit::Workspace::didWakeNotification);
        EXPECT_EQ(engine->reconnects, c.reconnects ? 1 : 0);
        if (!c.reconnects) {
            EXPECT_FALSE(AppPreferences().onGoingConnectionId().has_value());
            continue;
        }
        EXPECT_EQ(engine->connectivityChecks, std::vector<bool>{false});
        ASSERT_TRUE(engine->connectionIdAtReconnect.has_value()) << "stored before reconnecting";
        double stored = 0;
        const std::string& text = *engine->connectionIdAtReconnect;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), stored);
        EXPECT_TRUE(ec == std::errc() && end == text.data() + text.size()) << text;
        EXPECT_EQ(stored, now) << "decimal text that reads back as the same time";
    }
}

TEST_F(AppDelegateTest, TheSleepAssertionIsReleasedOnceAndForgotten) {
    AppDelegate& d = make();
    d.sleepAssertionId = 7;
    d.applicationWillTerminate();
    EXPECT_EQ(released, std::vector<appkit::IOPMAssertionID>{7});
    EXPECT_FALSE(d.sleepAssertionId.has_value());
    d.applicationWillTerminate();
    EXPECT_EQ(released, std::vector<appkit::IOPMAssertionID>{7});
}

TEST_F(AppDelegateTest, TheAutostartEntryAndTheSleepLockFollowThePreferencesAtLaunchAndAfterClearing) {
    test::FakeLogind logind;
    if (!logind.available()) GTEST_SKIP() << "needs a private session bus (run through run-test.sh)";
    appkit::PowerAssertions locks(QDBusConnection::sessionBus(), "MorvexVPN");
    takeLock = [&locks](appkit::IOPMAssertionID& id) {
        return locks.create(appkit::kIOPMAssertionTypePreventUserIdleSystemSleep, appkit::kIOPMAssertionLevelOn,
                            "MorvexVPNPreventMacFromSleep", id);
    };
    releaseLock = [&locks](appkit::IOPMAssertionID id) { return locks.release(id); };
    test::TempDir autostart;
    LoginItems::setAutostartDirectoryOverride(autostart.path());
    struct Restore {
        ~Restore() { LoginItems::setAutostartDirectoryOverride({}); }
    } restore;
    const auto entry = LoginItems::autostartEntryPath(infoLauncherBundleIdentifier());
    ASSERT_TRUE(entry.has_value());
    if (!LoginItems::loginItemExecutable(infoLauncherBundleIdentifier()))
        GTEST_SKIP() << "the bundle has no launcher program yet (build MorvexVPNLauncher)";

    struct Case {
        const char* name;
        bool launchOnStartUp, preventSleep;
    };
    for (const Case& c : {Case{"log-in off, sleep held off", false, true}, Case{"log-in on, sleep allowed", true, false}}) {
        SCOPED_TRACE(c.name);
        // An entry left by an earlier run, which the switch no longer asks for.
        ASSERT_TRUE(SMLoginItemSetEnabled(infoLauncherBundleIdentifier(), true));
        const std::size_t locksBefore = logind.lockCount();
        PreservedPreferences preferences;
        preferences.setLaunchOnStartUp(c.launchOnStartUp);
        preferences.setPreventSleep(c.preventSleep);

        AppDelegate& d = make();
        d.applicationDidFinishLaunching();
        EXPECT_EQ(std::filesystem::exists(*entry), c.launchOnStartUp) << "the autostart entry after the launch";
        ASSERT_EQ(logind.lockCount(), locksBefore + (c.preventSleep ? 1 : 0)) << "an inhibitor taken at launch";
        EXPECT_EQ(d.sleepAssertionId.has_value(), c.preventSleep);
        if (c.preventSleep) {
            EXPECT_FALSE(logind.isReleased(locksBefore)) << "held while the application runs";
        }
        EXPECT_EQ(preferences.preventSleep(), c.preventSleep);

        // Cleared: the switches read their defaults (launch at log-in on, sleep allowed), and the
        // desktop follows them.
        preferences.clearUserPreferences();
        EXPECT_TRUE(preferences.launchOnStartUp());
        EXPECT_TRUE(std::filesystem::exists(*entry));
        EXPECT_FALSE(preferences.preventSleep());
        EXPECT_FALSE(d.sleepAssertionId.has_value());
        EXPECT_EQ(locks.heldCount(), 0u);
        if (c.preventSleep) {
            EXPECT_TRUE(test::waitUntil([&] { return logind.isReleased(locksBefore); }));
        }
        delegate.reset();
    }
}

TEST_F(AppDelegateTest, ASleepLockThatCannotBeTakenAtLaunchTurnsThePreferenceOff) {
    PreservedPreferences().setPreventSleep(true);
    AppDelegate& d = make();  // no lock to be had
    d.applicationDidFinishLaunching();
    EXPECT_FALSE(d.sleepAssertionId.has_value());
    EXPECT_FALSE(PreservedPreferences().preventSleep()) << "the switch must not read On with nothing held";
}

TEST_F(AppDelegateTest, TheTaskbarPolicyFollowsActivationOnlyWhenHiddenFromTheDock) {
    AppDelegate& d = make();
    d.applicationDidResignActive();
    EXPECT_EQ(app.activationPolicy(), appkit::ActivationPolicy::Regular) << "setting off: never touched";
    UserDefaults::standard().set(Value(true), "AppPreference.hideFromDock");
    d.applicationDidResignActive();
    EXPECT_EQ(app.activationPolicy(), appkit::ActivationPolicy::Accessory);
    d.applicationWillBecomeActive();
    EXPECT_EQ(app.activationPolicy(), appkit::ActivationPolicy::Regular);
}

TEST_F(AppDelegateTest, TheLauncherIsToldToQuitOnlyWhenItRuns) {
    if (!DistributedNotificationCenter::isSessionBusAvailable()) GTEST_SKIP() << "needs a session bus";
    std::vector<std::string> objects;
    auto observer = DistributedNotificationCenter::defaultCenter().addObserver(
        killLauncherNotification, std::nullopt, [&](const Notification& n) {
            if (auto* o = n.objectAs<std::string>()) objects.push_back(*o);
        });
    AppDelegate& d = make();
    d.killLauncherIfRunning();
    // The bus keeps one sender's signals in order: once a marker posted after it is back, a
    // notification of that call would have been back too.
    DistributedNotificationCenter::defaultCenter().post(killLauncherNotification, std::string("marker"));
    ASSERT_TRUE(test::waitUntil([&] { return !objects.empty(); }));
    EXPECT_EQ(objects, std::vector<std::string>{"marker"});
    objects.clear();

    ASSERT_TRUE(RunningApplications::announce(infoLauncherBundleIdentifier()).has_value());
    d.killLauncherIfRunning();
    ASSERT_TRUE(test::waitUntil([&] { return !objects.empty(); }));
    EXPECT_EQ(objects, std::vector<std::string>{*Bundle::main().bundleIdentifier()});
}

}  // namespace
}  // namespace morvex
