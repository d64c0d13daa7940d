#include <gtest/gtest.h>

#include <QObject>
#include <algorithm>
#include <functional>
#include <future>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "foundation/Dispatch.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Timer.h"
#include "support/TestSupport.h"

using namespace morvex;
using namespace std::chrono_literals;

namespace {

TEST(NotificationCenterTest, DeliversSynchronouslyOnThePostingThreadWithObjectAndInfo) {
    NotificationCenter center;
    std::vector<std::string> seen;
    std::thread::id deliveredOn;
    auto token = center.addObserver("Changed", [&](const Notification& n) {
        deliveredOn = std::this_thread::get_id();
        ASSERT_NE(n.objectAs<bool>(), nullptr);
        seen.push_back(std::string(*n.objectAs<bool>() ? "true" : "false") + "/" + *n.info<std::string>("who"));
    });
    auto all = center.addObserver("", [&](const Notification& n) { seen.push_back("any:" + n.name); });
    std::thread poster([&] { center.post("Changed", true, {{"who", std::string("t")}}); });
    poster.join();
    center.post("Other");
    EXPECT_EQ(seen, (std::vector<std::string>{"true/t", "any:Changed", "any:Other"}));
    EXPECT_NE(deliveredOn, std::this_thread::get_id());
}

TEST(NotificationCenterTest, DroppedTokenStopsDeliveryEvenFromInsideABlock) {
    NotificationCenter center;
    int calls = 0;
    ObserverToken token;
    token = center.addObserver("N", [&](const Notification&) {
        ++calls;
        token.remove();
    });
    int other = 0;
    {
        auto scoped = center.addObserver("N", [&](const Notification&) { ++other; });
        center.post("N");
    }
    center.post("N");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(other, 1);
}

TEST(NotificationCenterTest, ABlockMayAddAnObserverWhileAnotherThreadAddsOne) {
    // Everything the two threads touch is leaked should they lock each other out.
    struct Shared {
        NotificationCenter center;
        std::vector<ObserverToken> tokens;
        std::vector<ObserverToken> addedInBlock;
        std::atomic<bool> inBlock{false}, otherAdding{false};
        std::atomic<int> finished{0};
    };
    auto* s = new Shared();
    s->tokens.push_back(s->center.addObserver("N", [s](const Notification&) {
        s->inBlock = true;
        while (!s->otherAdding) std::this_thread::yield();
        std::this_thread::sleep_for(20ms);  // let the other thread get into its add
        s->addedInBlock.push_back(s->center.addObserver("M", [](const Notification&) {}));
    }));
    // The store tidies itself when it holds a multiple of 64 observers; the other thread's add
    // lands on that moment.
    while (s->tokens.size() < 128) s->tokens.push_back(s->center.addObserver("Other", [](const Notification&) {}));
    std::thread poster([s] {
        s->center.post("N");
        ++s->finished;
    });
    std::thread adder([s] {
        while (!s->inBlock) std::this_thread::yield();
        s->otherAdding = true;
        auto token = s->center.addObserver("M", [](const Notification&) {});
        ++s->finished;
    });
    const auto deadline = std::chrono::steady_clock::now() + test::kWaitTimeout;
    while (s->finished < 2 && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(5ms);
    if (s->finished < 2) {
        poster.detach();
        adder.detach();
        FAIL() << "posting and adding observers locked each other out";
    }
    poster.join();
    adder.join();
    EXPECT_EQ(s->addedInBlock.size(), 1u);
    delete s;
}

TEST(DispatchQueueTest, MainQueueRunsInOrderOnTheMainThread) {
    std::vector<int> order;
    std::thread([&] {
        for (int i = 0; i < 3; ++i) DispatchQueue::main().async([&order, i] {
            EXPECT_TRUE(DispatchQueue::main().isCurrent());
            order.push_back(i);
        });
    }).join();
    DispatchQueue::main().asyncAfter(0.05, [&] { order.push_back(99); });
    ASSERT_TRUE(test::waitUntil([&] { return order.size() == 4; }));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 99}));
}

TEST(DispatchQueueTest, SerialQueueRunsOneAtATimeInOrderOffTheMainThread) {
    using Clock = std::chrono::steady_clock;
    auto q = DispatchQueue::serial("test.serial");
    std::vector<int> order;
    std::atomic<int> running{0};
    bool overlapped = false;
    // The delayed block is due no sooner than `due`; every block queued before that instant runs
    // ahead of it. A block's queueing is known to have happened by the time its call returned, so
    // the blocks whose call returned before `due` must all precede it (on an idle machine all 50
    // do; a slow one only shortens the list, never breaks the rule).
    std::promise<Clock::time_point> delayedRan;
    const auto due = Clock::now() + 200ms;
    q->asyncAfter(0.2, [&] {
        order.push_back(100);
        delayedRan.set_value(Clock::now());
    });
    std::size_t queuedBeforeDue = 0;
    for (int i = 0; i < 50; ++i) {
        q->async([&, i] {
            if (running.fetch_add(1) != 0) overlapped = true;
            order.push_back(i);
            running.fetch_sub(1);
        });
        if (Clock::now() < due) queuedBeforeDue = std::size_t(i) + 1;
    }
    bool onWorker = false;
    q->sync([&] { onWorker = q->isCurrent() && !DispatchQueue::main().isCurrent(); });
    EXPECT_TRUE(onWorker);
    const Clock::time_point ranAt = delayedRan.get_future().get();
    EXPECT_GE(ranAt, due) << "the delay is kept";
    std::vector<int> seen;
    q->sync([&] { seen = order; });  // everything queued before this has run
    ASSERT_EQ(seen.size(), 51u);
    const auto delayedAt = std::size_t(std::find(seen.begin(), seen.end(), 100) - seen.begin());
    EXPECT_GE(delayedAt, queuedBeforeDue) << "a block queued before the delayed one fell due ran after it";
    seen.erase(seen.begin() + std::ptrdiff_t(delayedAt));
    for (int i = 0; i < 50; ++i) EXPECT_EQ(seen[std::size_t(i)], i);
    EXPECT_FALSE(overlapped);
}

