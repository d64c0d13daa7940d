#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "LauncherFixture.h"
#include "foundation/DistributedNotificationCenter.h"
#include "foundation/RunningApplications.h"

using namespace morvex;
using namespace std::chrono_literals;

namespace {

class LauncherTest : public ::testing::Test {
protected:
    // A program the launcher starts detached is handed to this process when its starter goes, and
    // that has happened by the time the launcher has exited: the children of this process then
    // say whether it started one, with nothing left to wait for.
    void SetUp() override { ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0); }
    static std::set<pid_t> children() {
        std::set<pid_t> out;
        for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
            std::ifstream list(task.path() / "children");
            for (pid_t pid = 0; list >> pid;) out.insert(pid);
        }
        return out;
    }

    test::LauncherBundle bundle;
};

TEST_F(LauncherTest, StartsTheApplicationFromItsBundleAndQuitsWhenTheApplicationSaysSo) {
    bundle.writeApplication(/*killsLauncher=*/true);
    auto launcher = bundle.startLauncher();

    ASSERT_TRUE(bundle.waitForLog("told the launcher to quit")) << testing::PrintToString(bundle.log());
    ASSERT_TRUE(test::waitForExit(*launcher));
    EXPECT_EQ(launcher->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(launcher->exitCode(), 0) << launcher->readAllStandardError().toStdString();
    EXPECT_EQ(children().size(), 1u) << "the application the launcher started is handed to this process";
    EXPECT_EQ(bundle.countLog("started"), 1u);
    EXPECT_TRUE(RunningApplications::isRunning(bundle.appIdentifier));
    EXPECT_TRUE(test::waitUntil([&] { return !RunningApplications::isRunning(bundle.launcherIdentifier); }));
}

TEST_F(LauncherTest, QuitsAtOnceWithoutStartingASecondCopyWhenTheApplicationRuns) {
    auto application = bundle.startApplication();
    ASSERT_TRUE(bundle.waitForLog("announced"));

    auto launcher = bundle.startLauncher();
    ASSERT_TRUE(test::waitForExit(*launcher));
    EXPECT_EQ(launcher->exitCode(), 0) << launcher->readAllStandardError().toStdString();
    EXPECT_EQ(children(), std::set<pid_t>{pid_t(application->processId())}) << "the launcher started a second copy";
    EXPECT_EQ(bundle.countLog("started"), 1u) << testing::PrintToString(bundle.log());
    EXPECT_EQ(application->state(), QProcess::Running);
}

TEST_F(LauncherTest, QuitsOnlyWhenTheApplicationItselfSaysSo) {
    auto launcher = bundle.startLauncher();
    ASSERT_TRUE(bundle.waitForLog("announced"));
    ASSERT_TRUE(test::waitUntil([&] { return RunningApplications::isRunning(bundle.launcherIdentifier); }));

    // Requests for another application, and requests for this one from a process that is not the
    // application (this test program: any program of the session can send the signal).
    auto& center = DistributedNotificationCenter::defaultCenter();
    int seenHere = 0;
    auto token = center.addObserver("killMorvexVPNLauncher", std::nullopt, [&](const Notification&) { ++seenHere; });
    ASSERT_TRUE(center.post("killMorvexVPNLauncher", "com.morvex.other"));
    ASSERT_TRUE(center.post("killMorvexVPNLauncher"));
    ASSERT_TRUE(center.post("killMorvexVPNLauncherNow", bundle.appIdentifier));
    ASSERT_TRUE(center.post("killMorvexVPNLauncher", bundle.appIdentifier + ".helper"));
    ASSERT_TRUE(center.post("killMorvexVPNLauncher", bundle.appIdentifier));
    ASSERT_TRUE(test::waitUntil([&] { return seenHere == 4; }));
    // The launcher has judged the last one once it says so; the bus delivered the others first.
    QByteArray errors;
    ASSERT_TRUE(test::waitUntil([&] {
        errors += launcher->readAllStandardError();
        return errors.contains("did not come from the application");
    })) << errors.toStdString();
    ASSERT_EQ(launcher->state(), QProcess::Running) << errors.toStdString();

    // The application that the launcher started goes; a new one, holding the application's name,
    // tells the launcher to quit.
    const auto started = bundle.log();
    ASSERT_FALSE(started.empty());
    const pid_t first = std::stoi(started.front().substr(std::string("started ").size()));
    ASSERT_EQ(::kill(first, SIGTERM), 0);
    ASSERT_TRUE(test::waitUntil([&] { return !RunningApplications::isRunning(bundle.appIdentifier); }));
    bundle.writeApplication(/*killsLauncher=*/true);
    auto application = bundle.startApplication();
    ASSERT_TRUE(test::waitForExit(*launcher));
    EXPECT_EQ(launcher->exitCode(), 0);
    EXPECT_EQ(bundle.countLog("told the launcher to quit"), 1u);
}

TEST_F(LauncherTest, InfoValuesItCannotUseEndItWithAnErrorAndStartNothing) {
    struct Case {
        const char* label;
        std::function<void(nlohmann::json&)> change;
    };
    const Case cases[] = {
        {"no application name", [](auto& info) { info.erase("Application Name"); }},
        {"no application identifier", [](auto& info) { info.erase("Application Bundle identifier"); }},
        {"identifier that is no text", [](auto& info) { info["Application Bundle identifier"] = 7; }},
        {"name that leaves the bundle", [](auto& info) { info["Application Name"] = "../../evil"; }},
        {"empty name", [](auto& info) { info["Application Name"] = ""; }},
    };
    const auto shipped = bundle.launcherInfo();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        auto info = shipped;
        c.change(info);
        bundle.writeLauncherInfo(info);
        auto launcher = bundle.startLauncher();
        ASSERT_TRUE(test::waitForExit(*launcher));
        EXPECT_EQ(launcher->exitCode(), 1);
        EXPECT_TRUE(launcher->readAllStandardError().contains("MorvexVPNLauncher: "));
        EXPECT_TRUE(children().empty()) << "the launcher started the application";
    }
}

TEST_F(LauncherTest, WithoutASessionBusStartsTheApplicationAndLeaves) {
    // Nobody could tell it to quit, so it must not stay behind.
    auto launcher = bundle.startLauncher({}, {"DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/bus"});
    ASSERT_TRUE(test::waitForExit(*launcher));
    EXPECT_EQ(launcher->exitCode(), 0) << launcher->readAllStandardError().toStdString();
    ASSERT_TRUE(bundle.waitForLog("started"));
}

}  // namespace
