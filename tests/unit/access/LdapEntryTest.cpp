// An entry's attributes as the reads ask for them: by name in any case, every value of a
// multi-valued attribute in the order the server sent them, options naming attributes of their
// own, and nothing (never a failure) for what the entry does not have.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Ldap.h"

using namespace ridge::access;

namespace {

using Texts = std::vector<std::string>;

Texts texts(const LdapAttributes::Values& values) {
    return Texts(values.begin(), values.end());
}

TEST(LdapEntry, AttributesAreFoundInAnyCaseWithEveryValue) {
    LdapEntry e;
    e.dn = "uid=a,ou=F,dc=x";
    e.attributes.add("ridgeId", {"42"});
    e.attributes.add("objectClass", {"top", "ridgeUser"});
    e.attributes.add("cn;lang-fr", {"Alice FR"});
    e.attributes.add("cn", {"Alice"});

    EXPECT_EQ("42", e.value("RIDGEID"));
    EXPECT_EQ((Texts{"top", "ridgeUser"}), texts(e.values("OBJECTCLASS")));
    // An option is part of the name: neither stands in for the other.
    EXPECT_EQ("Alice", e.value("CN"));
    EXPECT_EQ("Alice FR", e.value("CN;LANG-FR"));
    EXPECT_FALSE(e.has("cn;lang-de"));
    // A name that is a prefix of another, or longer than any, is not found.
    EXPECT_FALSE(e.has("ridge"));
    EXPECT_FALSE(e.has("ridgeIdentifierOfSomethingElseEntirely"));
    EXPECT_EQ(4u, e.attributes.size());
    // Absent, or present without values: nothing, never a failure.
    e.attributes.add("description");
    EXPECT_TRUE(e.has("Description"));
    EXPECT_EQ("", e.value("description"));
    EXPECT_TRUE(e.values("description").empty());
    const LdapEntry none;
    EXPECT_EQ("", none.value("cn"));
    EXPECT_TRUE(none.values("cn").empty());
    EXPECT_FALSE(none.has(""));
}

TEST(LdapEntry, ValuesOfOneNameInSeveralSpellingsAreKeptTogether) {
    // A name seen again after others gets its values after its own, and the attributes after
    // it keep theirs.
    LdapEntry e;
    e.attributes.add("member", {"uid=a"});
    e.attributes.add("cn", {"Team"});
    e.attributes.add("description");
    e.attributes.add("ou", {"x", "y"});
    e.attributes.add("MEMBER", {"uid=b", "uid=c"});
    e.attributes.add("Description", {"a team"});
    e.attributes.add("member", {"uid=d"});
    EXPECT_EQ(4u, e.attributes.size());
    EXPECT_EQ((Texts{"uid=a", "uid=b", "uid=c", "uid=d"}), texts(e.values("Member")));
    EXPECT_EQ((Texts{"Team"}), texts(e.values("cn")));
    EXPECT_EQ((Texts{"a team"}), texts(e.values("description")));
    EXPECT_EQ((Texts{"x", "y"}), texts(e.values("ou")));
}

TEST(LdapEntry, ACopyOrAMovedEntryReadsItsOwnValuesWhateverTheirSize) {
    // Values are kept together in one text: they must stay whole as it grows, and a copy or a
    // moved entry must read its own (short texts are held inside the string object itself).
    auto original = std::make_unique<LdapEntry>();
    original->attributes.reserve(1, 1, 4);
    original->attributes.add("cn", {"A"});
    const std::string longText(5000, 'x');
    for (int i = 0; i < 40; ++i)
        original->attributes.add("a" + std::to_string(i), {std::to_string(i), longText});
    LdapEntry copy = *original;
    LdapEntry moved = std::move(*original);
    original.reset();
    for (const LdapEntry* e : {&copy, &moved}) {
        EXPECT_EQ("A", e->value("cn"));
        EXPECT_EQ(41u, e->attributes.size());
        EXPECT_EQ((Texts{"39", longText}), texts(e->values("a39")));
    }
    LdapEntry small;
    small.attributes.add("cn", {"B"});
    LdapEntry smallMoved = std::move(small);
    EXPECT_EQ("B", smallMoved.value("cn"));
}

}  // namespace
