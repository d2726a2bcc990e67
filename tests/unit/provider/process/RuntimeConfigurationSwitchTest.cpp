// The provider's switch of the access library's process-wide runtime configuration: a failing
// text leaves the current one in force, in the library and in what the provider takes to be in
// force. (That a switch and the handle opening after it stay together across threads:
// tests/integration/provider, ConfigureDirectoryTest.)
#include "namespace/RuntimeConfiguration.h"
#include "process/BasaltProvider.h"

#include <AccessAPI.h>

#include <gtest/gtest.h>

#include <string>

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