TEST(DispatchQueueTest, AQueueDroppedByItsOwnLastBlockWindsDownSafely) {
    std::atomic<bool> ran{false};
    {
        auto q = DispatchQueue::serial("test.self-drop");
        // The block holds the last reference once `q` goes out of scope here.
        q->asyncAfter(0.02, [q, &ran]() mutable {
            q.reset();
            ran = true;
        });
    }
    ASSERT_TRUE(test::waitUntil([&] { return ran.load(); }));
    std::this_thread::sleep_for(20ms);  // the worker finishes its loop on the state it owns
}

TEST(DispatchQueueTest, OnceRunsOnceAcrossThreads) {
    static OnceToken token;
    std::atomic<int> runs{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) threads.emplace_back([&] { dispatchOnce(token, [&] { ++runs; }); });
    for (auto& t : threads) t.join();
    EXPECT_EQ(runs.load(), 1);
}

TEST(TimerTest, RepeatingTimerFiresUntilInvalidatedAndOneShotOnce) {
    // On the held clock, so "never again" is a fact and not a wait.
    test::ManualClock clock;
    int repeats = 0, once = 0;
    auto repeating = Timer::scheduledTimer(0.01, true, [&](Timer& t) {
        if (++repeats == 3) t.invalidate();
    });
    auto single = Timer::scheduledTimer(0.01, false, [&](Timer&) { ++once; });
    clock.advance(9ms);
    EXPECT_EQ(repeats, 0);
    EXPECT_EQ(once, 0);
    clock.advance(1ms);
    EXPECT_EQ(repeats, 1);
    EXPECT_EQ(once, 1);
    clock.advance(20ms);
    EXPECT_EQ(repeats, 3);
    clock.advance(1s);  // neither fires again
    EXPECT_EQ(repeats, 3);
    EXPECT_EQ(once, 1);
    EXPECT_FALSE(repeating->isValid());
    EXPECT_FALSE(single->isValid());
    EXPECT_EQ(clock.pending(), 0u);
    int dropped = 0;
    Timer::scheduledTimer(0.01, true, [&](Timer&) { ++dropped; });  // no reference kept
    clock.advance(1s);
    EXPECT_EQ(dropped, 0);
}

TEST(TimerTest, WithoutAHeldClockATimerRunsOnTheWallClock) {
    int fired = 0;
    auto single = Timer::scheduledTimer(0.01, false, [&](Timer&) { ++fired; });
    ASSERT_TRUE(test::waitUntil([&] { return fired == 1; }));
    EXPECT_FALSE(single->isValid());
}

TEST(DrainTest, RunsChainsOfQueuedWorkDeferredDeletesAndZeroTimeTimersButNothingDueLater) {
    std::vector<std::string> ran;
    std::function<void(int)> chain = [&](int n) {
        ran.push_back("chain " + std::to_string(n));
        if (n < 3) DispatchQueue::main().async([&chain, n] { chain(n + 1); });
    };
    DispatchQueue::main().async([&] { chain(1); });
    QPointer<QObject> doomed = new QObject;
    doomed->deleteLater();
    QTimer::singleShot(0, [&] { ran.push_back("zero timer"); });
    DispatchQueue::main().asyncAfter(0, [&] { ran.push_back("zero delay"); });
    bool later = false;
    QTimer::singleShot(60000, [&] { later = true; });
    EXPECT_TRUE(test::drain());
    std::sort(ran.begin(), ran.end());
    EXPECT_EQ(ran, (std::vector<std::string>{"chain 1", "chain 2", "chain 3", "zero delay", "zero timer"}));
    EXPECT_TRUE(doomed.isNull());
    EXPECT_FALSE(later);
    EXPECT_FALSE(test::drain()) << "nothing left to deliver";
}

TEST(DispatchQueueTest, AHeldMainClockRunsDelayedBlocksInDueOrderWhenAdvanced) {
    std::vector<std::string> ran;
    {
        test::ManualClock clock;
        DispatchQueue::main().asyncAfter(0.2, [&] { ran.push_back("b"); });
        DispatchQueue::main().asyncAfter(0.1, [&] {
            ran.push_back("a");
            // Queued from a block, due within the same step.
            DispatchQueue::main().asyncAfter(0.05, [&] { ran.push_back("a+"); });
        });
        std::thread([&] { DispatchQueue::main().asyncAfter(0.3, [&] { ran.push_back("from a thread"); }); }).join();
        DispatchQueue::main().asyncAfter(5, [&] { ran.push_back("dropped"); });
        test::drain();
        EXPECT_TRUE(ran.empty()) << "nothing runs on its own";
        clock.advance(199ms);
        EXPECT_EQ(ran, (std::vector<std::string>{"a", "a+"}));
        clock.advance(101ms);
        EXPECT_EQ(ran, (std::vector<std::string>{"a", "a+", "b", "from a thread"}));
        EXPECT_EQ(clock.pending(), 1u);
    }
    test::drain();
    EXPECT_EQ(ran.back(), "from a thread") << "released: blocks left on the held clock are dropped";
}

}  // namespace
