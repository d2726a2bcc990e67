// Offline sign-on against two replicating servers: what a user who signed on online may do once
// both are killed (or the configuration names only servers that do not answer), what it may
// not, and what an answer from a live server does to the cache. The refreshes run in the
// background: the tests wait for them with the cache's drain(), and move time with the pinned
// clock instead of sleeping.
#include <AccessAPI.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "Clock.h"
#include "OfflineCache.h"
#include "Process.h"
#include "ReplicaTestSupport.h"
#include "UnusedPort.h"

using namespace replica_test;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

constexpr AS_ObjectId kAlice = 1000;  // uid alice, cn Alice Anders, in ou=Europe,ou=Sales
constexpr AS_ObjectId kEurope = 11;
constexpr AS_ObjectId kSales = 10;
constexpr const char* kOtherPassword = "Changed#2025";

class OfflineSignOnTest : public ReplicaTest {
protected:
    std::string extraConf() override {
        // A cheap verifier: the tests check the rules, the benchmark the cost.
        return ReplicaTest::extraConf() +
               "offline_days = 3\noffline_argon2_memory = 1024\noffline_argon2_time = 1\n";
    }
    void TearDown() override {
        ridge::access::pinWallClock(std::nullopt);
        if (env.available())
            directoryScript("start-server", 2);
        for (const auto& dn : added)
            admin("ldapdelete", "'" + dn + "'");
        ReplicaTest::TearDown();
    }

    // Waits for the refreshes the process queued.
    void drain() {
        if (auto cache = ridge::access::Process::instance().offlineCache())
            cache->drain();
    }
    // What a host restarted on the same home starts with: nothing of the process before.
    void restartProcess(const std::vector<std::string>& list) {
        AS_TesselProcessTerminate(kApp);
        initialize();
        ASSERT_EQ(AS_OK, AS_SetSystemEncoding("utf8"));
        useServers(list);
    }
    // Two loopback ports nothing listens on: an outage without killing anything.
    std::vector<std::string> deadServers() {
        return {"127.0.0.1:" + std::to_string(ridge_test::unusedLoopbackPort()),
                "127.0.0.1:" + std::to_string(ridge_test::unusedLoopbackPort())};
    }
    void killBoth() {
        ASSERT_EQ(0, directoryScript("kill-server", 1));
        ASSERT_EQ(0, directoryScript("kill-server", 2));
    }
    void startBoth() {
        ASSERT_EQ(0, directoryScript("start-server", 1));
        ASSERT_EQ(0, directoryScript("start-server", 2));
    }
    // Signs on online and waits for the user's entry to be written.
    void signOnOnline(const char* user, const char* password) {
        AS_Handle h = open();
        ASSERT_EQ(AS_OK, signOn(h, user, password)) << sessionError(h);
        AS_Terminate(h);
        drain();
    }
    // A user of the namespace's Engineering folder that the test may change; removed after.
    void addUser(const std::string& uid, const std::string& cn, AS_ObjectId id) {
        const std::string dn = "uid=" + uid + ",ou=Engineering,ou=ridgetest," + env.baseDn();
        ASSERT_EQ(0, admin("ldapadd", "",
                           "dn: " + dn +
                               "\nobjectClass: inetOrgPerson\nobjectClass: "
                               "ridgeUser\nuid: " +
                               uid + "\ncn: " + cn + "\nsn: " + cn.substr(cn.find(' ') + 1) +
                               "\nridgeId: " + std::to_string(id) + "\nuserPassword: " + kPassword +
                               "\n"));
        added.push_back(dn);
    }
    int32_t isOffline(AS_Handle h) {
        int32_t offline = -1;
        EXPECT_EQ(AS_OK, ASA_GetSessionOffline(h, &offline));
        return offline;
    }
    std::string cacheFiles() {
        std::string all;
        for (const auto& f : std::filesystem::directory_iterator(home + "/cache")) {
            std::ifstream in(f.path(), std::ios::binary);
            all.append(std::istreambuf_iterator<char>(in), {});
        }
        return all;
    }

    std::vector<std::string> added;
};

