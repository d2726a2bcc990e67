// Configuring namespaces against the fixture's directory through the provider's tables, as a
// host does: one namespace, two, the same identifier twice (from several threads at once: the
// stress test).
#include "ProviderTablesTest.h"

#include <gtest/gtest.h>

using namespace provider_test;

namespace {

class ConfigureDirectory : public ProviderTablesTest {
protected:
    std::string Config(const std::string& id, const std::string& directoryNamespace,
                       const std::string& display = "") {
        const std::string text =
            NamespaceConfiguration(id, env.hostPort(), env.baseDn(), directoryNamespace);
        return display.empty() ? text : WithDisplayName(text, id, display);
    }

    // The namespace object as the namespace-level search returns it ("" on failure).
    std::string SearchNamespace(const std::string& id) {
        char* response = nullptr;
        char* exception = nullptr;
        const int32_t result =
            lib.text.SearchXml(NamespaceSearchVisa(id).c_str(), NamespaceSearchQuery(id).c_str(),
                               &response, &exception);
        const std::string answer = Take(response);
        const std::string failure = Take(exception);
        EXPECT_EQ(result, 0) << failure;
        return answer;
    }
};

}  // namespace

TEST_F(ConfigureDirectory, NamespacesAnswerWithTheirObjectAndTheSameIdentifierReplaces) {
    std::string response, exception;
    ASSERT_EQ(lib.Configure(Config("ns1", "ridgetest"), response, exception), 0) << exception;
    EXPECT_TRUE(exception.empty());
    EXPECT_NE(response.find("<item xsi:type=\"cm:namespace\""), std::string::npos) << response;
    EXPECT_NE(response.find("cm:baseClass[1]"), std::string::npos) << response;
    const char* capabilities[] = {"startsWith", "endsWith", "contains", "equals", "caseSensitive"};
    std::size_t at = 0;
    for (const char* capability : capabilities) {
        const std::size_t found = response.find(std::string(">") + capability + "<", at);
        ASSERT_NE(found, std::string::npos) << capability << " in order: " << response;
        at = found;
    }

    // The namespace answers for itself without a signed-on user.
    const std::string object = SearchNamespace("ns1");
    EXPECT_NE(object.find("ns1 display"), std::string::npos) << object;
    EXPECT_NE(object.find(">namespace<"), std::string::npos) << object;

    char* text = nullptr;
    EXPECT_EQ(
        lib.life.SetNamespaceVersion(NamespaceVersionDocument("ns1", 3).c_str(), nullptr, &text),
        0);
    EXPECT_EQ(text, nullptr);

    // A second namespace, and the first identifier again: the later configuration replaces it.
    ASSERT_EQ(lib.Configure(Config("ns2", "othertest", "Second"), response, exception), 0)
        << exception;
    ASSERT_EQ(lib.Configure(Config("ns1", "ridgetest", "Replacement"), response, exception), 0)
        << exception;
    const std::string replaced = SearchNamespace("ns1");
    EXPECT_NE(replaced.find("Replacement"), std::string::npos) << replaced;
    EXPECT_EQ(replaced.find("ns1 display"), std::string::npos) << replaced;
    EXPECT_NE(SearchNamespace("ns2").find("Second"), std::string::npos);
}

TEST_F(ConfigureDirectory, AnUnknownDirectoryNamespaceFailsWithTheLibraryText) {
    std::string response, exception;
    EXPECT_EQ(lib.Configure(Config("ns1", "nosuchnamespace"), response, exception), -1);
    EXPECT_TRUE(response.empty());
    EXPECT_NE(exception.find("AS_GetNamespaceProperties2 for nosuchnamespace"), std::string::npos)
        << exception;
}
