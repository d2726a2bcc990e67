// The provider's switch of the access library's process-wide runtime configuration: a failing
// text leaves the current one in force, and a switch with the handle opening that follows it
// is never interleaved with another thread's switch.
#include "namespace/RuntimeConfiguration.h"
#include "process/BasaltProvider.h"

#include <AccessAPI.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

std::string ConfigurationInForce() {
    int32_t size = 0;
    if (AS_GetRuntimeConfigSize(&size) != 0 || size <= 0) {
        return {};
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    int32_t used = 0;
    if (AS_GetRuntimeConfig(text.data(), size, &used) != 0) {
        return {};
    }
    text.resize(static_cast<std::size_t>(used > 0 ? used - 1 : 0));
    return text;
}

std::string ConfigurationFor(int n) {
    RuntimeConfigurationSettings s;
    s.directoryNamespace = "ns" + std::to_string(n);
    s.host = "127.0.0.1";
    s.port = static_cast<uint32_t>(10000 + n);
    s.baseDN = "dc=example" + std::to_string(n);
    s.timeout = n;
    return BuildRuntimeConfigurationText(s);
}

}  // namespace

TEST(RuntimeConfigurationSwitch, AFailingTextLeavesTheCurrentOneInForce) {
    BasaltProvider provider;
    const std::string good = ConfigurationFor(1);
    ASSERT_EQ(provider.SwitchRuntimeConfiguration(good), 0);
    EXPECT_EQ(ConfigurationInForce(), good);
    EXPECT_NE(provider.SwitchRuntimeConfiguration("<not a configuration>"), 0);
    EXPECT_EQ(ConfigurationInForce(), good);
    EXPECT_EQ(provider.SwitchRuntimeConfiguration(good), 0);
    ASSERT_EQ(provider.Teardown(), 0);
}

TEST(RuntimeConfigurationSwitch, SwitchAndHandleOpeningStayTogetherAcrossThreads) {
    BasaltProvider provider;
    constexpr int kThreads = 4;
    constexpr int kRounds = 300;
    std::atomic<int> mismatches{0};
    std::atomic<int> opened{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const std::string mine = ConfigurationFor(t);
            for (int i = 0; i < kRounds; ++i) {
                const int32_t result = provider.WithRuntimeConfiguration(mine, [&] {
                    // Where AS_Init would run: the library must have this thread's text in force.
                    std::this_thread::yield();
                    if (ConfigurationInForce() != mine) {
                        ++mismatches;
                    }
                    ++opened;
                });
                if (result != 0) {
                    ++mismatches;
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(opened, kThreads * kRounds);
    EXPECT_EQ(mismatches, 0);
    ASSERT_EQ(provider.Teardown(), 0);
}