TEST_F(OfflineSignOnTest, WithBothServersKilledACachedUserSignsOnAndReadsOnlyItsOwnRecords) {
    AS_Handle first = open();
    char ticket[AS_TICKET_SIZE] = "";
    ASSERT_EQ(AS_OK, signOn(first, "alice", kPassword, nullptr, nullptr, ticket));
    ASSERT_EQ(32u, std::strlen(ticket));
    EXPECT_EQ(0, isOffline(first));
    char modes[AS_NSPROP_BUFFER_SIZE] = "";
    ASSERT_EQ(AS_OK, AS_GetNamespaceProperties2(first, kNs, AS_NSPROP_AUTH_MODES, modes, 0));
    AS_Terminate(first);
    drain();

    killBoth();
    restartProcess(servers);
    AS_Handle h = open();
    AS_ObjectId id = 0;
    ASSERT_EQ(AS_OK, signOn(h, "alice", kPassword, nullptr, &id)) << sessionError(h);
    EXPECT_EQ(kAlice, id);
    EXPECT_EQ(1, isOffline(h));

    char name[AS_MAX_NAME_SIZE] = "", mail[256] = "", content[64] = "", product[64] = "";
    char description[512] = "", phone[64] = "", given[128] = "", surname[128] = "";
    ASSERT_EQ(AS_OK, ASA_FindUserInfo4(h, kAlice, name, description, mail, phone, content, product,
                                       given, surname))
        << sessionError(h);
    EXPECT_STREQ("alice", name);
    EXPECT_STREQ("en-gb", content);
    char display[AS_MAX_NAME_SIZE] = "";
    ASSERT_EQ(AS_OK, ASA_FindUserDisplayName(h, kAlice, display));
    EXPECT_STREQ("Alice Anders", display);
    AS_ObjectId classes[8] = {};
    uint32_t count = 0;
    ASSERT_EQ(AS_OK, ASA_GetSessionUserClassList(h, 8, classes, nullptr, &count));
    EXPECT_THAT(std::vector<AS_ObjectId>(classes, classes + count), ElementsAre(101, 102, 103));
    AS_ObjectId folder = 0, parent = 0;
    ASSERT_EQ(AS_OK, ASA_FindUserUserFolder(h, kAlice, &folder));
    EXPECT_EQ(kEurope, folder);
    ASSERT_EQ(AS_OK, ASA_FindUserFolderParent(h, kEurope, &parent));
    EXPECT_EQ(kSales, parent);

    // Anything beyond the user's own records needs the directory, and says so.
    AS_ObjectId children[16];
    EXPECT_EQ(AS_ERR_SERVER_UNREACHABLE,
              ASA_FindUserFolderChildrenList(h, kSales, 16, children, &count));
    EXPECT_THAT(sessionError(h), HasSubstr("signed on offline"));
    EXPECT_THAT(sessionError(h), HasSubstr(servers[1]));

    // A user never cached gets the outage itself, naming each server.
    AS_Handle bob = open();
    EXPECT_EQ(AS_ERR_SERVER_UNREACHABLE, signOn(bob, "bob", kPassword));
    EXPECT_THAT(sessionError(bob), HasSubstr(servers[0]));
    EXPECT_THAT(sessionError(bob), HasSubstr(servers[1]));

    // The ticket of the online sign-on, and the namespace the host configures with.
    char* result = nullptr;
    ASSERT_EQ(AS_OK, AS_ValidateTicket2(bob, ticket, kNs, &result)) << sessionError(bob);
    EXPECT_THAT(std::string(result), HasSubstr("name=\"Alice Anders\""));
    AS_FreeResult(result);
    EXPECT_EQ(1, isOffline(bob));
    char modesOffline[AS_NSPROP_BUFFER_SIZE] = "";
    ASSERT_EQ(AS_OK, AS_GetNamespaceProperties2(bob, kNs, AS_NSPROP_AUTH_MODES, modesOffline, 0));
    EXPECT_STREQ(modes, modesOffline);

    // Neither a password nor a ticket nor a name is in the files.
    const std::string files = cacheFiles();
    EXPECT_EQ(std::string::npos, files.find(kPassword));
    EXPECT_EQ(std::string::npos, files.find(ticket));
    EXPECT_EQ(std::string::npos, files.find("Alice Anders"));
    struct stat st {};
    ASSERT_EQ(0, ::stat((home + "/cache").c_str(), &st));
    EXPECT_EQ(0700u, st.st_mode & 0777);
    ASSERT_EQ(0, ::stat((home + "/cache/data.mdb").c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777);

    // The directory back: the next sign-on is online.
    startBoth();
    AS_Handle back = open();
    ASSERT_TRUE(eventually([&] { return signOn(back, "alice", kPassword) == AS_OK; }));
    EXPECT_EQ(0, isOffline(back));
    for (AS_Handle each : {h, bob, back})
        AS_Terminate(each);
}

TEST_F(OfflineSignOnTest, WrongPasswordsOfflineAreCountedThenMadeToWaitAndOldEntriesRefused) {
    signOnOnline("alice", kPassword);
    const std::time_t now = std::time(nullptr);
    ridge::access::pinWallClock(now);
    useServers(deadServers());
    AS_Handle h = open();
    for (int attempt = 0; attempt < 3; ++attempt)
        EXPECT_EQ(AS_ERR_BAD_CREDENTIALS, signOn(h, "alice", "Wrong#1")) << attempt;
    // Spent: even the right password waits for the delay (5 minutes by default).
    EXPECT_EQ(AS_ERR_ACCOUNT_LOCKED, signOn(h, "alice", kPassword));
    ridge::access::pinWallClock(now + 4 * 60);
    EXPECT_EQ(AS_ERR_ACCOUNT_LOCKED, signOn(h, "alice", kPassword));
    ridge::access::pinWallClock(now + 5 * 60 + 1);
    EXPECT_EQ(AS_OK, signOn(h, "alice", kPassword)) << sessionError(h);
    // The count starts again after a good one.
    EXPECT_EQ(AS_ERR_BAD_CREDENTIALS, signOn(h, "alice", "Wrong#1"));
    EXPECT_EQ(AS_OK, signOn(h, "alice", kPassword));
    EXPECT_EQ(AS_ERR_BAD_CREDENTIALS, signOn(h, "alice", "Wrong#1"));

    // The directory back: the next sign-on is online and writes the entry afresh.
    ridge::access::pinWallClock(now + 3600);
    useServers(servers);
    AS_Handle online = open();
    ASSERT_EQ(AS_OK, signOn(online, "alice", kPassword));
    EXPECT_EQ(0, isOffline(online));
    AS_Terminate(online);
    drain();
    char* listing = nullptr;
    ASSERT_EQ(AS_OK, AS_ListOfflineCache(&listing));
    EXPECT_THAT(std::string(listing),
                HasSubstr("alice\tAlice Anders\tou=ridgetest," + env.baseDn() + "\t" +
                          std::to_string(now + 3600) + "\t0\n"));
    AS_FreeResult(listing);
    useServers(deadServers());

    // offline_days is 3: an entry written more than three days ago is of no use.
    ridge::access::pinWallClock(now + 3600 + 3 * 86400 + 1);
    EXPECT_EQ(AS_ERR_SERVER_UNREACHABLE, signOn(h, "alice", kPassword));
    EXPECT_THAT(sessionError(h), HasSubstr("older than 3 days"));
    AS_Terminate(h);
}

// What a live server answers is what holds: a wrong password is wrong even with the first server
// down, a password changed online is the only one offline afterwards, and a user found disabled
// or gone online loses its entry.
TEST_F(OfflineSignOnTest, AnAnswerFromALiveServerDecidesAndReplacesTheEntry) {
    addUser("offchg", "Olive Chang", 1950);
    addUser("offdis", "Olive Disa", 1951);
    addUser("offgone", "Olive Gone", 1952);
    for (const char* user : {"alice", "offchg", "offdis", "offgone"})
        signOnOnline(user, kPassword);
    AS_Handle h = open();
    EXPECT_EQ(AS_ERR_BAD_CREDENTIALS, signOn(h, "alice", "Wrong#1"));
    EXPECT_EQ(0, isOffline(h));
    ASSERT_EQ(AS_OK, AS_ForceChangeBasicSignonPassword(h, kNs, "offchg", kPassword, kOtherPassword))
        << sessionError(h);
    ASSERT_EQ(0, admin("ldapmodify", "",
                       "dn: " + added[1] +
                           "\nchangetype: modify\nreplace: "
                           "ridgeAccountDisabled\nridgeAccountDisabled: TRUE\n"));
    ASSERT_EQ(0, admin("ldapdelete", "'" + added[2] + "'"));
    EXPECT_EQ(AS_ERR_ACCOUNT_DISABLED, signOn(h, "offdis", kPassword));
    EXPECT_EQ(AS_ERR_BAD_CREDENTIALS, signOn(h, "offgone", kPassword));
    drain();
    // Only the first server down: the second answers, and the sign-on is online there.
    ASSERT_EQ(0, directoryScript("kill-server", 1));
    EXPECT_EQ(AS_ERR_BAD_CREDENTIALS, signOn(h, "alice", "Wrong#1"));
    EXPECT_EQ(AS_OK, signOn(h, "alice", kPassword));
    EXPECT_EQ(0, isOffline(h));
    AS_Terminate(h);

    useServers(deadServers());
    h = open();
    EXPECT_EQ(AS_ERR_BAD_CREDENTIALS, signOn(h, "offchg", kPassword));
    EXPECT_EQ(AS_OK, signOn(h, "offchg", kOtherPassword)) << sessionError(h);
    EXPECT_EQ(AS_ERR_SERVER_UNREACHABLE, signOn(h, "offdis", kPassword));
    EXPECT_EQ(AS_ERR_SERVER_UNREACHABLE, signOn(h, "offgone", kPassword));
    AS_Terminate(h);
}

TEST_F(OfflineSignOnTest, ADamagedCacheFileIsReportedAndMadeAfresh) {
    signOnOnline("alice", kPassword);
    AS_TesselProcessTerminate(kApp);
    {
        std::ofstream damage(home + "/cache/data.mdb", std::ios::binary | std::ios::trunc);
        damage << std::string(8192, '\x5a');
    }
    restartProcess(servers);
    // The first use reports and rebuilds; the user, online, is written again.
    signOnOnline("alice", kPassword);
    char* listing = nullptr;
    ASSERT_EQ(AS_OK, AS_ListOfflineCache(&listing));
    const std::string text = listing;
    AS_FreeResult(listing);
    EXPECT_THAT(text, HasSubstr("alice\tAlice Anders\t"));
    EXPECT_THAT(text, HasSubstr("! offline cache"));
    EXPECT_THAT(text, HasSubstr("damaged"));
    EXPECT_TRUE(std::filesystem::exists(home + "/cache/data.mdb.damaged"));
    useServers(deadServers());
    AS_Handle h = open();
    EXPECT_EQ(AS_OK, signOn(h, "alice", kPassword)) << sessionError(h);
    AS_Terminate(h);
}

TEST_F(OfflineSignOnTest, ForgetAndPurgeRemoveWhatTheyName) {
    signOnOnline("alice", kPassword);
    signOnOnline("bob", kPassword);
    int32_t removed = -1;
    ASSERT_EQ(AS_OK, AS_ForgetOfflineUser("ALICE", &removed));
    EXPECT_EQ(1, removed);
    char* listing = nullptr;
    ASSERT_EQ(AS_OK, AS_ListOfflineCache(&listing));
    EXPECT_THAT(std::string(listing), Not(HasSubstr("alice")));
    EXPECT_THAT(std::string(listing), HasSubstr("bob\tBob Brown\t"));
    AS_FreeResult(listing);
    ASSERT_EQ(AS_OK, AS_PurgeOfflineCache(&removed));
    EXPECT_GE(removed, 1);
    useServers(deadServers());
    AS_Handle h = open();
    EXPECT_EQ(AS_ERR_SERVER_UNREACHABLE, signOn(h, "bob", kPassword));
    AS_Terminate(h);
}

// Without offline_days the library keeps nothing and an outage is an outage.
class OfflineOffTest : public ReplicaTest {};

TEST_F(OfflineOffTest, IsTheDefault) {
    AS_Handle h = open();
    ASSERT_EQ(AS_OK, signOn(h, "alice", kPassword));
    AS_Terminate(h);
    const auto a = "127.0.0.1:" + std::to_string(ridge_test::unusedLoopbackPort());
    useServers({a});
    h = open();
    EXPECT_EQ(AS_ERR_SERVER_UNREACHABLE, signOn(h, "alice", kPassword));
    AS_Terminate(h);
    EXPECT_FALSE(std::filesystem::exists(home + "/cache"));
    char* listing = nullptr;
    EXPECT_EQ(AS_ERR_SETTINGS, AS_ListOfflineCache(&listing));
}

}  // namespace
