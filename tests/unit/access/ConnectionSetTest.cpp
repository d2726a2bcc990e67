// The slots of a connection set: parking across calls and taking a parked slot from its holder.
// (Threads taking turns for the slots, and waiting out the timeout: tests/integration/access,
// PoolTest; the pool sizes: SettingsTest.)
#include <gtest/gtest.h>

#include <chrono>

#include "Pool.h"

namespace {

using namespace ridge::access;
using namespace std::chrono_literals;

TEST(ConnectionSet, AParkedSlotGoesBackToItsHolderUnlessAnotherCallerNeededIt) {
    ConnectionSet set(1);
    auto* slot = set.take(0ms);
    ASSERT_TRUE(slot);
    uint64_t token = set.park(*slot, {7, 8});
    // Free slots first: a caller that only looks at free ones finds none.
    EXPECT_TRUE(set.resume(*slot, token));
    EXPECT_FALSE(set.resume(*slot, token));  // once only
    token = set.park(*slot, {9});
    // A caller finding none free takes the parked one; its holder then finds it gone, even
    // after the slot was parked again by the new holder.
    auto* taken = set.take(1s);
    EXPECT_EQ(slot, taken);
    EXPECT_TRUE(taken->parkedWork.empty());
    const uint64_t second = set.park(*taken, {});
    EXPECT_NE(token, second);
    EXPECT_FALSE(set.resume(*slot, token));
    EXPECT_TRUE(set.resume(*slot, second));
    set.give(*slot);
}

}  // namespace
