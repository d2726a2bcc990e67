// The provider's entries from eight threads at once through its tables, as a host calls them:
// namespace-level searches of one namespace while a second namespace is configured and replaced
// and the namespaces' versions are set. No call may fail or see a half-replaced namespace, and
// every text the provider returned is allocated with the host's routine and handed back (the
// host frees it): the number of allocations equals the number of texts received.
#include "ProviderTablesTest.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

using namespace provider_test;

namespace {

constexpr int kRounds = 40;

class ConcurrentEntries : public ProviderTablesTest {
protected:
    std::string Config(const std::string& id, const std::string& display) {
        return WithDisplayName(NamespaceConfiguration(id, env.hostPort(), env.baseDn(),
                                                      id == "a" ? "ridgetest" : "othertest"),
                               id, display);
    }

    // A text the provider returned: counted, copied and freed as the host frees it.
    std::string Receive(char*& text) {
        if (text != nullptr) {
            ++m_received;
        }
        return Take(text);
    }

    int32_t Configure(const std::string& configuration, std::string& exception) {
        char* response = nullptr;
        char* failure = nullptr;
        const int32_t result =
            lib.life.Configure(configuration.c_str(), nullptr, &response, &failure);
        Receive(response);
        exception = Receive(failure);
        return result;
    }

    int32_t SetVersion(const std::string& id, int format, std::string& exception) {
        const std::string document = NamespaceVersionDocument(id, format);
        char* failure = nullptr;
        const int32_t result = lib.life.SetNamespaceVersion(document.c_str(), nullptr, &failure);
        exception = Receive(failure);
        return result;
    }

    int32_t Search(const std::string& id, std::string& answer) {
        char* response = nullptr;
        char* failure = nullptr;
        const int32_t result = lib.text.SearchXml(
            NamespaceSearchVisa(id).c_str(), NamespaceSearchQuery(id).c_str(), &response, &failure);
        answer = Receive(response);
        answer += Receive(failure);
        return result;
    }

    std::atomic<long> m_received{0};
};

}  // namespace

TEST_F(ConcurrentEntries, SearchesConfigurationsAndVersionsFromEightThreads) {
    std::string exception;
    ASSERT_EQ(Configure(Config("a", "Alpha"), exception), 0) << exception;
    ASSERT_EQ(Configure(Config("b", "Beta-0"), exception), 0) << exception;

    const std::size_t allocationsBefore = [] {
        std::lock_guard<std::mutex> guard(GetAllocations().lock);
        return GetAllocations().sizes.size();
    }();
    const long receivedBefore = m_received.load();

    std::atomic<int> failures{0};
    auto fail = [&](const std::string& what) {
        if (failures++ < 5) {
            ADD_FAILURE() << what;
        }
    };
    std::vector<std::function<void(int)>> work;
    for (int t = 0; t < 4; ++t) {  // searches of the namespace that stays
        work.push_back([&](int) {
            std::string answer;
            if (Search("a", answer) != 0 || answer.find("Alpha") == std::string::npos) {
                fail("search of a: " + answer);
            }
        });
    }
    work.push_back([&](int) {  // searches of the namespace being replaced
        std::string answer;
        if (Search("b", answer) != 0 || answer.find("Beta-") == std::string::npos) {
            fail("search of b: " + answer);
        }
    });
    for (int t = 0; t < 2; ++t) {  // replacements of b
        work.push_back([&, t](int round) {
            std::string failure;
            const std::string display = "Beta-" + std::to_string(t * kRounds + round);
            if (Configure(Config("b", display), failure) != 0) {
                fail("configure b: " + failure);
            }
        });
    }
    work.push_back([&](int round) {  // versions of both
        std::string failure;
        if (SetVersion(round % 2 == 0 ? "a" : "b", 1 + round % 3, failure) != 0) {
            fail("set version: " + failure);
        }
    });
    ASSERT_EQ(work.size(), 8u);

    std::vector<std::thread> threads;
    for (auto& job : work) {
        threads.emplace_back([&job] {
            for (int round = 0; round < kRounds; ++round) {
                job(round);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures.load(), 0);

    std::string answer;
    EXPECT_EQ(Search("b", answer), 0) << answer;
    EXPECT_NE(answer.find("Beta-"), std::string::npos) << answer;
    const std::size_t allocations = [] {
        std::lock_guard<std::mutex> guard(GetAllocations().lock);
        return GetAllocations().sizes.size();
    }();
    EXPECT_EQ(static_cast<long>(allocations - allocationsBefore),
              m_received.load() - receivedBefore);
    EXPECT_GE(m_received.load() - receivedBefore, 5L * kRounds);
}
