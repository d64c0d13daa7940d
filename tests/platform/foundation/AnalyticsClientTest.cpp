#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "foundation/Analytics.h"
#include "foundation/Log.h"
#include "support/LocalHttpServer.h"
#include "support/TestSupport.h"

using namespace morvex;
using namespace std::chrono_literals;

namespace {

class AnalyticsClientTest : public test::TempConfigTest {
protected:
    AnalyticsClient::Options options(double interval = 0) {
        AnalyticsClient::Options o;
        o.token = "vendro";
        o.flushInterval = interval;
        o.serverURL = server.baseURL();
        return o;
    }
    // Flushes and waits for the outcome.
    static bool flushNow(AnalyticsClient& client) {
        std::optional<bool> outcome;
        client.flush([&](bool delivered) { outcome = delivered; });
        EXPECT_TRUE(test::waitUntil([&] { return outcome.has_value(); }));
        return outcome.value_or(false);
    }
    // Every event the server received, in order.
    std::vector<nlohmann::json> received() const {
        std::vector<nlohmann::json> events;
        for (const auto& r : server.requests())
            for (const auto& e : nlohmann::json::parse(r.body)) events.push_back(e);
        return events;
    }

    test::LocalHttpServer server;
};

}  // namespace

TEST_F(AnalyticsClientTest, EventsCarryTokenIdentitySuperPropertiesAndTheirOwnProperties) {
    AnalyticsClient client(options());
    client.registerSuperProperties({{"locale", "de"}, {"test_group", "GroupA"}});
    client.registerSuperProperties({{"test_group", "GroupB"}});
    client.identify("user-uuid");
    client.time("app_connected");
    client.track("app_connected", {{"time", 1700000000.0}, {"locale", "en"}, {"installed", Date{0.5}}});
    client.setUseIPAddressForGeoLocation(false);
    ASSERT_TRUE(flushNow(client));

    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].method, "POST");
    EXPECT_EQ(server.requests()[0].target, "/track?ip=0");
    auto events = received();
    ASSERT_EQ(events.size(), 1u);
    const auto& p = events[0]["properties"];
    EXPECT_EQ(events[0]["event"], "app_connected");
    EXPECT_EQ(p["token"], "vendro");
    EXPECT_EQ(p["distinct_id"], "user-uuid");
    EXPECT_EQ(p["test_group"], "GroupB");
    EXPECT_EQ(p["locale"], "en");  // the event's own value wins
    EXPECT_EQ(p["time"], 1700000000.0);
    EXPECT_EQ(p["installed"], "1970-01-01T00:00:00.500Z");
    EXPECT_TRUE(p.contains("$duration"));
    EXPECT_EQ(client.queuedCount(), 0u);
}

TEST_F(AnalyticsClientTest, AFailedFlushKeepsTheEventsForTheNextOne) {
    AnalyticsClient client(options());
    client.track("app_launched");
    client.track("app_logged_in");

    server.setStatus(500);
    EXPECT_FALSE(flushNow(client));
    EXPECT_EQ(client.queuedCount(), 2u);

    server.setStatus(200);
    client.track("app_logout");
    EXPECT_TRUE(flushNow(client));
    EXPECT_EQ(client.queuedCount(), 0u);
    std::vector<std::string> names;
    for (const auto& r : server.requests())
        if (r.body.find("app_logout") != std::string::npos)
            for (const auto& e : nlohmann::json::parse(r.body)) names.push_back(e["event"]);
    EXPECT_EQ(names, (std::vector<std::string>{"app_launched", "app_logged_in", "app_logout"}));
}

TEST_F(AnalyticsClientTest, AnUnreachableHostKeepsTheQueueAcrossARestart) {
    auto o = options();
    o.serverURL = "http://127.0.0.1:1";  // nothing listens there
    {
        AnalyticsClient client(o);
        client.track("app_install", {{"n", 1}});
        EXPECT_FALSE(flushNow(client));
    }
    AnalyticsClient restarted(options());
    EXPECT_EQ(restarted.queuedCount(), 1u);
    EXPECT_TRUE(flushNow(restarted));
    ASSERT_EQ(received().size(), 1u);
    EXPECT_EQ(received()[0]["properties"]["n"], 1);
}

TEST_F(AnalyticsClientTest, TheTimerFlushesLargeQueuesInBatchesAndTrackWorksFromAnyThread) {
    AnalyticsClient client(options(0.05));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&client, t] {
            for (int i = 0; i < 30; ++i) client.track("app_ping_time", {{"thread", t}, {"i", i}});
        });
    for (auto& t : threads) t.join();
    ASSERT_TRUE(test::waitUntil([&] { return client.queuedCount() == 0; }));
    EXPECT_EQ(received().size(), 120u);
    EXPECT_GE(server.requests().size(), 3u);  // at most 50 events per request
}

