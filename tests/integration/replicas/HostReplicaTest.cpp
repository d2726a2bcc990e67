// basalt-host against the replicated directory: check and logon say which server answered,
// before and after the first server goes away.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

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
    int directoryScript(const char* command, int server = 1) const {
        const std::string line = std::string(REPLICA_DIRECTORY_SCRIPT) + " " + command + " '" +
                                 env.directoryDir() + "' " + std::to_string(server) +
                                 " >/dev/null 2>&1";
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

// Each basalt-host run is a process of its own on one home: what the first one cached, the next
// one signs on with once both servers are killed.
class HostOffline : public HostAgainstReplicas {
protected:
    void TearDown() override {
        directoryScript("start-server", 2);
        HostAgainstReplicas::TearDown();
    }
};

TEST_F(HostOffline, AFreshProcessSignsOnOfflineAndTheAdministratorSeesTheCache) {
    std::ofstream(home + "/access.conf", std::ios::app)
        << "offline_days = 2\noffline_argon2_memory = 1024\noffline_argon2_time = 1\n";
    const std::string noCacheHome = dir.path("home-without-cache");
    env.copyTestHomeTo(noCacheHome);
    HostRun online = host({"logon", "-c", config, "-u", "alice", "-p", "Secret#2024"});
    ASSERT_EQ(0, online.status) << online.out << online.err;

    ASSERT_EQ(0, directoryScript("kill-server", 1));
    ASSERT_EQ(0, directoryScript("kill-server", 2));
    const std::string visa = dir.path("visa.xml");
    HostRun offline =
        host({"logon", "-c", config, "-u", "alice", "-p", "Secret#2024", "--visa-out", visa});
    EXPECT_EQ(0, offline.status) << offline.out << offline.err;
    std::stringstream visaText;
    visaText << std::ifstream(visa).rdbuf();
    EXPECT_THAT(visaText.str(), HasSubstr("offline"));

    HostRun bob = host({"logon", "-c", config, "-u", "bob", "-p", "Secret#2024"});
    EXPECT_EQ(1, bob.status) << bob.out << bob.err;
    EXPECT_THAT(bob.out + bob.err, HasSubstr(servers[0]));
    EXPECT_THAT(bob.out + bob.err, HasSubstr(servers[1]));

    // Without the cache a host cannot even configure, and says it is the directory.
    HostRun show =
        runHost({"-l", BASALT_PROVIDER_LIBRARY, "--locale", "en-us", "show", "-c", config},
                {{"BASALT_HOME", noCacheHome}});
    EXPECT_NE(0, show.status);
    EXPECT_THAT(show.out + show.err, HasSubstr("The directory of ridgetest cannot be reached"));
    EXPECT_THAT(show.out + show.err, HasSubstr(servers[1]));
    EXPECT_THAT(show.out + show.err, ::testing::Not(HasSubstr("Internal error")));

    HostRun list = host({"cache", "list", "-c", config});
    EXPECT_EQ(0, list.status) << list.out << list.err;
    EXPECT_THAT(list.out, HasSubstr("alice\tAlice Anders\tou=ridgetest,"));
    HostRun forget = host({"cache", "forget", "alice", "-c", config});
    EXPECT_EQ(0, forget.status) << forget.out << forget.err;
    EXPECT_THAT(forget.out, HasSubstr("1 record(s) removed"));
    HostRun gone = host({"logon", "-c", config, "-u", "alice", "-p", "Secret#2024"});
    EXPECT_EQ(1, gone.status) << gone.out << gone.err;
}

}  // namespace
