// The observer set: observers told in the order they were added, and a set that observers may
// change, tell again or destroy while it is telling them.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/ObserverSet.h"

namespace morvex {
namespace {

using Log = std::vector<std::string>;

TEST(ObserverSetTest, ChangesDuringARoundTakeEffectAsEachObserverComesUp) {
    ObserverSet<int> set;
    Log told;
    std::optional<Subscription> first, second, third, late;
    first = set.add([&](int round) {
        told.push_back("first " + std::to_string(round));
        if (round == 1) {
            third.reset();   // removed before its turn: not told
            first.reset();   // removes itself while running: this call finishes
            late = set.add([&](int r) { told.push_back("late " + std::to_string(r)); });
            told.push_back("first finished");
        }
    });
    second = set.add([&](int round) { told.push_back("second " + std::to_string(round)); });
    third = set.add([&](int round) { told.push_back("third " + std::to_string(round)); });

    set.notify(1);
    EXPECT_EQ(told, (Log{"first 1", "first finished", "second 1"})) << "the one added during the round waits";
    told.clear();
    set.notify(2);
    EXPECT_EQ(told, (Log{"second 2", "late 2"}));
    EXPECT_EQ(set.size(), 2u);
    second.reset();
    late.reset();
    EXPECT_TRUE(set.empty());
}

TEST(ObserverSetTest, AnObserverMayTellTheSetAgainOrDestroyIt) {
    auto set = std::make_unique<ObserverSet<int>>();
    Log told;
    Subscription outer = set->add([&](int depth) {
        told.push_back("outer " + std::to_string(depth));
        if (depth == 0) set->notify(1);  // the inner round tells everyone present, then this one goes on
    });
    Subscription inner = set->add([&](int depth) { told.push_back("inner " + std::to_string(depth)); });
    set->notify(0);
    EXPECT_EQ(told, (Log{"outer 0", "outer 1", "inner 1", "inner 0"}));

    told.clear();
    Subscription destroyer = set->add([&](int) {
        told.push_back("destroyer");
        set.reset();  // the owner of the set goes during the round
    });
    Subscription after = set->add([&](int) { told.push_back("after the set went"); });
    outer.cancel();
    inner.cancel();
    set->notify(2);
    EXPECT_EQ(told, (Log{"destroyer"}));
    after.cancel();  // outliving the set cancels nothing and does no harm
    EXPECT_FALSE(after.active());
}

}  // namespace
}  // namespace morvex