TEST_F(AnalyticsClientTest, ResetForgetsIdentityAndSuperPropertiesButNotQueuedEvents) {
    AnalyticsClient client(options());
    client.identify("someone");
    client.registerSuperProperties({{"username", "vpn-user"}});
    client.track("app_logout");
    client.reset();
    EXPECT_NE(client.distinctId(), "someone");
    EXPECT_TRUE(client.superProperties().empty());
    EXPECT_EQ(client.queuedCount(), 1u);
    client.registerSuperProperties({{"a", 1}});
    client.clearSuperProperties();
    EXPECT_TRUE(client.superProperties().empty());
}

TEST_F(AnalyticsClientTest, QuittingSendsWhatIsQueued) {
    AnalyticsClient client(options(60));
    client.track("app_logout");
    ASSERT_TRUE(QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit", Qt::DirectConnection));
    EXPECT_EQ(client.queuedCount(), 0u);
    ASSERT_EQ(received().size(), 1u);
    EXPECT_EQ(received()[0]["event"], "app_logout");
}

TEST_F(AnalyticsClientTest, QuittingWhileTheHostIsSlowGivesUpAndKeepsTheEvents) {
    // A host that takes the connection and never answers.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    std::vector<QTcpSocket*> connections;
    QObject::connect(&silent, &QTcpServer::newConnection, [&] {
        while (auto* c = silent.nextPendingConnection()) connections.push_back(c);
    });
    auto o = options(60);
    o.serverURL = "http://127.0.0.1:" + std::to_string(silent.serverPort());
    AnalyticsClient client(o);
    client.track("app_logout");
    ASSERT_TRUE(QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit", Qt::DirectConnection));
    EXPECT_EQ(client.queuedCount(), 1u);

    // The batch ends after the quit has stopped waiting for it; its outcome must still be safe to report.
    std::optional<bool> outcome;
    client.flush([&](bool delivered) { outcome = delivered; });
    ASSERT_TRUE(test::waitUntil([&] { return !connections.empty(); }));
    silent.close();  // a second attempt is refused
    for (auto* c : connections) c->abort();
    ASSERT_TRUE(test::waitUntil([&] { return outcome.has_value(); }));
    EXPECT_FALSE(*outcome);
    EXPECT_EQ(client.queuedCount(), 1u);
}

TEST_F(AnalyticsClientTest, TextThatIsNotUtf8IsQueuedKeptAndSent) {
    {
        AnalyticsClient client(options());
        EXPECT_NO_THROW(client.track("bad\xff", {{"text", Value(std::string("x\xfe"))}}));
        EXPECT_NO_THROW(client.registerSuperProperties({{"super", Value(std::string("\xc3"))}}));
        EXPECT_NO_THROW(client.track("app_launched"));
        EXPECT_EQ(client.queuedCount(), 2u);
    }
    AnalyticsClient restarted(options());
    ASSERT_EQ(restarted.queuedCount(), 2u);
    ASSERT_TRUE(flushNow(restarted));
    auto events = received();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0]["event"], "bad\xEF\xBF\xBD");
    EXPECT_EQ(events[0]["properties"]["text"], "x\xEF\xBF\xBD");
    EXPECT_EQ(events[1]["event"], "app_launched");
}

TEST_F(AnalyticsClientTest, InitialisingKeepsTheMainInstanceAndWhatItQueuedBefore) {
    auto& early = AnalyticsClient::mainInstance();
    early.registerSuperProperties({{"app_release_code", "PRODUCTION"}});
    early.track("app_launched");
    auto& initialised = AnalyticsClient::initialize("vendro", 0, server.baseURL());
    EXPECT_EQ(&early, &initialised);
    EXPECT_EQ(&AnalyticsClient::initialize("other", 0, "http://127.0.0.1:1"), &initialised);
    ASSERT_TRUE(flushNow(initialised));
    auto events = received();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0]["properties"]["token"], "vendro");
    EXPECT_EQ(events[0]["properties"]["app_release_code"], "PRODUCTION");
}

namespace {

std::filesystem::path queueFile(const std::filesystem::path& configDir, const std::string& token = "vendro") {
    return configDir / ("analytics-" + token + ".json");
}

std::size_t damagedCopies(const std::filesystem::path& dir) {
    std::size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) n += e.path().filename().string().find(".damaged-") != std::string::npos;
    return n;
}

}  // namespace

