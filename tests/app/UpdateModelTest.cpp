// The update page's model: remaining-time texts, install now while a tunnel is up, the download
// interrupted by a loss of network, and the hand-over to the installer.
#include <gtest/gtest.h>

#include <QLabel>
#include <cmath>
#include <limits>

#include "alerts/Alert.h"
#include "alerts/AlertServices.h"
#include "viewmodels/UpdateModel.h"
#include "app/UpdateViewController.h"
#include "foundation/Bundle.h"
#include "state/EventTracker.h"
#include "support/RecordingTracking.h"
#include "support/TestSupport.h"

namespace morvex {
namespace {

class RecordingPresenter : public AlertPresenter {
public:
    std::vector<std::pair<std::string, std::string>> shown;  // title, message
    int dismissed = 0;
    void beginSheet(const Alert& alert, AlertHandler) override { shown.emplace_back(alert.title, alert.message.value_or("")); }
    ModalResponse runModal(const Alert&) override { return 1000; }
    void endAttachedAlertSheet() override { ++dismissed; }
};

using test::RecordingTracking;

class UpdateModelTest : public test::TempConfigTest {
protected:
    void SetUp() override {
        TempConfigTest::SetUp();
        AlertServices services;
        services.presenter = presenter;
        AlertServices::install(services);
    }
    void TearDown() override {
        AlertServices::install(AlertServices{});
        TempConfigTest::TearDown();
    }
    std::unique_ptr<UpdateModel> make() {
        UpdateModel::Collaborators c;
        c.vpnStatus = [this] { return status; };
        c.download = [this](const std::string& url, auto progress, auto completion) {
            downloads.push_back(url);
            pendingProgress = std::move(progress);
            pendingCompletion = std::move(completion);
            return std::string("download-1");
        };
        c.cancelDownload = [this](const std::string& id) { cancelled.push_back(id); };
        c.openInstaller = [this](const std::filesystem::path& p) {
            opened.push_back(p);
            return installerStarts;
        };
        c.terminate = [this] { ++terminations; };
        c.makeEventTracker = [this] { return EventTracker(tracking, AppPreferences(), PreservedPreferences()); };
        c.runningVersion = [] { return std::string("1.9"); };
        auto model = std::make_unique<UpdateModel>(c);
        model->availableVersion = std::string("1.10");
        model->downloadUrl = std::string("https://example.invalid/morvexvpn.deb");
        return model;
    }
    std::vector<std::string> events() const {
        std::vector<std::string> names;
        for (const auto& [name, properties] : tracking->tracked) names.push_back(name);
        return names;
    }
    static void postReachable(bool reachable) {
        NotificationCenter::defaultCenter().post(UpdateModel::networkReachabilityChangedNotification,
                                                 std::map<std::string, bool>{{"reachable", reachable}});
    }

