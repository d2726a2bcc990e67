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
#include "HostCalls.h"
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

class SearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        env = ridge_test::RidgeTestDirectory::fromEnvironment();
        if (!env.available()) {
            GTEST_SKIP() << "RIDGE_TEST_ENV not set: no test directory";
        }
        home = env.copyTestHome("basalt-search-home-");
        setenv("BASALT_HOME", home.c_str(), 1);
        LoadNamespace();
        if (HasFatalFailure()) {
            return;
        }
        xerces = std::make_unique<basalt_host::XercesSession>();
        library = std::make_unique<basalt_host::ProviderLibrary>(BASALT_LIBRARY_PATH);
        ASSERT_EQ(0, library->initialize(AdditionalInfo()).code);
        const auto configured = library->configure(Configuration(), AdditionalInfo());
        ASSERT_EQ(0, configured.code) << configured.exception.value_or("");
        reader = SignOn("reader");
    }

    void TearDown() override {
        if (library) {
            library->terminate(AdditionalInfo());
        }
        library.reset();
        xerces.reset();
        if (!home.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(home, ignored);
        }
    }

    std::string AdditionalInfo() const {
        return basalt_host::additionalInfoDocument("en-us", "en-us");
    }

    std::string Configuration(const std::string& extra = "") const {
        auto parameter = [](const std::string& name, const std::string& value) {
            return "<parameter name=\"" + name + "\"><value>" + value + "</value></parameter>";
        };
        return "<instance name=\"Search test\" class=\"ridge\">" + parameter("id", kNamespaceId) +
               parameter("connection", env.hostPort()) + parameter("baseDN", env.baseDn()) +
               parameter("namespace", directoryNamespace) + parameter("timeOut", "10") + extra +
               "</instance>";
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
        const std::string document =
            "<authenticateDocument><biBusHeader><VOR><action>logon</action><credentials>"
            "<credential><namespace>" +
            std::string(kNamespaceId) + "</namespace><username>" + basalt_host::xmlEscape(user) +
            "</username><password>" + kPassword +
            "</password></credential></credentials></VOR></biBusHeader></authenticateDocument>";
        const auto outcome = library->authenticateXml(document);
        EXPECT_EQ(0, outcome.code) << outcome.response.value_or("");
        const std::string response = outcome.response.value_or("");
        const auto root = basalt_host::parseXml(response.empty() ? "<none/>" : response, "answer");
        const basalt_host::XmlElement* visa = root->find("visa");
        EXPECT_NE(nullptr, visa) << response;
        return visa != nullptr ? basalt_host::serializeXml(*visa) : std::string();
    }

    Answer Query(const std::string& visa, const std::string& path,
                 const std::vector<std::string>& properties, int skip = 0, int max = 0) {
        return host_calls::Search(*library, visa, path, properties, skip, max);
    }

    Answer Send(const std::string& visa, const std::string& queryDocument) {
        const auto outcome = library->searchXml(visa, queryDocument);
        Answer answer;
        answer.code = outcome.code;
        answer.response = outcome.response.value_or("");
        answer.exception = outcome.exception.value_or("");
        if (answer.code == 0 && !answer.response.empty()) {
            answer.rows = basalt_host::responseRows(*basalt_host::parseXml(answer.response, "r"));
        }
        return answer;
    }

    ridge_test::RidgeTestDirectory env;
    // The namespace entry the provider is configured for (LoadNamespace loads it).
    std::string directoryNamespace = "searchtest";
    std::string home;
    std::unique_ptr<basalt_host::XercesSession> xerces;
    std::unique_ptr<basalt_host::ProviderLibrary> library;
    std::string reader;
};

}  // namespace search_test
