// basalt-host driving the real provider library against the throwaway directory of the
// ridge_directory fixture.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "HostProcess.h"
#include "RidgeTestDirectory.h"
#include "UnusedPort.h"

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string parameter(const std::string& name, const std::string& value) {
    return "<parameter name=\"" + name + "\"><value>" + value + "</value></parameter>";
}

std::string namespaceConfig(const std::string& id, const std::string& connection,
                            const std::string& baseDn, const std::string& directoryNamespace) {
    return "<instance name=\"Ridge test\" class=\"Ridge\">" + parameter("id", id) +
           parameter("connection", connection) + parameter("baseDN", baseDn) +
           parameter("namespace", directoryNamespace) + parameter("timeOut", "5") + "</instance>";
}

class HostAgainstDirectory : public ::testing::Test {
protected:
    void SetUp() override {
        env = ridge_test::RidgeTestDirectory::fromEnvironment();
        ASSERT_FALSE(env.host().empty())
            << "RIDGE_TEST_ENV does not name the fixture's env file with RIDGE_HOST";
        ASSERT_FALSE(env.port().empty());
        ASSERT_FALSE(env.baseDn().empty());
        ASSERT_FALSE(env.testHome().empty());
        // A copy of the fixture's home: its access-library configuration names the fixture's
        // service identity, so the provider can read the namespace entry.
        home = dir.path("home");
        env.copyTestHomeTo(home);
    }

    std::string config(const std::string& id) const {
        return namespaceConfig(id, env.hostPort(), env.baseDn(), kTestNamespace);
    }

    HostRun host(std::vector<std::string> args) const {
        args.insert(args.begin(), {"-l", BASALT_PROVIDER_LIBRARY});
        return runHost(args, {{"BASALT_HOME", home}});
    }

    // The namespace entry of tests/integration/data/ridge-test.ldif.
    static inline const std::string kTestNamespace = "ridgetest";
    std::string home;

    ridge_test::RidgeTestDirectory env;
    ScratchDir dir;
};

TEST_F(HostAgainstDirectory, ShowsTheConfiguredNamespaceObject) {
    std::string file = dir.write("ns.xml", config("ridge_host_test"));

    HostRun readable = host({"show", "-c", file});
    ASSERT_EQ(readable.status, 0) << readable.err;
    EXPECT_EQ(readable.err, "");  // every returned buffer freed, every size exact
    // The configure answer, then the namespace object as a search without a user finds it.
    EXPECT_THAT(readable.out, HasSubstr("objects: 1\nnamespace: (no search path)\n"));
    EXPECT_THAT(readable.out,
                HasSubstr("namespace object 'ridge_host_test' (search without a user): result 0 "
                          "(success)\nobjects: 1\nnamespace: VORID(\"ridge_host_test\")\n"
                          "  hasChildren: true\n  defaultName: Ridge test\n"
                          "  name: Ridge test (en-us)\n  objectClass: namespace\n"
                          "  searchPath: VORID(\"ridge_host_test\")\n"));
    EXPECT_THAT(readable.out, HasSubstr("  capabilities: startsWith, endsWith, contains, equals, "
                                        "caseSensitive\n"));

    HostRun raw = host({"--raw", "show", "-c", file});
    ASSERT_EQ(raw.status, 0) << raw.err;
    EXPECT_THAT(raw.out, StartsWith("<cm:queryResponse xmlns:cm=\""));
    EXPECT_THAT(raw.out, HasSubstr("<item xsi:type=\"cm:namespace\""));

    HostRun version = host({"set-version", "-c", file, "3"});
    EXPECT_EQ(version.status, 0) << version.err;
    HostRun unknown = host({"set-version", "-c", file, "-n", "not_configured", "1"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_THAT(unknown.err, HasSubstr("BasaltSetNamespaceVersion for 'not_configured' failed"));
}

TEST_F(HostAgainstDirectory, ConfigurationFailuresEndWithTheProvidersResult) {
    std::string unreachable = dir.write(
        "down.xml",
        namespaceConfig("down", "127.0.0.1:" + std::to_string(ridge_test::unusedLoopbackPort()),
                        env.baseDn(), kTestNamespace));
    HostRun down = host({"show", "-c", unreachable});
    EXPECT_EQ(down.status, 1);
    EXPECT_THAT(down.err, HasSubstr("BasaltConfigure of '" + unreachable + "' failed with result"));
    EXPECT_THAT(down.err, HasSubstr("message: "));

    std::string noConnection =
        dir.write("missing.xml", "<instance name=\"n\">" + parameter("id", "x") + "</instance>");
    HostRun missing = host({"show", "-c", noConnection});
    EXPECT_EQ(missing.status, 1);
    EXPECT_THAT(missing.err, HasSubstr("failed with result -34"));

    std::string broken = dir.write("broken.xml", "<instance name=\"n\"><parameter");
    HostRun malformed = host({"show", "-c", broken});
    EXPECT_EQ(malformed.status, 1);
    EXPECT_THAT(malformed.err, HasSubstr("failed with result -48"));
    EXPECT_THAT(malformed.err, HasSubstr("CFGAPI_Instance::Load()"));

    // The first namespace is configured and the second is not: nothing of the first is shown.
    HostRun mixed = host({"show", "-c", dir.write("ok.xml", config("ok")), "-c", broken});
    EXPECT_EQ(mixed.status, 1);
    EXPECT_THAT(mixed.out, ::testing::Not(HasSubstr("objects:")));
}

}  // namespace
