#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <set>

#include "foundation/Analytics.h"
#include "foundation/UserDefaults.h"
#include "state/EventTracker.h"
#include "support/LocalHttpServer.h"
#include "support/TestSupport.h"
#include "support/RecordingTracking.h"

using namespace morvex;

namespace {

// Records what the tracker hands to the analytics SDK.
using test::RecordingTracking;

class EventTrackerTest : public test::TempConfigTest {
protected:
    std::shared_ptr<RecordingTracking> sdk = std::make_shared<RecordingTracking>();
    EventTracker make() { return EventTracker(sdk, AppPreferences(), PreservedPreferences()); }
    const Dictionary& lastProperties() const { return sdk->tracked.back().second; }
};

}  // namespace

TEST_F(EventTrackerTest, TheEventTableRunsFromLaunchedToInstall) {
    EXPECT_EQ(eventName(AnalyticsEvent::app_launched), "app_launched");
    EXPECT_EQ(kAnalyticsEventNames[0], "app_launched");
    EXPECT_EQ(kAnalyticsEventNames[1], "app_connected");
    EXPECT_EQ(kAnalyticsEventNames[136], "app_fail_fetch_user_details");
    EXPECT_EQ(kAnalyticsEventNames[164], "app_view_topbar");
    EXPECT_EQ(kAnalyticsEventNames[170], "app_install");
    EXPECT_EQ(analyticsEvent(171), std::nullopt);
    EXPECT_EQ(analyticsEvent(-1), std::nullopt);
    std::set<std::string_view> unique(kAnalyticsEventNames.begin(), kAnalyticsEventNames.end());
    EXPECT_EQ(unique.size(), kAnalyticsEventNames.size());
    for (auto name : kAnalyticsEventNames) EXPECT_TRUE(name.starts_with("app_")) << name;

    auto tracker = make();
    tracker.track(171);
    EXPECT_TRUE(sdk->tracked.empty());
    tracker.track(164, Dictionary{{"persistent", true}});
    EXPECT_EQ(sdk->tracked.back().first, "app_view_topbar");
}

TEST_F(EventTrackerTest, CreationRegistersReleaseCodeTestGroupAndLocale) {
    make();
    auto props = sdk->superProperties();
    EXPECT_EQ(props["app_release_code"], Value("PRODUCTION"));
    EXPECT_EQ(props["locale"], Value("de"));
    auto group = UserDefaults::standard().string(".userTestGroup");  // drawn and stored, no user signed in
    ASSERT_TRUE(group == "GroupA" || group == "GroupB");
    EXPECT_EQ(props["test_group"], Value(*group));

    UserDefaults::standard().set("en", "AppPreference.preferredLanguageCode");
    UserDefaults::standard().set("vpn-user", "UserPreferences.vpnUsername");
    UserDefaults::standard().set("GroupB", "vpn-user.userTestGroup");
    sdk->registered.clear();
    make();
    EXPECT_EQ(sdk->superProperties()["locale"], Value("en"));
    EXPECT_EQ(sdk->superProperties()["test_group"], Value("GroupB"));
}

TEST_F(EventTrackerTest, ConnectionEventsCarryTheStartOfTheUtcDay) {
    auto tracker = make();
    const double before = Date::now().secondsSince1970;
    for (auto e : {AnalyticsEvent::app_connected, AnalyticsEvent::app_disconnected, AnalyticsEvent::app_utc,
                   AnalyticsEvent::app_connect, AnalyticsEvent::app_utb, AnalyticsEvent::app_ttc,
                   AnalyticsEvent::app_cancelled}) {
        tracker.track(e, Dictionary{{"time", 12345.0}, {"server", "de-fra"}});
        const auto& p = lastProperties();
        ASSERT_TRUE(p.contains("time")) << eventName(e);
        const double t = p.at("time").toDouble();
        EXPECT_EQ(std::fmod(t, 86400.0), 0.0) << eventName(e);
        EXPECT_LE(t, before + 1);
        EXPECT_GT(t, before - 86400.0);
        EXPECT_EQ(p.at("server"), Value("de-fra"));
    }
    tracker.track(AnalyticsEvent::app_launched, Dictionary{{"time", 12345.0}});
    EXPECT_EQ(lastProperties().at("time"), Value(12345.0));
}

TEST_F(EventTrackerTest, InstallCarriesTheStoredInstallTimeOrNow) {
    auto tracker = make();
    const auto before = Date::now();
    tracker.track(AnalyticsEvent::app_install);
    auto t = lastProperties().at("time").get<Date>();
    ASSERT_TRUE(t);
    EXPECT_GE(*t, before);

    UserDefaults::standard().set(Date{1600000000}, ".appInstallTime");
    tracker.track(AnalyticsEvent::app_install);
    EXPECT_EQ(lastProperties().at("time"), Value(Date{1600000000}));
}

TEST_F(EventTrackerTest, TheKnownPublicAddressReplacesAddressBasedLocation) {
    auto tracker = make();
    tracker.track(AnalyticsEvent::app_launched);
    EXPECT_FALSE(lastProperties().contains("ip"));
    EXPECT_TRUE(sdk->useIP);

    UserDefaults::standard().set("203.0.113.7", "AppPreference.publicIpAddress");
    tracker.track(AnalyticsEvent::app_launched);
    EXPECT_EQ(lastProperties().at("ip"), Value("203.0.113.7"));
    EXPECT_FALSE(sdk->useIP);
}

TEST_F(EventTrackerTest, IdentifyBindsTheUserAndRegistersNameAndGroup) {
    auto tracker = make();
    tracker.identify("uuid-1", "vpn-user", true);
    ASSERT_EQ(sdk->identified.size(), 1u);
    EXPECT_EQ(sdk->identified[0], (std::pair<std::string, bool>{"uuid-1", true}));
    EXPECT_EQ(sdk->registered.back(), (Dictionary{{"username", "vpn-user"}, {"test_group", "GroupB"}}));
    tracker.identify("", "other", false);
    EXPECT_EQ(sdk->registered.back().at("test_group"), Value("GroupA"));
}

TEST_F(EventTrackerTest, OverTheAnalyticsClientAFailedFlushKeepsTheEvents) {
    test::LocalHttpServer server;
    AnalyticsClient::Options o;
    o.token = "vendro";
    o.flushInterval = 0;
    o.serverURL = server.baseURL();
    AnalyticsClient client(o);
    EventTracker tracker(std::make_shared<AnalyticsClientTracking>(client), AppPreferences(), PreservedPreferences());
    tracker.track(AnalyticsEvent::app_connected, Dictionary{{"protocol", "WireGuard"}});

    auto flush = [&] {
        std::optional<bool> outcome;
        client.flush([&](bool ok) { outcome = ok; });
        EXPECT_TRUE(test::waitUntil([&] { return outcome.has_value(); }));
        return outcome.value_or(false);
    };
    server.setStatus(503);
    EXPECT_FALSE(flush());
    EXPECT_EQ(client.queuedCount(), 1u);
    server.setStatus(200);
    EXPECT_TRUE(flush());
    auto events = nlohmann::json::parse(server.requests().back().body);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0]["event"], "app_connected");
    EXPECT_EQ(events[0]["properties"]["locale"], "de");
    EXPECT_EQ(events[0]["properties"]["protocol"], "WireGuard");
    EXPECT_EQ(std::fmod(events[0]["properties"]["time"].get<double>(), 86400.0), 0.0);
}
