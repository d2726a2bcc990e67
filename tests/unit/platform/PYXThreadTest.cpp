#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "PYXThread.h"

namespace {

// Four threads take turns: through an event that starts signalled, as sessions are used (wait()
// takes the token, signal() gives it back), and through a critical section entered twice by
// its holder. No two threads may be inside at once, and no signal is lost (a lost one hangs it).
TEST(PYXThread, EventTokenAndCriticalSectionExcludeOthers) {
    PYXThreadAutoResetEvent token(true);
    PYXThreadCriticalSection section;
    std::atomic<int> tokenHolders{0};
    std::atomic<int> sectionHolders{0};
    std::atomic<int> overlaps{0};
    const auto inside = [&](std::atomic<int>& holders) {
        if (++holders != 1) {
            ++overlaps;
        }
        --holders;
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                if (i % 3 == 0) {
                    while (!token.timedWait(1)) {
                    }
                } else {
                    token.wait();
                }
                inside(tokenHolders);
                token.signal();
                PYXThreadGuard outer(section);
                PYXThreadGuard inner(section);  // the same thread again: no deadlock
                inside(sectionHolders);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_TRUE(token.timedWait(0));
    PYXThreadGuard held(section);
    bool otherGotIt = true;
    std::thread([&] { otherGotIt = section.tryEnter(); }).join();
    EXPECT_FALSE(otherGotIt);
}

}  // namespace
