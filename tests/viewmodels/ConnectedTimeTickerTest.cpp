// The connected time: redone when the second it shows turns (not on a beat of its own), only
// while it runs and is shown, and brought up to date at once when shown again.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "foundation/Dispatch.h"
#include "support/TestSupport.h"
#include "viewmodels/ConnectedTimeTicker.h"

namespace morvex {
namespace {

class ConnectedTimeTickerTest : public ::testing::Test {
protected:
    test::ManualClock clock;
    static constexpr double kStart = 1'000'000;
    std::optional<Date> since;
    std::vector<std::string> texts;

    // `now` moves with the held clock.
    ConnectedTimeTicker makeTicker() {
        return ConnectedTimeTicker({[this] { return since; },
                                    [] { return Date{kStart + DispatchQueue::MainClock::now()}; }},
                                   [this](const std::string& text) { texts.push_back(text); });
    }
};

TEST_F(ConnectedTimeTickerTest, TheTextTurnsWithTheShownSecond) {
    struct Case {
        const char* name;
        std::optional<double> connectedAgo;  // none: the SDK gives no start
        const char* first;
        double untilTurn;  // seconds until the shown second turns
        const char* second;
    };
    const Case cases[] = {
        {"mid-second", 65.4, "00:01:05", 0.6, "00:01:06"},
        {"on the second", 3599.0, "00:59:59", 1.0, "01:00:00"},
        {"no start known", std::nullopt, "00:00:00", 1.0, "00:00:00"},
        {"a start ahead of the clock", -2.25, "00:00:00", 3.25, "00:00:01"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        texts.clear();
        const double base = kStart + DispatchQueue::MainClock::now();
        since = c.connectedAgo ? std::optional<Date>(Date{base - *c.connectedAgo}) : std::nullopt;
        auto ticker = makeTicker();
        ticker.start();
        ASSERT_EQ(texts, std::vector<std::string>{c.first});
        // Just before the second turns nothing is redone; just after, it is, once.
        clock.advanceSeconds(c.untilTurn - 0.05);
        EXPECT_EQ(texts.size(), 1u);
        clock.advanceSeconds(0.06);
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[1], c.second);
        // And then once a second, on the second.
        clock.advanceSeconds(0.98);
        EXPECT_EQ(texts.size(), 2u);
        clock.advanceSeconds(0.02);
        EXPECT_EQ(texts.size(), 3u);
        ticker.stop();
    }
}

TEST_F(ConnectedTimeTickerTest, NothingTicksWhileHiddenOrStoppedAndShowingAgainRedoesTheTextAtOnce) {
    since = Date{kStart + DispatchQueue::MainClock::now() - 10};
    auto ticker = makeTicker();
    ticker.setShown(false);
    ticker.start();
    EXPECT_TRUE(ticker.isRunning());
    EXPECT_FALSE(ticker.isTicking());
    EXPECT_EQ(texts, std::vector<std::string>{"00:00:10"});

    clock.advanceSeconds(120.5);
    EXPECT_EQ(texts.size(), 1u);
    EXPECT_EQ(clock.pending(), 0u);  // no wake-up waits while nobody looks

    ticker.setShown(true);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1], "00:02:10");
    EXPECT_TRUE(ticker.isTicking());
    clock.advanceSeconds(0.51);
    EXPECT_EQ(texts.back(), "00:02:11");

    ticker.stop();
    EXPECT_FALSE(ticker.isTicking());
    const auto stoppedAt = texts.size();
    clock.advanceSeconds(5);
    EXPECT_EQ(texts.size(), stoppedAt);
    // Shown while stopped: there is no time to bring up to date.
    ticker.setShown(false);
    ticker.setShown(true);
    EXPECT_EQ(texts.size(), stoppedAt);
    EXPECT_FALSE(ticker.isTicking());
}

}  // namespace
}  // namespace morvex
