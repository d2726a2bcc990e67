// Sign-on throttling beyond what the gateway test sees: the delay's ceiling, the refusal tied to
// the account and address together, forgetting, guessing across accounts, and bounded memory.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "SignOnThrottle.h"

namespace {

using namespace basalt_host::serve;
using namespace std::chrono_literals;
using Clock = SignOnThrottle::Clock;

TEST(SignOnThrottle, AGuessedAccountIsRefusedFromThatAddressOnlyUntilForgottenOrSignedOn) {
    SignOnThrottle throttle;
    const Clock::time_point start = Clock::now();
    // Ten failures from one address; then the wait for the eleventh, however the name is cased.
    auto guess = [&](Clock::time_point from) {
        for (int i = 1; i <= 10; ++i) {
            EXPECT_EQ(throttle.begin("alice", "10.0.0.7", from + i * 1s), 0s) << i;
        }
        return throttle.begin("ALICE", "10.0.0.7", from + 11s);
    };
    std::chrono::seconds wait = guess(start);
    EXPECT_GT(wait, 0s);
    EXPECT_LE(wait, 600s);
    EXPECT_GT(throttle.failureDelay("alice", "10.0.0.7"), 2000ms);
    EXPECT_LE(throttle.failureDelay("alice", "10.0.0.7"), 8000ms);
    // The account is not locked for everyone: another address may still try it.
    EXPECT_EQ(throttle.begin("alice", "192.0.2.1", start + 12s), 0s);
    // The record is forgotten after the window...
    EXPECT_EQ(throttle.begin("alice", "10.0.0.7", start + 11s + 601s), 0s);
    // ...and cleared by a correct sign-on.
    ASSERT_GT(guess(start + 1300s), 0s);
    throttle.succeeded("alice", "10.0.0.7");
    EXPECT_EQ(throttle.begin("alice", "10.0.0.7", start + 1312s), 0s);
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

    // What goes is the record whose last failure is the oldest, not the one made first: a
    // guesser who keeps going stays counted through a flood of other names.
    std::vector<std::chrono::seconds> kept;
    for (int i = 0; i < 550; ++i) {
        const Clock::time_point now = start + 4s + i * 1ms;
        if (i % 50 == 0) {
            kept.push_back(throttle.begin("kept", "10.9.9.9", now));
        }
        throttle.begin("other" + std::to_string(i), "10.0.1." + std::to_string(i % 250), now);
    }
    ASSERT_EQ(kept.size(), 11u);
    EXPECT_EQ(kept[9], 0s);
    EXPECT_GT(kept[10], 0s);  // the eleventh attempt, after 500 other names
}

}  // namespace
