// The order in which a handle tries the servers of a list, and the settings that tune it.
#include <gtest/gtest.h>

#include "Failover.h"
#include "Settings.h"

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

TEST(Failover, AccessConfNamesTheFailbackIntervalAndTheTraceFile) {
    std::string error;
    auto defaults = parseAccessSettings("", &error);
    ASSERT_TRUE(defaults) << error;
    EXPECT_EQ(60, defaults->failbackInterval);
    EXPECT_EQ("", defaults->traceFile);
    auto set =
        parseAccessSettings("failback_interval = 5\ntrace_file = logs/access.trace\n", &error);
    ASSERT_TRUE(set) << error;
    EXPECT_EQ(5, set->failbackInterval);
    EXPECT_EQ("logs/access.trace", set->traceFile);
    for (const char* bad :
         {"failback_interval = 0", "failback_interval = -1", "failback_interval = 1s"})
        EXPECT_FALSE(parseAccessSettings(bad, nullptr)) << bad;
}

}  // namespace
