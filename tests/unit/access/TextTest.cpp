// Escaping for LDAP filters and DNs, and encoding conversion.
#include <AccessAPI.h>
#include <gtest/gtest.h>

#include "Encoding.h"
#include "Ldap.h"
#include "Status.h"

using namespace ridge::access;

namespace {

TEST(Escaping, FilterValuesLoseEveryFilterMetacharacter) {
    EXPECT_EQ("alice", escapeFilterValue("alice"));
    EXPECT_EQ("\\2A", escapeFilterValue("*"));
    EXPECT_EQ("alice\\29\\28uid=\\2A", escapeFilterValue("alice)(uid=*"));
    EXPECT_EQ("a\\5Cb", escapeFilterValue("a\\b"));
    EXPECT_EQ(std::string("a\\00b"), escapeFilterValue(std::string("a\0b", 3)));
}

TEST(Escaping, DnValuesRoundTripThroughTheDnParser) {
    for (std::string value : {"plain", "a,b=c+d \"e\" <f>;g\\h*(i)", " lead", "trail ", "#hash",
                              "Équipe Réseau", "x,ou=ridgetest"}) {
        std::string dn = childDn("ou", value, "dc=ridge,dc=test");
        auto parts = splitDn(dn);
        ASSERT_TRUE(parts) << dn;
        ASSERT_EQ(3u, parts->size()) << dn;
        EXPECT_EQ("ou", (*parts)[0].first);
        EXPECT_EQ(value, (*parts)[0].second) << dn;
        EXPECT_EQ("dc=ridge,dc=test", *parentDn(dn));
    }
    EXPECT_EQ("a\\2Cb", escapeDnValue("a,b"));
    EXPECT_FALSE(splitDn("not a dn"));
    EXPECT_EQ("", *parentDn("dc=test"));
    EXPECT_EQ(*normalizeDn("CN=A,O=B"), *normalizeDn("cn=A, o=B"));
}

TEST(Encoding, ConvertsAndRefusesInvalidBytes) {
    EXPECT_EQ("chlo\xc3\xa9", toUtf8("cp1252", "chlo\xe9"));
    EXPECT_EQ("chlo\xe9", fromUtf8("cp1252", "chlo\xc3\xa9"));
    EXPECT_EQ("chlo\xc3\xa9", toUtf8("utf8", "chlo\xc3\xa9"));
    try {
        toUtf8("utf8", "chlo\xe9");
        ADD_FAILURE() << "invalid UTF-8 accepted";
    } catch (const AccessError& e) {
        EXPECT_EQ(AS_ERR_INVALID_TEXT, e.code());
    }
    try {
        toUtf8("no-such-encoding", "x");
        ADD_FAILURE() << "unknown encoding accepted";
    } catch (const AccessError& e) {
        EXPECT_EQ(AS_ERR_UNKNOWN_ENCODING, e.code());
    }
    // Not representable in cp1252: substituted, not dropped silently into garbage.
    EXPECT_EQ(1u, fromUtf8("cp1252", "\xe2\x82\xac").size());  // euro sign exists in cp1252
    EXPECT_EQ("\x1a", fromUtf8("cp1252", "\xe4\xb8\xad"));     // CJK: substitution character
}

TEST(Encoding, TruncationKeepsWholeCharacters) {
    char buf[6];
    EXPECT_EQ(4u, copyTruncated("utf8", "abcd\xc3\xa9", buf, sizeof buf));  // 6 bytes, room for 5
    EXPECT_STREQ("abcd", buf);
    EXPECT_EQ(5u, copyTruncated("cp1252", "abcde\xe9", buf, sizeof buf));
    EXPECT_STREQ("abcde", buf);
    EXPECT_EQ(0u, copyTruncated("utf8", "abc", buf, 0));
    EXPECT_EQ("ab", utf8Prefix("ab\xc3\xa9", 3));
    EXPECT_EQ("ab\xc3\xa9", utf8Prefix("ab\xc3\xa9", 4));
}

}  // namespace
