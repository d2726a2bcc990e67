// Eight threads through the provider's tables at once, as a busy host calls it: each signs its
// own user on by password and by ticket, searches, pages and logs off, round after round, while
// a ninth configures and replaces a second namespace and searches it, and a tenth sets its format
// and configures others. Every session must answer as its own user (a root listing shows the
// user's own class), no call may fail, and every block the provider allocated with the host's
// routine must come back to the host and be freed.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "DirectoryAdmin.h"
#include "HostAllocator.h"
#include "HostedProvider.h"
#include "RidgeTestDirectory.h"

namespace {

using namespace host_calls;

constexpr const char* kNamespace = "stressns";
constexpr const char* kSecond = "stressalt";
constexpr const char* kPassword = "Stress#2024";
constexpr int kUsers = 8;
constexpr int kRounds = 12;
constexpr uint32_t kCrowdFolder = 20;

const std::vector<std::string> kCrowd = {"stress0", "stress1", "stress2", "stress3",
                                         "stress4", "stress5", "stress6", "stress7"};

class Stress : public HostedProvider {
protected:
    void SetUp() override {
        env = ridge_test::RidgeTestDirectory::fromEnvironment();
        if (!env.available()) {
            GTEST_SKIP() << "RIDGE_TEST_ENV not set: no test directory";
        }
        Load("basalt-stress-home-");
        ASSERT_TRUE(ridge_test::loadTreeOnce(env, home, STRESS_TEST_LDIF,
                                             "cn=Stress Class 7,ou=stresstest," + env.baseDn()));
        Start(Configuration(kNamespace, env.hostPort(), env.baseDn(), "stresstest"));
    }
};

// Collects the failures of many threads; the first few are reported in full.
class Failures {
public:
    void Add(const std::string& what) {
        std::lock_guard<std::mutex> guard(m_lock);
        if (++m_count <= 8) {
            ADD_FAILURE() << what;
        }
    }
    int Count() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_count;
    }

private:
    std::mutex m_lock;
    int m_count = 0;
};