    std::shared_ptr<RecordingPresenter> presenter = std::make_shared<RecordingPresenter>();
    std::shared_ptr<RecordingTracking> tracking = std::make_shared<RecordingTracking>();
    int status = 1;
    bool installerStarts = true;
    int terminations = 0;
    std::vector<std::string> downloads, cancelled;
    std::vector<std::filesystem::path> opened;
    std::function<void(double, double)> pendingProgress;
    std::function<void(Result<std::filesystem::path>)> pendingCompletion;
};

TEST_F(UpdateModelTest, TheRemainingTimeReadsInMinutesAndSecondsOrInfinity) {
    Bundle::setLanguage("en");  // the texts below are the English ones
    struct Case {
        double seconds;
        std::optional<std::string> text;
    } cases[] = {
        {std::numeric_limits<double>::infinity(), "∞"},
        {65, "1 minute, 5 seconds remaining"},
        {120, "2 minutes remaining"},
        {1, "1 second remaining"},
        {0, "0 seconds remaining"},
        {-1, std::nullopt},
        {std::nan(""), std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(UpdateModel::remainingText(c.seconds), c.text) << c.seconds;

    auto model = make();
    model->installNow();
    ASSERT_TRUE(pendingProgress);
    pendingProgress(0.25, 65);
    EXPECT_DOUBLE_EQ(model->downloadProgress.value(), 0.25);
    EXPECT_EQ(model->timeRemaining.value(), "1 minute, 5 seconds remaining");
    pendingProgress(0.5, std::numeric_limits<double>::infinity());
    EXPECT_EQ(model->timeRemaining.value(), "∞");
    pendingProgress(0.6, std::nan(""));  // no text: the last one stays
    EXPECT_EQ(model->timeRemaining.value(), "∞");
    EXPECT_DOUBLE_EQ(model->downloadProgress.value(), 0.6);
}

TEST_F(UpdateModelTest, InstallWhileConnectedIsRefusedAndALaterLossOfNetworkSaysNothing) {
    for (int up : {3, 2}) {
        presenter->shown.clear();
        status = up;
        auto model = make();
        model->installNow();
        ASSERT_EQ(presenter->shown.size(), 1u);
        EXPECT_EQ(presenter->shown[0].first, localized("update.available.alert.title"));
        EXPECT_EQ(presenter->shown[0].second, localized("vpn.disconnect.on.logout"));
        EXPECT_TRUE(downloads.empty());
        EXPECT_TRUE(events().empty()) << "no app_update_start";
        EXPECT_FALSE(model->downloading.value());

        postReachable(false);
        EXPECT_EQ(presenter->shown.size(), 1u) << "no download.interrupted after a refused install";
    }
}

TEST_F(UpdateModelTest, LosingTheNetworkCancelsARunningDownloadOnly) {
    auto model = make();
    postReachable(false);  // idle: nothing
    EXPECT_TRUE(presenter->shown.empty());
    EXPECT_TRUE(cancelled.empty());

    model->installNow();
    EXPECT_EQ(events(), std::vector<std::string>{"app_update_start"});
    const Dictionary& start = tracking->tracked.front().second;
    EXPECT_EQ(start.at("current"), Value("1.9"));
    EXPECT_EQ(start.at("available"), Value("1.10"));
    EXPECT_EQ(start.at("forced"), Value(false));
    EXPECT_EQ(start.at("auto_update"), Value(true));
    EXPECT_EQ(downloads, std::vector<std::string>{"https://example.invalid/morvexvpn.deb"});
    EXPECT_TRUE(model->downloading.value());
    EXPECT_EQ(model->requestId.value(), "download-1");

    postReachable(true);
    EXPECT_TRUE(cancelled.empty());
    NotificationCenter::defaultCenter().post(UpdateModel::networkReachabilityChangedNotification, std::string("offline"));
    EXPECT_TRUE(cancelled.empty()) << "another object is ignored";
    postReachable(false);
    EXPECT_EQ(cancelled, std::vector<std::string>{"download-1"});
    EXPECT_EQ(model->requestId.value(), std::nullopt);
    EXPECT_FALSE(model->preferences.isInstallNow());
    ASSERT_EQ(presenter->shown.size(), 1u);
    EXPECT_EQ(presenter->shown[0], std::make_pair(localized("no.internet"), localized("download.interrupted")));
}

TEST_F(UpdateModelTest, TheApplicationQuitsOnlyWhenTheInstallerTookThePackage) {
    auto model = make();
    model->installNow();
    installerStarts = false;
    pendingCompletion(std::filesystem::path("/tmp/morvexvpn.deb"));
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_EQ(terminations, 0) << "nothing took the package";
    EXPECT_FALSE(model->downloading.value());
    EXPECT_EQ(presenter->shown.size(), 1u) << "the user is told where the package is";

    model->installNow();
    pendingCompletion(fail(Error("NSURLErrorDomain", -1001)));
    EXPECT_EQ(terminations, 0);
    EXPECT_EQ(opened.size(), 1u);

    model->installNow();
    installerStarts = true;
    pendingCompletion(std::filesystem::path("/tmp/morvexvpn.deb"));
    EXPECT_EQ(opened.back(), std::filesystem::path("/tmp/morvexvpn.deb"));
    EXPECT_EQ(terminations, 1);
}

TEST_F(UpdateModelTest, RemindLaterAndQuitClearTheInstallAndSayTheOfferWasIgnored) {
    auto model = make();
    model->forceUpdate = true;
    model->preferences.setIsInstallNow(true);
    bool reminded = false;
    auto token = NotificationCenter::defaultCenter().addObserver(UpdateModel::remindMeLaterNotification,
                                                                 [&](const Notification&) { reminded = true; });
    model->remindMeLater();
    EXPECT_TRUE(reminded);
    EXPECT_FALSE(model->preferences.isInstallNow());
    model->preferences.setIsInstallNow(true);
    model->quit();
    EXPECT_FALSE(model->preferences.isInstallNow());
    EXPECT_EQ(terminations, 1);
    ASSERT_EQ(events(), (std::vector<std::string>{"app_update_ignored", "app_update_ignored"}));
    EXPECT_EQ(tracking->tracked[0].second.at("force"), Value(true));

    model->preferences.setIsInstallNow(true);
    model->cancel();  // nothing running: only the flag
    EXPECT_FALSE(model->preferences.isInstallNow());
    EXPECT_TRUE(cancelled.empty());
}

TEST_F(UpdateModelTest, ThePagesTextsHaveTheLooksSizesInPixels) {
    // Sized in typographic points, every text came out a third larger than on the other pages.
    UpdateViewController page(make());
    QWidget* view = page.view();
    const std::pair<const char*, int> sizes[] = {
        {"updateTitle", 20}, {"updateVersion", 14}, {"releaseNotesTitle", 13}, {"timeRemaining", 13}};
    for (const auto& [name, pixels] : sizes) {
        SCOPED_TRACE(name);
        auto* label = view->findChild<QLabel*>(name);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->font().pixelSize(), pixels);
    }
}

}  // namespace
}  // namespace morvex
