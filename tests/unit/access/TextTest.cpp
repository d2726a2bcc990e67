// Escaping for DNs, and encoding conversion (filters: LdapFilterTest).
#include <AccessAPI.h>
#include <gtest/gtest.h>

#include "Encoding.h"
#include "Ldap.h"
#include "Status.h"

using namespace ridge::access;

namespace {

// Names with DN syntax sign on literally against slapd (tests/integration/signon); here, the
// values a directory name cannot be given plainly, and plain ones (written without the library).
TEST(Escaping, DnValuesRoundTripThroughTheDnParser) {
    for (std::string value :
         {"a,b=c+d \"e\" <f>;g\\h*(i)", " lead", "trail ", "#hash", "x,ou=t", "Ann Smith-Jones",
          "a.b_c@d", "-1", "9f86d081884c7d65", "chlo\xc3\xa9"}) {
        auto parts = splitDn(childDn("ou", value, "dc=ridge,dc=test"));
        ASSERT_TRUE(parts) << value;
        ASSERT_EQ(3u, parts->size()) << value;
        EXPECT_EQ(value, (*parts)[0].second);
    }
    EXPECT_FALSE(splitDn("not a dn"));
    EXPECT_EQ("", *parentDn("dc=test"));
    EXPECT_EQ(*normalizeDn("CN=A,O=B"), *normalizeDn("cn=A, o=B"));
}

// Plain DNs are lowered by hand; a space after each ',' sends the same DN through libldap, and
// both must agree. The others must not take the short way.
TEST(Text, PlainDnsNormalizeAsTheParserDoes) {
    for (const char* dn : {"CN=Ann Smith,OU=People,DC=ridge,DC=test",
                           "uid=ann.smith@x-y_z,o=Ridge-2", "Ou=9,dc=A", "l=Saint Malo,c=FR"}) {
        std::string spaced(dn);
        for (std::size_t at = spaced.find(','); at != std::string::npos;
             at = spaced.find(',', at + 2))
            spaced.insert(at + 1, " ");
        EXPECT_EQ(normalizeDn(dn), normalizeDn(spaced)) << dn;
    }
    EXPECT_EQ("cn=Ann Smith,ou=People", *normalizeDn("CN=Ann Smith,OU=People"));
    EXPECT_EQ("cn=\\2Ca,o=b", *normalizeDn("CN=\\,a,O=b"));
    EXPECT_EQ("cn=a\\20,o=b", *normalizeDn("cn=a\\20,o=b"));
    EXPECT_EQ("", *normalizeDn(""));
    for (const char* bad : {"cn=a,", "=a", "cn=a,,o=b", "cn"})
        EXPECT_FALSE(normalizeDn(bad)) << bad;
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
    EXPECT_EQ("\x1a", fromUtf8("cp1252", "\xe4\xb8\xad"));  // CJK: substitution character
}

// Well-formed UTF-8 skips the converters; anything else must still be judged exactly as ICU's
// UTF-8 converter (reached here through another of its names) judges it.
TEST(Encoding, Utf8ShortcutAgreesWithTheConverter) {
    const auto outcome = [](auto convert, const std::string& encoding, const std::string& text) {
        try {
            return convert(encoding, text);
        } catch (const AccessError& e) {
            return "error " + std::to_string(e.code());
        }
    };
    const auto in = [](const std::string& e, const std::string& t) { return toUtf8(e, t); };
    const auto out = [](const std::string& e, const std::string& t) { return fromUtf8(e, t); };
    // One of each kind: 2- and 4-byte characters, a NUL, overlong, surrogate, past U+10FFFF,
    // a lone continuation, a cut sequence.
    const std::string samples[] = {"Zo\xc3\xab", "\xf0\x9f\x98\x80", std::string("a\0b", 3),
                                   "\xc0\x80",   "\xed\xa0\x80",     "\xf4\x90\x80\x80",
                                   "\x80",       "ab\xe2\x82"};
    for (const std::string& text : samples) {
        EXPECT_EQ(outcome(in, "ibm-1208", text), outcome(in, "utf8", text));
        EXPECT_EQ(outcome(out, "ibm-1208", text), outcome(out, "Utf_8", text));
    }
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
