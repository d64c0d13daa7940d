#include <algorithm>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <fstream>

#include "LauncherFixture.h"
#include "foundation/DistributedNotificationCenter.h"
#include "foundation/RunningApplications.h"

using namespace morvex;
using namespace std::chrono_literals;

namespace {

TEST(DistributedNotificationCenterTest, DeliversByNameAndObjectOnTheMainThreadUntilTheTokenGoes) {
    auto& center = DistributedNotificationCenter::defaultCenter();
    std::vector<std::string> seen;
    auto any = center.addObserver("Ping", std::nullopt, [&](const Notification& n) {
        EXPECT_TRUE(QCoreApplication::instance()->thread() == QThread::currentThread());
        seen.push_back("any:" + *n.objectAs<std::string>());
    });
    auto mine = center.addObserver("Ping", std::string("com.morvex.a"),
                                   [&](const Notification& n) { seen.push_back("a:" + *n.objectAs<std::string>()); });

    ASSERT_TRUE(center.post("Ping", "com.morvex.b"));
    ASSERT_TRUE(center.post("Pong", "com.morvex.a"));
    ASSERT_TRUE(center.post("Ping", "com.morvex.a"));
    ASSERT_TRUE(test::waitUntil([&] { return seen.size() == 3; }));
    // The bus keeps one sender's order only as far as its own queues go; what matters is who gets what.
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<std::string>{"a:com.morvex.a", "any:com.morvex.a", "any:com.morvex.b"}));

    mine.remove();
    int markers = 0;
    auto marker = center.addObserver("Marker", std::nullopt, [&](const Notification&) { ++markers; });
    ASSERT_TRUE(center.post("Ping", "com.morvex.a"));
    // The bus keeps one sender's signals to one receiver in order: once the marker is back, any
    // copy of the ping is too.
    ASSERT_TRUE(center.post("Marker"));
    ASSERT_TRUE(test::waitUntil([&] { return markers == 1; }));
    test::drain();
    EXPECT_EQ(seen.back(), "any:com.morvex.a");
    EXPECT_EQ(seen.size(), 4u);
    EXPECT_FALSE(center.post("", "com.morvex.a"));
}

TEST(RunningApplicationsTest, ANameBelongsToOneProcessAndLeavesWithIt) {
    std::string identifier;
    {
        test::LauncherBundle bundle;
        identifier = bundle.appIdentifier;
        EXPECT_FALSE(RunningApplications::isRunning(identifier));
        auto first = bundle.startApplication();
        ASSERT_TRUE(bundle.waitForLog("announced"));
        EXPECT_TRUE(RunningApplications::isRunning(identifier));

        auto second = bundle.startApplication();
        ASSERT_TRUE(test::waitForExit(*second));
        EXPECT_EQ(second->exitCode(), 3);
        EXPECT_EQ(bundle.countLog("refused Another process already runs as " + identifier), 1u)
            << testing::PrintToString(bundle.log());
        auto here = RunningApplications::announce(identifier);
        ASSERT_FALSE(here);
        EXPECT_EQ(here.error().code, RunningApplications::alreadyRunning);

        first->terminate();
        ASSERT_TRUE(test::waitForExit(*first));
    }
    EXPECT_TRUE(test::waitUntil([&] { return !RunningApplications::isRunning(identifier); }));
    EXPECT_TRUE(RunningApplications::announce(identifier));
    EXPECT_TRUE(RunningApplications::isRunning(identifier));

    auto bad = RunningApplications::announce("not an identifier");
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.error().code, RunningApplications::invalidIdentifier);
}

TEST(RunningApplicationsTest, LaunchingAFileThatIsNoProgramFails) {
    test::TempDir dir;
    std::ofstream(dir.path() / "text") << "x";
    for (const auto& path : {dir.path() / "missing", dir.path() / "text", dir.path()}) {
        SCOPED_TRACE(path.string());
        auto launched = RunningApplications::launchApplication(path);
        ASSERT_FALSE(launched);
        EXPECT_EQ(launched.error().code, RunningApplications::launchFailed);
    }
}

}  // namespace