// Appending an event must not rewrite what is already queued: after a day offline that would be
// a rewrite of everything (flushed to disk) for each event, on whichever thread tracked it.
TEST_F(AnalyticsClientTest, TrackingAppendsToTheQueueFileInsteadOfRewritingIt) {
    {
        AnalyticsClient client(options());
        for (int i = 0; i < 2000; ++i) client.track("app_ping_time", {{"i", i}});
    }
    // Holding the file open tells a file appended to from one replaced by a rewrite (whose old
    // inode loses its name, while its number may be given to the new one).
    const int held = ::open(queueFile(configDir()).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    struct stat before {};
    ASSERT_EQ(::fstat(held, &before), 0);
    {
        AnalyticsClient client(options());
        EXPECT_EQ(client.queuedCount(), 2000u);
        client.track("app_logout");
    }
    struct stat after {};
    ASSERT_EQ(::fstat(held, &after), 0);
    ::close(held);
    EXPECT_EQ(after.st_nlink, 1u);  // still the queue file, appended to
    EXPECT_GT(after.st_size, before.st_size);
    EXPECT_LT(after.st_size - before.st_size, 1000);

    AnalyticsClient restarted(options());
    EXPECT_EQ(restarted.queuedCount(), 2001u);
}

TEST_F(AnalyticsClientTest, TheQueueIsCappedAndTheOldestEventsGoFirst) {
    auto o = options();
    o.maxQueuedEvents = 3;
    {
        log::Capture capture;
        AnalyticsClient client(o);
        for (int i = 0; i < 6; ++i) client.track("e" + std::to_string(i));
        EXPECT_EQ(client.queuedCount(), 3u);
        EXPECT_TRUE(capture.containsText("dropped the oldest"));
    }
    o.maxQueuedEvents = 2;  // a smaller cap applies to what is already queued as well
    AnalyticsClient restarted(o);
    EXPECT_EQ(restarted.queuedCount(), 2u);
    ASSERT_TRUE(flushNow(restarted));
    std::vector<std::string> names;
    for (const auto& e : received()) names.push_back(e["event"]);
    EXPECT_EQ(names, (std::vector<std::string>{"e4", "e5"}));
}

// A queued entry that is not an event (an object) was once sent to the loop that stamps the token on
// each pending event, which threw and stopped the application at every start.
TEST_F(AnalyticsClientTest, QueuedEntriesThatAreNotEventsAreDroppedWithAConsoleLine) {
    std::ofstream(configDir() / "analytics-pending.json")
        << R"({"distinctId": "early", "queue": [1, "text", [2], null, {"event": "bad", "properties": 3},
                                               {"event": "kept", "properties": {"n": 1}}]})";
    log::Capture capture;
    AnalyticsClient::mainInstance();
    AnalyticsClient* client = nullptr;
    ASSERT_NO_THROW(client = &AnalyticsClient::initialize("vendro", 0, server.baseURL()));
    EXPECT_TRUE(capture.containsText("dropped 5 queued entries"));
    EXPECT_EQ(client->queuedCount(), 1u);
    EXPECT_EQ(client->distinctId(), "early");
    ASSERT_TRUE(flushNow(*client));
    ASSERT_EQ(received().size(), 1u);
    EXPECT_EQ(received()[0]["event"], "kept");
    EXPECT_EQ(received()[0]["properties"]["token"], "vendro");
}

// What the queue file holds is read up to the first line that does not read; a line cut off at the
// very end (a kill or a full disk while appending) is no damage.
TEST_F(AnalyticsClientTest, TheQueueFileIsReadUpToItsDamage) {
    const std::string head = "MORVEX-ANALYTICS 1\nI \"someone\"\nS {}\n";
    const std::string a = "E {\"event\":\"a\",\"properties\":{}}\n";
    const std::string b = "E {\"event\":\"b\",\"properties\":{}}\n";
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> events;
        bool damaged;
    } cases[] = {
        {"whole", head + a + b + "R 1\n", {"b"}, false},
        {"a last line cut off", head + a + b.substr(0, 12), {"a"}, false},
        {"a line that does not parse", head + a + "E {\"event\":\n" + b, {"a"}, true},
        {"more removed than queued", head + a + "R 2\n" + b, {"a"}, true},
        {"an unknown kind of line", head + a + "X 1\n" + b, {"a"}, true},
        {"an event nested too deeply", head + a + "E {\"event\":\"d\",\"properties\":{\"p\":" + deep + "}}\n" + b, {"a"}, true},
        {"an unknown header", "MORVEX-ANALYTICS 9\n" + a, {}, true},
        {"the earlier form", R"({"distinctId":"x","queue":[{"event":"a","properties":{}}]})", {"a"}, false},
        {"the earlier form nested too deeply", R"({"queue":[{"event":"a","properties":{"p":)" + deep + "}}]}", {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        auto o = options();
        o.stateFile = dir.path() / "queue.json";
        std::ofstream(o.stateFile) << c.text;
        log::Capture capture;
        {
            AnalyticsClient client(o);
            EXPECT_EQ(client.queuedCount(), c.events.size());
            EXPECT_EQ(capture.containsText("is damaged"), c.damaged);
            EXPECT_EQ(damagedCopies(dir.path()), c.damaged ? 1u : 0u);
            client.track("later");
        }
        const auto sentBefore = received().size();
        AnalyticsClient restarted(o);
        ASSERT_TRUE(flushNow(restarted));
        std::vector<std::string> names;
        for (const auto& e : received()) names.push_back(e["event"]);
        names.erase(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(sentBefore));
        auto expected = c.events;
        expected.push_back("later");
        EXPECT_EQ(names, expected);
    }
}
