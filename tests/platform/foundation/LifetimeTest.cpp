// Callbacks tied to their owner's lifetime: work queued while the owner lived never reaches it once
// it has gone or ended its lifetime; while it lives, the work runs with its arguments.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/Dispatch.h"
#include "foundation/Lifetime.h"
#include "support/TestSupport.h"

namespace morvex {
namespace {

TEST(LifetimeTest, WorkQueuedBeforeTheOwnerWentDoesNotRunAfter) {
    struct Case {
        const char* name;
        void (*stop)(std::unique_ptr<Lifetime>&);
    };
    const Case cases[] = {
        {"owner destroyed", [](std::unique_ptr<Lifetime>& l) { l.reset(); }},
        {"lifetime ended early", [](std::unique_ptr<Lifetime>& l) { l->end(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> ran;
        auto gone = std::make_unique<Lifetime>();
        Lifetime staying;
        DispatchQueue::main().async(gone->guard([&] { ran.push_back("guard of the gone"); }));
        DispatchQueue::main().async(staying.guard([&] { ran.push_back("guard of the staying"); }));
        const auto alert = gone->callback<int>([&](int) { ran.push_back("callback of the gone"); });
        DispatchQueue::main().async([alert] { alert(1); });
        c.stop(gone);
        EXPECT_FALSE(alert.live());
        test::drain();
        EXPECT_EQ(ran, std::vector<std::string>{"guard of the staying"});
    }
}

TEST(LifetimeTest, AGuardPassesItsArgumentsWhileTheOwnerLives) {
    Lifetime owner;
    std::vector<std::string> heard;
    auto guarded = owner.guard([&](const std::string& word, int times) {
        for (int i = 0; i < times; ++i) heard.push_back(word);
    });
    std::function<void(const std::string&, int)> asStored = guarded;  // how collaborators keep it
    asStored("up", 2);
    EXPECT_EQ(heard, (std::vector<std::string>{"up", "up"}));
    owner.end();
    asStored("down", 1);
    EXPECT_EQ(heard.size(), 2u);
}

}  // namespace
}  // namespace morvex
