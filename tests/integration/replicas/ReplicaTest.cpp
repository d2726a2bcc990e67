// The access library with two replicating directory servers: failover while the first is
// killed, failback when it returns, and what replication must carry between them (tickets,
// passwords, lock-outs). Waits on replication poll the other server; nothing sleeps a fixed time
// to let replication happen.
#include <AccessAPI.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "AccessTestSupport.h"
#include "Directory.h"
#include "Failover.h"
#include "ReplicaTestSupport.h"
#include "StoppedProcess.h"
#include "UnusedPort.h"

using namespace access_test;
using ::testing::HasSubstr;
using namespace replica_test;

namespace {

TEST_F(ReplicaTest, HandlesOutliveTheFirstServerAndReturnToItWhenItAnswersAgain) {
    const char* users[] = {"worker0", "worker1", "bob"};
    std::map<AS_Handle, int> failures;
    std::vector<AS_Handle> handles;
    for (const char* user : users) {
        handles.push_back(open());
        ASSERT_EQ(AS_OK, signOn(handles.back(), user, kPassword)) << user;
        EXPECT_EQ(servers[0], serverOf(handles.back()));
    }
    // Reads of the signed-on users and fresh sign-ons, round after round; the first server is
    // killed between two rounds, with the handles' connections open on it.
    auto round = [&](bool freshSignOn) {
        for (AS_Handle h : handles) {
            uint32_t privileges = 0;
            if (ASA_GetSessionPrivileges(h, &privileges) != AS_OK)
                ++failures[h];
        }
        if (!freshSignOn)
            return;
        AS_Handle fresh = open();
        EXPECT_EQ(AS_OK, signOn(fresh, "worker2", kPassword)) << sessionError(fresh);
        AS_Terminate(fresh);
    };
    for (int i = 0; i < 3; ++i)
        round(true);
    ASSERT_EQ(0, directoryScript("kill-server", 1));
    for (int i = 0; i < 5; ++i)
        round(true);
    for (AS_Handle h : handles) {
        EXPECT_LE(failures[h], 1) << "handle " << h;
        EXPECT_EQ(servers[1], serverOf(h)) << "handle " << h;
    }
    // The failed calls are behind: every handle is served again, as its own user.
    failures.clear();
    round(true);
    for (AS_Handle h : handles)
        EXPECT_EQ(0, failures[h]) << "handle " << h;

    ASSERT_EQ(0, directoryScript("start-server", 1));
    const auto restarted = Clock::now();
    const bool allBack = eventually([&] {
        round(false);
        for (AS_Handle h : handles)
            if (serverOf(h) != servers[0])
                return false;
        return true;
    });
    const auto took = Clock::now() - restarted;
    EXPECT_TRUE(allBack) << "handles still on the second server";
    // One interval, plus the operation that notices and the probe: not a measurement, a bound
    // far above both and far below "never".
    EXPECT_LT(took, std::chrono::seconds(kFailbackSeconds + 5));
    for (AS_Handle h : handles) {
        EXPECT_EQ(0, failures[h]) << "a call failed on the way back, handle " << h;
        AS_ObjectId folder = 0;
        EXPECT_EQ(AS_OK, ASA_FindNamespaceRootUserFolder(h, &folder));
        AS_Terminate(h);
    }
    const std::string log = trace();
    EXPECT_THAT(log, HasSubstr("\"event\":\"unreachable\",\"server\":\"" + servers[0]));
    EXPECT_THAT(log, HasSubstr("\"event\":\"returned\",\"server\":\"" + servers[0]));
    EXPECT_THAT(log, HasSubstr("\"event\":\"connected\",\"server\":\"" + servers[1]));
}

TEST_F(ReplicaTest, AServerThatStopsAnsweringIsLeftAfterTheTimeout) {
    useServers(servers, "1");
    AS_Handle kept = open();
    ASSERT_EQ(AS_OK, signOn(kept, "worker0", kPassword));
    ASSERT_EQ(servers[0], serverOf(kept));
    // The first server's process stops: connections to it are accepted and never answered.
    std::ifstream pidFile(env.directoryDir() + "/server1/slapd.pid");
    pid_t pid = 0;
    pidFile >> pid;
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(ridge_test::StopProcess(pid)) << "slapd " << pid << " did not stop";
    // A write, which no cache of the handle can answer.
    char ticket[AS_TICKET_SIZE] = "";
    const int32_t written = ASA_CreateTicket(kept, ticket);
    AS_Handle fresh = open();
    const int32_t signedOn = signOn(fresh, "worker1", kPassword);
    kill(pid, SIGCONT);
    EXPECT_EQ(AS_OK, written) << sessionError(kept);
    EXPECT_EQ(servers[1], serverOf(kept));
    EXPECT_EQ(AS_OK, signedOn) << sessionError(fresh);
    EXPECT_EQ(servers[1], serverOf(fresh));
    EXPECT_THAT(trace(), HasSubstr("\"event\":\"unreachable\",\"server\":\"" + servers[0] +
                                   "\",\"detail\":\"no answer within 1 s"));
    AS_Terminate(kept);
    AS_Terminate(fresh);
}

// Tickets, certificates, a password change and a lock-out written through the first server
// hold through the second once replicated.
TEST_F(ReplicaTest, WhatIsWrittenThroughOneServerHoldsThroughTheOther) {
    ASSERT_EQ(0, admin("ldapadd", "",
                       "dn: uid=replock,ou=Engineering,ou=ridgetest,@BASE_DN@\n"
                       "objectClass: inetOrgPerson\nobjectClass: ridgeUser\nuid: replock\n"
                       "cn: Replicated Lock\nsn: Lock\nridgeId: 1090\nridgeBasicSignonId: 5090\n"
                       "userPassword: Secret#2024\n"
                       "pwdPolicySubentry: cn=lockout,ou=policies,@BASE_DN@\n"));
    const std::string fresh = "Changed#2025";
    useServers({servers[0]});
    AS_Handle issuer = open();
    char ticket[AS_TICKET_SIZE] = "";
    AS_ObjectId bob = 0;
    ASSERT_EQ(AS_OK, signOn(issuer, "bob", kPassword, nullptr, &bob, ticket));
    ASSERT_NE('\0', ticket[0]);
    char certificate[AS_CERTIFICATE_SIZE] = "";
    ASSERT_EQ(AS_OK, AS_GetCertificate(issuer, certificate)) << sessionError(issuer);
    ASSERT_EQ(AS_OK,
              AS_ForceChangeBasicSignonPassword(issuer, kNs, "chpw", kPassword, fresh.c_str()))
        << sessionError(issuer);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(AS_ERR_BAD_CREDENTIALS, signOn(issuer, "replock", "Wrong#2024"));
    // Arrived once the second server holds the ticket's entry, a password changed after the
    // load and the lock-out.
    const std::string digest = ridge::access::ticketDigest(ticket);
    ASSERT_TRUE(eventually([&] { return holds(1, "(ridgeTicketId=" + digest + ")"); }))
        << "the ticket never reached the second server";
    ASSERT_TRUE(eventually([&] { return holds(1, "(&(uid=chpw)(pwdChangedTime=*))"); }))
        << "the change never reached the second server";
    ASSERT_TRUE(eventually([&] { return holds(1, "(uid=replock)", "pwdAccountLockedTime"); }))
        << "the lock-out never reached the second server";

    useServers({servers[1]});
    AS_Handle other = open();
    char* result = nullptr;
    ASSERT_EQ(AS_OK, AS_ValidateTicket2(other, ticket, kNs, &result)) << sessionError(other);
    ASSERT_NE(nullptr, result);
    EXPECT_THAT(std::string(result), HasSubstr("<user id=\"" + std::to_string(bob) + "\""));
    AS_FreeResult(result);
    EXPECT_EQ(servers[1], serverOf(other));
    AS_Handle third = open();
    AS_ObjectId classId = 0, user = 0;
    EXPECT_EQ(AS_OK, AS_ValidateCertificate(third, certificate, kNs, 0, &classId, &user))
        << sessionError(third);
    EXPECT_EQ(bob, user);
    EXPECT_EQ(servers[1], serverOf(third));
    EXPECT_EQ(AS_OK, signOn(third, "chpw", fresh.c_str())) << sessionError(third);
    EXPECT_EQ(AS_ERR_BAD_CREDENTIALS, signOn(third, "chpw", kPassword));
    EXPECT_EQ(AS_ERR_ACCOUNT_LOCKED, signOn(third, "replock", kPassword));
    for (AS_Handle h : {issuer, other, third})
        AS_Terminate(h);
}

TEST_F(ReplicaTest, WithEveryServerDownTheErrorNamesEach) {
    const std::string a = "127.0.0.1:" + std::to_string(ridge_test::unusedLoopbackPort());
    const std::string b = "127.0.0.1:" + std::to_string(ridge_test::unusedLoopbackPort());
    useServers({a, b});
    AS_Handle h = open();
    EXPECT_EQ(AS_ERR_SERVER_UNREACHABLE, signOn(h, "bob", kPassword));
    const std::string text = sessionError(h);
    EXPECT_THAT(text, HasSubstr(a));
    EXPECT_THAT(text, HasSubstr(b));
    EXPECT_EQ("", serverOf(h));
    AS_Terminate(h);
}

// Whether a server of the list is taken for down by the process (tried last by every handle).
bool takenForDown(const std::string& server) {
    const ridge::access::ServerAddress address{
        server.substr(0, server.find(':')),
        static_cast<uint32_t>(std::stoul(server.substr(server.find(':') + 1)))};
    return ridge::access::ServerHealth::instance().failedWithin(
        address, std::chrono::steady_clock::now(), std::chrono::hours(1));
}

// A refused service bind, or a server refusing TLS, is an answer of a server that serves, not its
// absence: it is reported as itself, and no server is taken for down (the next one would refuse
// the same way, and the first would then be passed over for no reason).
class ReplicaRefused : public ReplicaTest {
protected:
    std::string extraConf() override {
        auto fixture = ridge_test::RidgeTestDirectory::fromEnvironment();
        const std::string file = fixture.directoryDir() + "/refused-service.pw";
        std::ofstream(file) << "not-the-service-password\n";
        return ReplicaTest::extraConf() + "service_password_file = " + file +
               "\ntls_mode = starttls\n";
    }
};

TEST_F(ReplicaRefused, ServiceBindAndTlsAreReportedAsThemselvesAndMarkNoServerDown) {
    ridge::access::ServerHealth::instance().clear();
    AS_Handle h = open();
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_EQ(AS_ERR_SETTINGS, signOn(h, "bob", kPassword))
            << attempt << ": " << sessionError(h);
    }
    for (const std::string& server : servers)
        EXPECT_FALSE(takenForDown(server)) << server;
    AS_Terminate(h);

    // The servers refuse StartTLS (before any bind).
    std::string cfg =
        runtimeConfig(servers[0].substr(0, servers[0].find(':')),
                      servers[0].substr(servers[0].find(':') + 1), env.baseDn(), kNs, "2");
    cfg.replace(cfg.find("<SSL_ENABLED>false"), 18, "<SSL_ENABLED>true");
    cfg.insert(cfg.find("</LDAP>"), "<REPLICAS>" + servers[1] + "</REPLICAS>");
    ASSERT_EQ(AS_OK, AS_SetTemporaryRuntimeConfig(cfg.c_str(), static_cast<uint32_t>(cfg.size())));
    h = open();
    EXPECT_EQ(AS_ERR_TLS, signOn(h, "bob", kPassword)) << sessionError(h);
    EXPECT_THAT(sessionError(h), ::testing::Not(HasSubstr("cannot be reached"))) << sessionError(h);
    for (const std::string& server : servers)
        EXPECT_FALSE(takenForDown(server)) << server;
    EXPECT_THAT(trace(), ::testing::Not(HasSubstr("unreachable"))) << trace();
    AS_Terminate(h);
}

}  // namespace
