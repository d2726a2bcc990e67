// The fixture of the tests on two replicating directory servers (scripts/directory
// start-replicas): a runtime configuration naming them, killing and restarting one, reading what
// each holds. Waits on replication poll the other server; nothing sleeps a fixed time to let
// replication happen.
#pragma once

#include <AccessAPI.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "AccessTestSupport.h"

namespace replica_test {

using namespace access_test;
using Clock = std::chrono::steady_clock;

constexpr int kFailbackSeconds = 1;
// Longest wait for replication or for a server to come back: well beyond what either takes,
// short enough that a fault ends the test in reasonable time.
constexpr auto kPatience = std::chrono::seconds(20);

// Polls until done() or kPatience passed; true when done.
inline bool eventually(const std::function<bool()>& done) {
    const auto deadline = Clock::now() + kPatience;
    while (!done()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

inline std::vector<std::string> split(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string item; in >> item;)
        out.push_back(item);
    return out;
}

class ReplicaTest : public DirectoryTest {
protected:
    std::string extraConf() override {
        return "failback_interval = " + std::to_string(kFailbackSeconds) +
               "\ntrace_file = trace.log\n";
    }
    void SetUp() override {
        DirectoryTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        servers = split(env.value("RIDGE_SERVERS"));
        ASSERT_EQ(2u, servers.size()) << "the fixture starts two servers";
        useServers(servers);
    }
    void TearDown() override {
        // A test that stopped halfway leaves the first server running for the next one.
        if (env.available())
            directoryScript("start-server", 1);
        DirectoryTest::TearDown();
    }

    // The runtime configuration naming these servers, the first as HOST and PORT.
    void useServers(const std::vector<std::string>& list, const std::string& timeout = "2") {
        const std::string& first = list.front();
        std::string cfg =
            runtimeConfig(first.substr(0, first.find(':')), first.substr(first.find(':') + 1),
                          env.baseDn(), kNs, timeout);
        std::string replicas;
        for (size_t i = 1; i < list.size(); ++i)
            replicas += (i > 1 ? "," : "") + list[i];
        if (!replicas.empty())
            cfg.insert(cfg.find("</LDAP>"), "<REPLICAS>" + replicas + "</REPLICAS>");
        ASSERT_EQ(AS_OK,
                  AS_SetTemporaryRuntimeConfig(cfg.c_str(), static_cast<uint32_t>(cfg.size())));
    }
    // scripts/directory kill-server or start-server on server i (1 or 2); its exit status.
    int directoryScript(const char* command, int i) {
        std::string line = std::string(REPLICA_DIRECTORY_SCRIPT) + " " + command + " '" +
                           env.directoryDir() + "' " + std::to_string(i) + " >/dev/null 2>&1";
        return std::system(line.c_str());
    }
    std::string serverOf(AS_Handle h) {
        char server[128] = "x";
        EXPECT_EQ(AS_OK, ASA_GetSessionServer(h, server, sizeof server));
        return server;
    }
    // Runs an ldap-utils tool against server i (0-based) as the administrator.
    int adminOn(size_t i, const std::string& tool, const std::string& args,
                std::string* output = nullptr) {
        std::ostringstream values;
        for (const auto& [key, value] : env.values())
            values << key << "='" << (key == "RIDGE_URL" ? "ldap://" + servers[i] : value) << "'\n";
        std::istringstream in(values.str());
        auto onServer = ridge_test::RidgeTestDirectory::parse(in);
        return ridge_test::directoryTool(onServer, home, env.adminDn(), env.adminPassword(), tool,
                                         args, "", output);
    }
    // Whether server i holds an entry matching filter (below the base DN) with attribute set.
    bool holds(size_t i, const std::string& filter, const std::string& attribute = "dn") {
        std::string out;
        adminOn(i, "ldapsearch", "-LLL -b '" + env.baseDn() + "' '" + filter + "' " + attribute,
                &out);
        return out.find(attribute == "dn" ? "dn:" : attribute + ":") != std::string::npos;
    }
    std::string trace() {
        std::ifstream in(home + "/trace.log");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::vector<std::string> servers;
};

}  // namespace replica_test
