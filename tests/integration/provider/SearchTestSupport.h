// What the search tests share: the "searchtest" namespace loaded into the fixture's directory
// (data/search-tree.ldif, once per fixture run), the provider loaded through dlopen as a host
// loads it, configured for that namespace, sign-on as one of the namespace's users, and queries
// whose answers come back as rows (class, search path, property texts).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "DirectoryAdmin.h"
#include "HostedProvider.h"
#include "RidgeTestDirectory.h"

namespace search_test {

inline constexpr const char* kNamespaceId = "searchns";
inline constexpr const char* kPassword = "Search#2024";

// Directory ids of data/search-tree.ldif.
enum : uint32_t {
    kRootFolder = 1,
    kReader = 10,
    kPlain = 11,
    kPeople = 20,
    kSub = 21,
    kSubSub = 22,
    kPaging = 30,
    kDoomed = 31,
    kOBrien = 100,
    kZoe = 101,
    kStar = 102,
    kStarLike = 103,
    kAnn = 104,
    kAll = 50,
    kTeamA = 51,
    kTeamB = 52,
    kInner = 53,
    // Two folders named Europe under Sales and Support, two classes named Leads under Team A
    // and Team B, and two users displayed as "John Smith" in Sales.
    kSales = 40,
    kSalesEurope = 41,
    kSupport = 42,
    kSupportEurope = 43,
    kLeadsA = 54,
    kLeadsB = 55,
    kJSmith2 = 120,
    kJSmith = 121,
};

using host_calls::Vorid;
inline std::string Folder(uint32_t id) {
    return Vorid(std::string(kNamespaceId) + ":f:authid=" + std::to_string(id));
}
inline std::string Account(uint32_t id) {
    return Vorid(std::string(kNamespaceId) + ":u:authid=" + std::to_string(id));
}
inline std::string Role(uint32_t id) {
    return Vorid(std::string(kNamespaceId) + ":r:authid=" + std::to_string(id));
}
inline std::string Root() {
    return Vorid(kNamespaceId);
}

using Answer = host_calls::SearchReply;

class SearchTest : public host_calls::HostedProvider {
protected:
    void SetUp() override {
        env = ridge_test::RidgeTestDirectory::fromEnvironment();
        if (!env.available()) {
            GTEST_SKIP() << "RIDGE_TEST_ENV not set: no test directory";
        }
        Load("basalt-search-home-");
        LoadNamespace();
        if (HasFatalFailure()) {
            return;
        }
        Start(Configuration());
        reader = SignOn("reader");
    }

    std::string Configuration(const std::string& extra = "") const {
        return host_calls::Configuration(kNamespaceId, env.hostPort(), env.baseDn(),
                                         directoryNamespace, "10", "Search test", extra);
    }

    // Loads data/search-tree.ldif once per fixture run (tests run in parallel processes).
    virtual void LoadNamespace() {
        ASSERT_TRUE(ridge_test::loadTreeOnce(
            env, home, SEARCH_TEST_LDIF, "cn=Leads,cn=Team A,cn=All,ou=searchtest," + env.baseDn()))
            << "the searchtest namespace could not be loaded";
    }

    int Admin(const std::string& tool, const std::string& args, const std::string& ldif = "") {
        return ridge_test::directoryAdmin(env, home, tool, args, ldif);
    }

    // Signs a user of the namespace on; the visa.
    std::string SignOn(const std::string& user) {
        const auto reply = host_calls::Logon(*lib, kNamespaceId, user, kPassword);
        EXPECT_EQ(0, reply.code) << reply.text;
        EXPECT_NE("", reply.Visa()) << reply.text;
        return reply.Visa();
    }

    Answer Query(const std::string& visa, const std::string& path,
                 const std::vector<std::string>& properties, int skip = 0, int max = 0) {
        return host_calls::Search(*lib, visa, path, properties, skip, max);
    }

    Answer Send(const std::string& visa, const std::string& queryDocument) {
        return host_calls::SendQuery(*lib, visa, queryDocument);
    }

    // The namespace entry the provider is configured for (LoadNamespace loads it).
    std::string directoryNamespace = "searchtest";
    std::string reader;
};

}  // namespace search_test