TEST_F(Stress, EightUsersSignOnSearchPageAndLogOffWhileOtherNamespacesAreConfigured) {
    const basalt_host::BlockCounts before = basalt_host::blockCounts();
    Failures failures;
    std::mutex sessionsLock;
    std::map<std::string, int> sessionOwners;  // visa session identifier -> thread

    auto check = [&](bool ok, const std::string& what) {
        if (!ok) {
            failures.Add(what);
        }
        return ok;
    };
    auto clean = [&](const std::vector<std::string>& problems, const std::string& call) {
        for (const std::string& problem : problems) {
            failures.Add(call + ": " + problem);
        }
    };

    auto user = [&](int index) {
        const std::string name = kCrowd[index];
        const std::vector<std::string> ownRoot = {"stresstest",
                                                  "Stress Class " + std::to_string(index)};
        for (int round = 0; round < kRounds; ++round) {
            const std::string at = name + " round " + std::to_string(round) + ": ";
            const SignOnReply byPassword = Logon(*lib, kNamespace, name, kPassword);
            clean(byPassword.problems, at + "logon");
            const std::string ticket = byPassword.VisaValue("ticket");
            if (!check(byPassword.code == 0 && !ticket.empty(),
                       at + "logon: " + std::to_string(byPassword.code) + " " + byPassword.text)) {
                continue;
            }
            const SignOnReply byTicket = TicketLogon(*lib, kNamespace, ticket);
            clean(byTicket.problems, at + "ticket logon");
            check(byTicket.code == 0,
                  at + "ticket logon: " + std::to_string(byTicket.code) + " " + byTicket.text);
            for (const SignOnReply* reply : {&byPassword, &byTicket}) {
                const std::string session = reply->VisaValue("as_session");
                std::lock_guard<std::mutex> guard(sessionsLock);
                const auto [owner, added] = sessionOwners.emplace(session, index);
                check(!session.empty() && owner->second == index,
                      at + "session '" + session + "' also belongs to thread " +
                          std::to_string(owner->second));
            }

            // Whose session answers: a user without privileges sees only its own root class.
            for (const SignOnReply* reply : {&byPassword, &byTicket}) {
                const SearchReply root = Search(*lib, reply->Visa(), Vorid(kNamespace) + "/*");
                clean(root.problems, at + "root listing");
                check(root.code == 0 && root.Names() == ownRoot,
                      at + "root listing: " + root.exception + root.response);
            }

            // The crowd folder in pages of three, served from the session's listing cache.
            const std::string crowd =
                Vorid(std::string(kNamespace) + ":f:authid=" + std::to_string(kCrowdFolder)) + "/*";
            std::vector<std::string> paged;
            for (int skip = 0; skip < kUsers; skip += 3) {
                const SearchReply page =
                    Search(*lib, byPassword.Visa(), crowd, {"defaultName"}, skip, 3);
                clean(page.problems, at + "page");
                check(page.code == 0,
                      at + "page at " + std::to_string(skip) + ": " + page.exception);
                const auto names = page.Names();
                paged.insert(paged.end(), names.begin(), names.end());
            }
            check(paged == kCrowd, at + "the pages did not list the crowd once each");

            const SignOnReply ticketOff = Logoff(*lib, kNamespace, byTicket.Visa());
            clean(ticketOff.problems, at + "logoff");
            check(ticketOff.code == 0, at + "ticket logoff: " + ticketOff.text);
            const SignOnReply passwordOff = Logoff(*lib, kNamespace, byPassword.Visa());
            clean(passwordOff.problems, at + "logoff");
            check(passwordOff.code == 0, at + "logoff: " + passwordOff.text);
            // The ticket went with the logoff.
            const SignOnReply stale = TicketLogon(*lib, kNamespace, ticket);
            clean(stale.problems, at + "stale ticket");
            check(stale.code == -36, at + "a logged-off ticket signed on: " + stale.text);
        }
    };

    std::atomic<bool> usersDone{false};
    std::atomic<int> replacements{0};
    auto replacer = [&] {
        // Replaced again and again until the users are through, alternating its directory
        // namespace; each configuration is searched at namespace level before the next.
        for (int round = 0; !usersDone || round < 2; ++round) {
            const bool other = round % 2 == 1;
            const std::string display = "Alternate " + std::to_string(round);
            const auto configured =
                lib->configure(Configuration(kSecond, env.hostPort(), env.baseDn(),
                                             other ? "othertest" : "stresstest", "10", display),
                               AdditionalInfo());
            clean(configured.problems, "configure");
            if (!check(configured.code == 0,
                       "configure " + display + ": " + configured.exception.value_or(""))) {
                continue;
            }
            ++replacements;
            const SearchReply answer = Search(*lib, basalt_host::namespaceVisaDocument(kSecond),
                                              Vorid(kSecond), {"defaultName"});
            clean(answer.problems, "namespace search");
            check(answer.code == 0 && answer.Names() == std::vector<std::string>{display},
                  "search of " + display + ": " + answer.exception + answer.response);
        }
    };

    // Meanwhile the second namespace's format is set, and namespaces whose configurations differ
    // are configured: one unreachable, one reaching the server by another name. A handle opened
    // with another namespace's configuration would turn one into the other.
    auto others = [&] {
        for (int round = 0; !usersDone || round < 2; ++round) {
            const auto version = lib->setNamespaceVersion(
                basalt_host::setNamespaceVersionDocument(
                    kSecond, "http://basalt.example/schemas/VOR/AAANamespaceFormat/" +
                                 std::to_string(1 + round % 3) + "/"),
                AdditionalInfo());
            clean(version.problems, "set version");
            check(version.code == 0, "set version: " + version.exception.value_or(""));
            const auto down = lib->configure(
                Configuration("down", "127.0.0.1:1", env.baseDn(), "stresstest"), AdditionalInfo());
            clean(down.problems, "configure down");
            check(down.code == -1, "the unreachable namespace was configured");
            const auto byName = lib->configure(
                Configuration("byname", "localhost:" + env.port(), env.baseDn(), "stresstest"),
                AdditionalInfo());
            clean(byName.problems, "configure byname");
            check(byName.code == 0, "configure byname: " + byName.exception.value_or(""));
        }
    };

    ASSERT_EQ(0, lib->configure(Configuration(kSecond, env.hostPort(), env.baseDn(), "stresstest"),
                                AdditionalInfo())
                     .code);
    std::vector<std::thread> threads;
    for (int index = 0; index < kUsers; ++index) {
        threads.emplace_back(user, index);
    }
    std::thread second(replacer);
    std::thread third(others);
    for (auto& thread : threads) {
        thread.join();
    }
    usersDone = true;
    second.join();
    third.join();

    EXPECT_EQ(0, failures.Count());
    EXPECT_GE(replacements.load(), 2);
    // Sessions are named by their user, so there is one per thread, and each thread met only
    // its own.
    EXPECT_EQ(static_cast<std::size_t>(kUsers), sessionOwners.size());

    ASSERT_EQ(0, lib->terminate(AdditionalInfo()).code);
    lib.reset();
    const basalt_host::BlockCounts after = basalt_host::blockCounts();
    const uint64_t allocated = after.allocated - before.allocated;
    EXPECT_EQ(allocated, after.freed - before.freed);
    // Every call of every round handed back at least one text.
    EXPECT_GE(allocated, static_cast<uint64_t>(kUsers * kRounds * 10));
    EXPECT_EQ(0u, basalt_host::releaseOutstandingBlocks());
}

}  // namespace
