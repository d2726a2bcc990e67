// The process's pool of directory connections: how many connections the handles hold, and what
// calls see while many threads share a small pool and the server is frozen. A killed and
// restarted server: DirectoryFaultsTest and the Restart tests beside this one.
#include <gmock/gmock.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <thread>
#include <vector>

#include "Connections.h"
#include "OwnDirectory.h"

using namespace access_test;
using ridge_test::connectionsTo;
using ridge_test::openDescriptors;
using ::testing::HasSubstr;

namespace {

using Clock = std::chrono::steady_clock;

std::string workerName(size_t i) {
    return "worker" + std::to_string(i % 5);
}

class Pool : public DirectoryTest {
protected:
    std::string extraConf() override { return "pool_size = 3\nbind_pool_size = 2\n"; }
};

// Half of them by password, half by a ticket; each reads a user. A pool that held a connection
// per user would run a server with the common 1,024-descriptor limit out of them.
TEST_F(Pool, AThousandSessionsShareThePoolAndGiveTheirDescriptorsBack) {
    const size_t before = openDescriptors();
    std::vector<AS_Handle> handles;
    char ticket[AS_TICKET_SIZE] = "";
    for (size_t i = 0; i < 1000; ++i) {
        AS_Handle h = open();
        handles.push_back(h);
        if (i % 2 == 0) {
            ASSERT_EQ(AS_OK, signOn(h, workerName(i).c_str(), kPassword, nullptr, nullptr,
                                    i == 0 ? ticket : nullptr))
                << i << ": " << sessionError(h);
        } else {
            char* text = nullptr;
            ASSERT_EQ(AS_OK, AS_ValidateTicket2(h, ticket, kNs, &text)) << i;
            AS_FreeResult(text);
        }
        char name[AS_MAX_NAME_SIZE] = "";
        ASSERT_EQ(AS_OK, ASA_FindUserInfo(h, 1000, name, nullptr, nullptr)) << i;
        ASSERT_STREQ("alice", name);  // users are named by their sign-on name
    }
    EXPECT_LE(connectionsTo(env.port()), 3u + 2u);
    for (AS_Handle h : handles)
        EXPECT_EQ(AS_OK, AS_Terminate(h));
    EXPECT_EQ(0u, connectionsTo(env.port()));
    EXPECT_EQ(before, openDescriptors());
}

class PoolOfTwo : public DirectoryTest {
protected:
    std::string extraConf() override { return "pool_size = 2\nbind_pool_size = 1\n"; }
};

// Eight users through two connections (one for binds): sign-ons (refused ones too, each user
// getting its own id), reads, records asked for ahead and read in later calls (their connection
// parked between calls, and taken by others), ticket sign-ons. Every call does what it should;
// run under ThreadSanitizer by scripts/tsan.
TEST_F(PoolOfTwo, EightThreadsSignOnAndReadThroughTwoConnections) {
    const std::vector<AS_ObjectId> users = {1000, 1001, 1020, 1021, 1022, 1023, 1024};
    std::atomic<int> failures = 0;
    std::vector<std::string> firstFailure(8);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            auto check = [&](int32_t status, const char* what) {
                if (status == AS_OK)
                    return;
                ++failures;
                if (firstFailure[t].empty())
                    firstFailure[t] = std::string(what) + " " + std::to_string(status);
            };
            for (int round = 0; round < 15; ++round) {
                AS_Handle h = 0, other = 0;
                check(AS_Init(kVersion, &h, AS_INIT_FLAGS), "AS_Init");
                AS_ObjectId id = 0;
                char ticket[AS_TICKET_SIZE] = "";
                // A refused password between sign-ons leaves the bind connection to the others.
                if (signOn(h, workerName(t).c_str(), "bad-password") != AS_ERR_BAD_CREDENTIALS)
                    check(-1, "wrong password");
                check(signOn(h, workerName(t).c_str(), kPassword, nullptr, &id, ticket), "sign-on");
                if (id != 1020 + t % 5)
                    check(-1, "another user's id");
                check(ASA_PrefetchObjects(h, AS_OBJ_USER, static_cast<uint32_t>(users.size()),
                                          users.data()),
                      "prefetch");
                // Another handle's calls between the request and its reads.
                check(AS_Init(kVersion, &other, AS_INIT_FLAGS), "AS_Init");
                char* text = nullptr;
                check(AS_ValidateTicket2(other, ticket, kNs, &text), "ticket");
                AS_FreeResult(text);
                for (AS_ObjectId user : users) {
                    char name[AS_MAX_NAME_SIZE] = "";
                    check(ASA_FindUserInfo(h, user, name, nullptr, nullptr), "read");
                    check(ASA_FindUserInfo(other, user, name, nullptr, nullptr), "read");
                }
                AS_ObjectId ids[16];
                uint32_t count = 0;
                check(ASA_FindUserFolderUsersList(h, 20, 16, ids, &count), "listing");
                if (count == 0)
                    check(-1, "empty listing");
                AS_Terminate(other);
                AS_Terminate(h);
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(0, failures.load());
    for (const auto& f : firstFailure)
        EXPECT_EQ("", f);
    EXPECT_EQ(0u, connectionsTo(env.port()));
}

class PoolOfOne : public OwnDirectory {
protected:
    std::string extraConf() override { return "pool_size = 1\nbind_pool_size = 1\n"; }
    void useTimeout(const std::string& seconds) {
        std::string cfg = runtimeConfig(env.host(), env.port(), env.baseDn(), kNs, seconds);
        ASSERT_EQ(AS_OK,
                  AS_SetTemporaryRuntimeConfig(cfg.c_str(), static_cast<uint32_t>(cfg.size())));
    }
    // Runs call on each handle from a thread of its own; the statuses.
    std::vector<int32_t> inThreads(const std::vector<AS_Handle>& handles,
                                   const std::function<int32_t(AS_Handle)>& call) {
        std::vector<int32_t> statuses(handles.size(), AS_OK);
        std::vector<std::thread> threads;
        for (size_t t = 0; t < handles.size(); ++t)
            threads.emplace_back([&, t] { statuses[t] = call(handles[t]); });
        for (auto& t : threads)
            t.join();
        return statuses;
    }
};

TEST_F(PoolOfOne, FourThreadsTakeTurnsAndAFrozenServerFailsThemNamingThePool) {
    useTimeout("2");
    std::vector<AS_Handle> handles;
    for (size_t t = 0; t < 4; ++t) {
        handles.push_back(open());
        ASSERT_EQ(AS_OK, signOn(handles.back(), workerName(t).c_str(), kPassword));
    }
    auto listings = inThreads(handles, [](AS_Handle h) {
        for (int i = 0; i < 40; ++i) {
            AS_ObjectId found[16];
            uint32_t count = 0;
            if (int32_t status = ASA_FindUserFolderUsersList(h, 20, 16, found, &count))
                return status;
        }
        return AS_OK;
    });
    EXPECT_THAT(listings, ::testing::Each(AS_OK));
    EXPECT_LE(connectionsTo(env.port()), 2u);

    std::ifstream pidFile(work + "/dir/slapd.pid");
    std::string pid;
    pidFile >> pid;
    ASSERT_EQ(0, run("kill -STOP " + pid));
    const auto started = Clock::now();
    std::vector<std::string> errors(handles.size());
    auto frozen = inThreads(handles, [&](AS_Handle h) {
        // Read from the server on every call.
        char modes[AS_NSPROP_BUFFER_SIZE];
        int32_t status = AS_GetNamespaceProperties2(h, kNs, AS_NSPROP_AUTH_MODES, modes, 0);
        for (size_t t = 0; t < handles.size(); ++t)
            if (handles[t] == h)
                errors[t] = sessionError(h);
        return status;
    });
    const auto waited = Clock::now() - started;
    run("kill -CONT " + pid);
    EXPECT_THAT(frozen, ::testing::Each(AS_ERR_TIMEOUT));
    EXPECT_THAT(errors, ::testing::Contains(HasSubstr("(pool_size 1)")));
    // The one holding the connection waits out its timeout, the others theirs for it.
    EXPECT_LT(waited, std::chrono::seconds(3 * 2 + 2));
    // Back to work once the server is.
    EXPECT_THAT(inThreads(handles,
                          [](AS_Handle h) {
                              AS_ObjectId found[16];
                              uint32_t count = 0;
                              return ASA_FindUserFolderUsersList(h, 20, 16, found, &count);
                          }),
                ::testing::Each(AS_OK));
    for (AS_Handle h : handles)
        AS_Terminate(h);
}

}  // namespace
