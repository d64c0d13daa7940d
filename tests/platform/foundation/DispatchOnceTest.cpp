#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "foundation/Dispatch.h"
#include "foundation/Log.h"

using namespace morvex;

TEST(DispatchOnceTest, ATokenRunsOnceAcrossThreadsAndLogsOnce) {
    log::Capture console;
    std::atomic<int> runs{0};
    std::atomic<int> nestedRuns{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&] {
            DispatchQueue::once("test.once.token", [&] {
                ++runs;
                DispatchQueue::once("test.once.nested", [&] { ++nestedRuns; });  // no deadlock
            });
        });
    }
    for (auto& t : threads) t.join();
    DispatchQueue::once("test.once.token", [&] { ++runs; });
    EXPECT_EQ(runs.load(), 1);
    EXPECT_EQ(nestedRuns.load(), 1);
    EXPECT_EQ(console.count("[DispatchQueue.once] Executing block for token 'test.once.token'."), 1u);
    EXPECT_EQ(console.count("[DispatchQueue.once] Finished block for token 'test.once.token'."), 1u);
}
