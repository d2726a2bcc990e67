#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "PYXThread.h"

namespace {

using namespace std::chrono_literals;

TEST(PYXThreadAutoResetEvent, PendingSignalIsTakenOnce) {
    PYXThreadAutoResetEvent event;
    EXPECT_FALSE(event.timedWait(0));
    event.signal();
    event.signal();  // not counted: still one pending signal
    EXPECT_TRUE(event.timedWait(0));
    EXPECT_FALSE(event.timedWait(0));
    EXPECT_FALSE(event.timedWait(20));

    PYXThreadAutoResetEvent initially(true);
    initially.reset();
    EXPECT_FALSE(initially.timedWait(0));
}

TEST(PYXThreadAutoResetEvent, TimedWaitWaitsAboutItsTime) {
    PYXThreadAutoResetEvent event;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(event.timedWait(50));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 45ms);

    std::thread signaller([&] {
        std::this_thread::sleep_for(30ms);
        event.signal();
    });
    EXPECT_TRUE(event.timedWait(5000));
    signaller.join();
}

TEST(PYXThreadAutoResetEvent, EachSignalReleasesExactlyOneWaiter) {
    PYXThreadAutoResetEvent event;
    constexpr int kWaiters = 6;
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < kWaiters; ++i) {
        waiters.emplace_back([&] {
            event.wait();
            ++released;
        });
    }
    std::this_thread::sleep_for(50ms);  // let them block
    EXPECT_EQ(released.load(), 0);
    // Back-to-back signals while everybody waits: none may be lost or doubled.
    event.signal();
    event.signal();
    event.signal();
    for (int i = 0; i < 200 && released.load() < 3; ++i) {
        std::this_thread::sleep_for(5ms);
    }
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(released.load(), 3);
    for (int i = 3; i < kWaiters; ++i) {
        event.signal();
    }
    for (auto& waiter : waiters) {
        waiter.join();
    }
    EXPECT_EQ(released.load(), kWaiters);
    EXPECT_FALSE(event.timedWait(0));  // nothing left over
}

TEST(PYXThreadAutoResetEvent, TokenOfUseGivesMutualExclusion) {
    // The way sessions are used: the event starts signalled; wait() takes the token, signal()
    // gives it back. No two threads may hold it at once.
    PYXThreadAutoResetEvent token(true);
    std::atomic<int> holders{0};
    std::atomic<int> overlaps{0};
    long counter = 0;
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
                if (++holders != 1) {
                    ++overlaps;
                }
                ++counter;
                --holders;
                token.signal();
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(counter, 8000);
    EXPECT_TRUE(token.timedWait(0));
}

TEST(PYXThreadCriticalSection, IsRecursiveAndExcludesOthers) {
    PYXThreadCriticalSection section;
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                PYXThreadGuard outer(section);
                PYXThreadGuard inner(section);  // the same thread again: no deadlock
                ++counter;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(counter, 40000);
    {
        PYXThreadGuard held(section);
        bool otherGotIt = true;
        std::thread other([&] {
            otherGotIt = section.tryEnter();
            if (otherGotIt) {
                section.leave();
            }
        });
        other.join();
        EXPECT_FALSE(otherGotIt);
    }
}

}  // namespace
