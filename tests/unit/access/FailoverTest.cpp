// The order in which a handle tries the servers of a list (the settings: SettingsTest).
#include <gtest/gtest.h>

#include "Failover.h"

using namespace ridge::access;
using namespace std::chrono_literals;

namespace {

const std::vector<ServerAddress> kServers = {{"a", 389}, {"b", 389}, {"c", 1389}};

TEST(Failover, ServersThatFailedLatelyAreTriedLastUntilTheIntervalHasPassed) {
    ServerHealth health;
    const auto t0 = ServerHealth::Clock::now();
    EXPECT_EQ((std::vector<size_t>{0, 1, 2}), trialOrder(kServers, health, t0, 60s));

    health.failed(kServers[0], t0);
    EXPECT_EQ((std::vector<size_t>{1, 2, 0}), trialOrder(kServers, health, t0 + 59s, 60s));
    // Once the interval has passed, the first server is tried first again.
    EXPECT_EQ((std::vector<size_t>{0, 1, 2}), trialOrder(kServers, health, t0 + 60s, 60s));

    // Several failed: still in list order among themselves, after those that did not.
    health.failed(kServers[1], t0);
    EXPECT_EQ((std::vector<size_t>{2, 0, 1}), trialOrder(kServers, health, t0 + 1s, 60s));
    // An answer clears the failure at once.
    health.answered(kServers[0]);
    EXPECT_EQ((std::vector<size_t>{0, 2, 1}), trialOrder(kServers, health, t0 + 1s, 60s));
    // A server is known by host and port.
    health.failed({"c", 389}, t0);
    EXPECT_FALSE(health.failedWithin(kServers[2], t0 + 1s, 60s));
    EXPECT_TRUE(health.failedWithin({"c", 389}, t0 + 1s, 60s));
}

}  // namespace
