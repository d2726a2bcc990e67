// The slots of a connection set: parking across calls and taking a parked slot from its holder.
// (Taking turns for a slot and waiting out the timeout: tests/integration/access, PoolTest; the
// pool sizes: SettingsTest.)
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>
#include <vector>

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

TEST(ConnectionSet, EightThreadsNeverHoldOneSlotTogether) {
    ConnectionSet set(2);
    ConnectionSet::Slot* first = set.take(0ms);
    ConnectionSet::Slot* second = set.take(0ms);
    set.give(*first);
    set.give(*second);
    std::atomic<int> holders[2] = {0, 0};
    std::atomic<int> overlaps = 0, missed = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            std::vector<uint64_t> tokens;
            for (int i = 0; i < 2000; ++i) {
                auto* slot = set.take(10s);
                if (!slot) {
                    ++missed;
                    continue;
                }
                auto& holder = holders[slot == first ? 0 : 1];
                if (holder.fetch_add(1) != 0)
                    ++overlaps;
                holder.fetch_sub(1);
                // Some park theirs and try to take it back at once: others may take it first.
                if ((i + t) % 3 == 0) {
                    const uint64_t token = set.park(*slot, {});
                    if (!set.resume(*slot, token))
                        continue;
                }
                set.give(*slot);
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(0, overlaps.load());
    EXPECT_EQ(0, missed.load());
    // Both came back.
    EXPECT_TRUE(set.take(0ms));
    EXPECT_TRUE(set.take(0ms));
}

}  // namespace
