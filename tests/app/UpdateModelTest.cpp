// The update page's model: remaining-time texts, install now while a tunnel is up, the download
// interrupted by a loss of network or by the server, and the hand-over to the installer.
#include <gtest/gtest.h>

#include <QLabel>
#include <cmath>
#include <fstream>
#include <limits>
#include <set>

#include "alerts/Alert.h"
#include "alerts/AlertServices.h"
#include "FakeService.h"
#include "api/Networking.h"
#include "appkit/Workspace.h"
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
    std::vector<std::vector<std::string>> buttons;
    std::vector<AlertHandler> handlers;
    int dismissed = 0;
    void beginSheet(const Alert& alert, AlertHandler handler) override {
        shown.emplace_back(alert.title, alert.message.value_or(""));
        buttons.push_back(alert.shownButtons());
        handlers.push_back(std::move(handler));
    }
    // The user clicks the button at `index` of the newest alert.
    void click(std::size_t index) {
        ASSERT_FALSE(handlers.empty());
        if (auto handler = handlers.back()) handler(Alert::responseForButton(index));
    }
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
        if (realDownloads) c.download = nullptr;  // Networking's own download
        c.cancelDownload = [this](const std::string& id) { cancelled.push_back(id); };
        if (realDownloads) c.cancelDownload = nullptr;
        c.openInstaller = [this](const std::filesystem::path& p, std::function<void(bool)> done) {
            opened.push_back(p);
            if (opener.isEmpty()) done(installerStarts);
            else appkit::Workspace::openFile(p, std::move(done), opener);
        };
        c.revealPackage = [this](const std::filesystem::path& p) { revealed.push_back(p); };
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
    bool realDownloads = false;
    bool installerStarts = true;
    QString opener;  // a real opener program run through the desktop layer, when set
    std::vector<std::filesystem::path> revealed;
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
    EXPECT_EQ(presenter->buttons[0], (std::vector<std::string>{localized("retry"), localized("cancel")}));

    // The cancelled download then reports its end: that says nothing more.
    pendingCompletion(fail(Error(std::string(http::kSessionErrorDomain), http::SessionError::sessionTaskFailed, "",
                                 std::make_shared<Error>(std::string(http::kURLErrorDomain), http::URLError::cancelled))));
    EXPECT_EQ(presenter->shown.size(), 1u);

    presenter->click(0);  // Try Again
    EXPECT_EQ(downloads.size(), 2u);
    EXPECT_TRUE(model->downloading.value());
}

TEST_F(UpdateModelTest, TheApplicationQuitsOnlyWhenTheOpenerSaysAnInstallerTookThePackage) {
    // Real opener programs through the desktop layer: only a normal exit with status 0 means a
    // handler took the package (xdg-open exits 1 when the desktop has none for its type).
    test::TempDir bin;
    auto script = [&](const std::string& name, const std::string& body) {
        const auto path = bin.path() / name;
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return QString::fromStdString(path.string());
    };
    const std::filesystem::path package = configDir() / "MorvexVPN.pkg";
    struct Case {
        const char* what;
        QString opener;
        bool quits;
    } cases[] = {
        {"exit 0", script("takes-it", "exit 0"), true},
        {"exit 1", script("no-handler", "exit 1"), false},
        {"not found", QString::fromStdString((bin.path() / "missing").string()), false},
        {"killed", script("killed", "kill -9 $$"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        presenter->shown.clear();
        presenter->handlers.clear();
        terminations = 0;
        revealed.clear();
        opener = c.opener;
        auto model = make();
        model->installNow();
        pendingCompletion(package);
        ASSERT_TRUE(test::waitUntil([&] { return terminations > 0 || !presenter->shown.empty(); }));
        EXPECT_FALSE(model->downloading.value());
        if (c.quits) {
            EXPECT_EQ(terminations, 1);
            EXPECT_TRUE(presenter->shown.empty());
            continue;
        }
        EXPECT_EQ(terminations, 0) << "nothing took the package: the application stays";
        EXPECT_FALSE(model->preferences.isInstallNow());
        ASSERT_EQ(presenter->shown.size(), 1u);
        EXPECT_EQ(presenter->shown[0].first, localized("update.install.failed.title"));
        EXPECT_NE(presenter->shown[0].second.find(package.string()), std::string::npos) << "says where the package lies";
        presenter->click(0);  // Show in Folder
        EXPECT_EQ(revealed, std::vector<std::filesystem::path>{package});
    }
}

TEST_F(UpdateModelTest, EveryFailedDownloadEndsInOneAlertLeavesNoFileAndCanBeTriedAgain) {
    fake::FakeService service;
    ASSERT_TRUE(service.start());
    fake::offerUpdate(service, "9.0.0");
    auto& networking = Networking::shared();
    const double usualTimeout = networking.downloadTimeoutInterval;
    networking.downloadTimeoutInterval = 0.5;  // the stalled server is given up on soon
    realDownloads = true;
    const auto filesNow = [&] {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(configDir()))
            if (entry.is_regular_file()) names.insert(entry.path().filename().string());
        return names;
    };
    const std::pair<const char*, fake::DownloadFault> faults[] = {
        {"cut at 0 %", fake::DownloadFault::cutAtStart},  {"cut at 50 %", fake::DownloadFault::cutHalfway},
        {"cut at 99 %", fake::DownloadFault::cutNearEnd}, {"answered 500", fake::DownloadFault::serverError},
        {"stalled", fake::DownloadFault::stall},
    };
    for (const auto& [what, fault] : faults) {
        SCOPED_TRACE(what);
        presenter->shown.clear();
        presenter->handlers.clear();
        opened.clear();
        terminations = 0;
        std::filesystem::remove(configDir() / "MorvexVPN.pkg");
        auto model = make();
        model->downloadUrl = service.baseURL() + fake::kPackagePath;
        model->preferences.setIsInstallNow(false);  // the stores' own files exist from here on
        const std::set<std::string> before = filesNow();
        fake::failNextDownload(service, fault);
        model->installNow();
        ASSERT_TRUE(test::waitUntil([&] { return !presenter->shown.empty(); }, std::chrono::seconds(20)));
        test::waitUntil([&] { return !model->downloading.value(); });
        EXPECT_FALSE(model->downloading.value());
        EXPECT_FALSE(model->preferences.isInstallNow());
        ASSERT_EQ(presenter->shown.size(), 1u);
        EXPECT_EQ(presenter->shown[0],
                  std::make_pair(localized("update.download.failed.title"), localized("update.download.failed.message")));
        EXPECT_EQ(filesNow(), before) << "no partial package is left";
        EXPECT_TRUE(opened.empty());

        presenter->click(0);  // Try Again: the server now sends the whole package
        ASSERT_TRUE(test::waitUntil([&] { return terminations > 0 || presenter->shown.size() > 1; }, std::chrono::seconds(20)));
        EXPECT_EQ(presenter->shown.size(), 1u);
        ASSERT_EQ(opened.size(), 1u);
        std::ifstream in(opened[0], std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), fake::updatePackageBytes());
        EXPECT_EQ(terminations, 1);
    }
    networking.downloadTimeoutInterval = usualTimeout;
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
