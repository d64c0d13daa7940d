// Notifications posted on another thread reach the dashboard's observers on the main thread, in
// order, and never after their owner has gone.
#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>

#include "support/TestSupport.h"
#include "viewmodels/MainThreadObserver.h"

namespace morvex::dashboard {
namespace {

TEST(MainThreadObserverTest, APostFromAnotherThreadRunsOnTheMainThreadInOrder) {
    NotificationCenter center;
    QObject owner;
    std::vector<int> seen;
    std::vector<QThread*> threads;
    auto token = observeOnMainThread("Tick", &owner, [&](const Notification& n) {
        seen.push_back(*n.objectAs<int>());
        threads.push_back(QThread::currentThread());
    }, center);
    std::thread poster([&] {
        for (int i = 0; i < 5; ++i) center.post("Tick", i);
    });
    poster.join();
    ASSERT_TRUE(test::waitUntil([&] { return seen.size() == 5; }));
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 4}));
    for (auto* t : threads) EXPECT_EQ(t, QCoreApplication::instance()->thread());
}

TEST(MainThreadObserverTest, APostOnTheMainThreadRunsAtOnce) {
    NotificationCenter center;
    QObject owner;
    int seen = 0;
    auto token = observeOnMainThread("Tick", &owner, [&](const Notification&) { ++seen; }, center);
    center.post("Tick");
    EXPECT_EQ(seen, 1);
}

TEST(MainThreadObserverTest, NothingRunsForAnOwnerThatWentBeforeTheMainThreadGotThere) {
    NotificationCenter center;
    auto owner = std::make_unique<QObject>();
    int seen = 0;
    auto token = observeOnMainThread("Tick", owner.get(), [&](const Notification&) { ++seen; }, center);
    std::thread poster([&] { center.post("Tick"); });
    poster.join();
    owner.reset();
    test::drain();
    EXPECT_EQ(seen, 0);
}

}  // namespace
}  // namespace morvex::dashboard
