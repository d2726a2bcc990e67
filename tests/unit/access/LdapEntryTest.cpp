// An entry's attributes as the reads ask for them: by name in any case, every value of a
// multi-valued attribute in the order the server sent them, options naming attributes of their
// own, and nothing (never a failure) for what the entry does not have.
#include <gtest/gtest.h>

#include "Ldap.h"

using namespace ridge::access;

namespace {

TEST(LdapEntry, AttributesAreFoundInAnyCaseWithEveryValue) {
    LdapEntry e;
    e.dn = "uid=a,ou=F,dc=x";
    e.attributes["ridgeId"] = {"42"};
    e.attributes["objectClass"] = {"top", "ridgeUser"};
    e.attributes["cn;lang-fr"] = {"Alice FR"};
    e.attributes["cn"] = {"Alice"};

    EXPECT_EQ("42", e.value("RIDGEID"));
    EXPECT_EQ("42", e.value("ridgeid"));
    EXPECT_EQ((std::vector<std::string>{"top", "ridgeUser"}), e.values("OBJECTCLASS"));
    EXPECT_EQ("top", e.value("objectclass"));
    // An option is part of the name: neither stands in for the other.
    EXPECT_EQ("Alice", e.value("CN"));
    EXPECT_EQ("Alice FR", e.value("CN;LANG-FR"));
    EXPECT_FALSE(e.has("cn;lang-de"));
    // A name that is a prefix of another, or longer than any, is not found.
    EXPECT_FALSE(e.has("ridge"));
    EXPECT_FALSE(e.has("ridgeIdentifierOfSomethingElseEntirely"));
    // Names are kept lower-cased, once each.
    ASSERT_EQ(4u, e.attributes.size());
    EXPECT_EQ("objectclass", std::next(e.attributes.begin())->first);
}

TEST(LdapEntry, ValuesOfOneNameInSeveralSpellingsAreKeptTogether) {
    LdapEntry e;
    e.attributes["member"].push_back("uid=a");
    e.attributes["MEMBER"].push_back("uid=b");
    EXPECT_EQ(1u, e.attributes.size());
    EXPECT_EQ((std::vector<std::string>{"uid=a", "uid=b"}), e.values("Member"));
}

TEST(LdapEntry, AbsentOrEmptyAttributesGiveNothing) {
    const LdapEntry none;
    EXPECT_TRUE(none.attributes.empty());
    EXPECT_EQ("", none.value("cn"));
    EXPECT_TRUE(none.values("cn").empty());
    EXPECT_FALSE(none.has(""));

    LdapEntry e;
    e.attributes["description"];  // present without values
    EXPECT_TRUE(e.has("Description"));
    EXPECT_EQ("", e.value("description"));
    EXPECT_TRUE(e.values("description").empty());
}

}  // namespace
