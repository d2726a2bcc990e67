// basalt-host against the replicated directory: check and logon say which server answered,
// before and after the first server goes away.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "HostProcess.h"
#include "RidgeTestDirectory.h"

namespace {

using ::testing::HasSubstr;

std::string parameter(const std::string& name, const std::string& value) {
    return "<parameter name=\"" + name + "\"><value>" + value + "</value></parameter>";
}

class HostAgainstReplicas : public ::testing::Test {
protected:
    void SetUp() override {
        env = ridge_test::RidgeTestDirectory::fromEnvironment();
        ASSERT_FALSE(env.testHome().empty()) << "RIDGE_TEST_ENV names no replicated directory";
        std::istringstream list(env.value("RIDGE_SERVERS"));
        for (std::string server; list >> server;)
            servers.push_back(server);
        ASSERT_EQ(2u, servers.size());
        home = dir.path("home");
        env.copyTestHomeTo(home);
        config = dir.write("ns.xml", "<instance name=\"Ridge replicas\" class=\"Ridge\">" +
                                         parameter("id", "ridge_replicas") +
                                         parameter("connection", servers[0] + " " + servers[1]) +
                                         parameter("baseDN", env.baseDn()) +
                                         parameter("namespace", "ridgetest") +
                                         parameter("timeOut", "5") + "</instance>");
    }
    void TearDown() override { directoryScript("start-server"); }

    HostRun host(std::vector<std::string> args) const {
        args.insert(args.begin(), {"-l", BASALT_PROVIDER_LIBRARY, "--locale", "en-us"});
        return runHost(args, {{"BASALT_HOME", home}});
    }
    int directoryScript(const char* command) const {
        const std::string line = std::string(REPLICA_DIRECTORY_SCRIPT) + " " + command + " '" +
                                 env.directoryDir() + "' 1 >/dev/null 2>&1";
        return std::system(line.c_str());
    }

    ridge_test::RidgeTestDirectory env;
    std::vector<std::string> servers;
    ScratchDir dir;
    std::string home;
    std::string config;
};

TEST_F(HostAgainstReplicas, CheckAndLogonNameTheServerThatAnswered) {
    HostRun check = host({"check", "-c", config});
    EXPECT_EQ(0, check.status) << check.out << check.err;
    EXPECT_THAT(check.out, HasSubstr("[ok]   reach a directory server of " + servers[0] + " " +
                                     servers[1] + ": " + servers[0] + " answered"));
    HostRun logon = host({"logon", "-c", config, "-u", "bob", "-p", "Secret#2024"});
    EXPECT_EQ(0, logon.status) << logon.out << logon.err;
    EXPECT_THAT(logon.out, HasSubstr("directory server: " + servers[0] + "\n"));

    ASSERT_EQ(0, directoryScript("kill-server"));
    check = host({"check", "-c", config});
    EXPECT_EQ(0, check.status) << check.out << check.err;
    EXPECT_THAT(check.out, HasSubstr(": " + servers[1] + " answered"));
    logon = host({"logon", "-c", config, "-u", "bob", "-p", "Secret#2024"});
    EXPECT_EQ(0, logon.status) << logon.out << logon.err;
    EXPECT_THAT(logon.out, HasSubstr("directory server: " + servers[1] + "\n"));
}

}  // namespace
