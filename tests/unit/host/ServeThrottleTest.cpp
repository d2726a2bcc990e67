// Sign-on throttling: growing delays for failures, 429 per account and address, and nothing for
// the correct sign-on of someone else behind the same address.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "SignOnThrottle.h"

namespace {

using namespace basalt_host::serve;
using namespace std::chrono_literals;
using Clock = SignOnThrottle::Clock;

TEST(SignOnThrottle, FailuresAreDelayedMoreAndMoreThenRefusedFromThatAddress) {
    SignOnThrottle throttle;
    const Clock::time_point start = Clock::now();
    std::chrono::milliseconds previous{0};
    for (int i = 1; i <= 10; ++i) {
        ASSERT_EQ(throttle.begin("alice", "10.0.0.7", start + i * 1s), 0s) << i;
        std::chrono::milliseconds delay = throttle.failureDelay("alice", "10.0.0.7");
        if (i <= 3) {
            EXPECT_EQ(delay, 0ms) << i;
        } else {
            EXPECT_GE(delay, previous) << i;
            EXPECT_GT(delay, 0ms) << i;
        }
        previous = delay;
    }
    EXPECT_GT(previous, 2000ms);
    EXPECT_LE(previous, 8000ms);
    // The eleventh try from there is refused without asking the directory...
    std::chrono::seconds wait = throttle.begin("ALICE", "10.0.0.7", start + 11s);
    EXPECT_GT(wait, 0s);
    EXPECT_LE(wait, 600s);
    // ...but the account is not locked for everyone: another address may still try it.
    EXPECT_EQ(throttle.begin("alice", "192.0.2.1", start + 12s), 0s);
    // The record is forgotten after the window.
    EXPECT_EQ(throttle.begin("alice", "10.0.0.7", start + 11s + 601s), 0s);
}

TEST(SignOnThrottle, AnotherAccountFromTheSameAddressIsNotSlowed) {
    SignOnThrottle throttle;
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < 8; ++i) {
        throttle.begin("alice", "10.0.0.7", start + i * 1s);
    }
    ASSERT_GT(throttle.failureDelay("alice", "10.0.0.7"), 0ms);
    EXPECT_EQ(throttle.begin("bob", "10.0.0.7", start + 10s), 0s);
    EXPECT_EQ(throttle.failureDelay("bob", "10.0.0.7"), 0ms);
    throttle.succeeded("bob", "10.0.0.7");

    // A correct sign-on clears its account; the guesser's address stays counted.
    throttle.succeeded("alice", "10.0.0.7");
    EXPECT_EQ(throttle.begin("alice", "10.0.0.7", start + 11s), 0s);
    EXPECT_EQ(throttle.failureDelay("alice", "10.0.0.7"), 0ms);
}

TEST(SignOnThrottle, AnAddressGuessingAcrossManyAccountsIsSlowedThenRefused) {
    ThrottleLimits limits;
    limits.addressLimit = 60;
    SignOnThrottle throttle(limits);
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < 60; ++i) {
        ASSERT_EQ(throttle.begin("user" + std::to_string(i), "10.0.0.9", start + i * 1s), 0s);
    }
    EXPECT_GT(throttle.failureDelay("user59", "10.0.0.9"), 0ms);
    EXPECT_GT(throttle.begin("user60", "10.0.0.9", start + 61s), 0s);
    EXPECT_EQ(throttle.begin("user60", "10.0.0.10", start + 61s), 0s);
}

TEST(SignOnThrottle, AFloodOfNamesKeepsItsRecordsBounded) {
    ThrottleLimits limits;
    limits.maxRecords = 100;
    SignOnThrottle throttle(limits);
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < 1000; ++i) {
        throttle.begin("name" + std::to_string(i), "10.0.0." + std::to_string(i % 250),
                       start + i * 1ms);
    }
    // The newest are kept: the latest name is still counted.
    EXPECT_EQ(throttle.begin("name999", "10.0.0.249", start + 2s), 0s);
    for (int i = 0; i < 10; ++i) {
        throttle.begin("name999", "10.0.0.249", start + 2s);
    }
    EXPECT_GT(throttle.begin("name999", "10.0.0.249", start + 3s), 0s);
}

}  // namespace
