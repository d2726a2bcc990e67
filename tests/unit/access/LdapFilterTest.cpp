// Filters built from parts: values can never change a filter's structure.
#include <AccessAPI.h>
#include <gtest/gtest.h>

#include "LdapFilter.h"
#include "Status.h"

using namespace ridge::access;

namespace {

TEST(Filter, ValuesAreEscapedWhateverTheyHold) {
    EXPECT_EQ(Filter::equal("cn", "alice").text(), "(cn=alice)");
    // Every filter metacharacter, and an attempt to close the item and open another.
    EXPECT_EQ(Filter::equal("uid", "*)(|(uid=*").text(), "(uid=\\2A\\29\\28|\\28uid=\\2A)");
    EXPECT_EQ(Filter::equal("cn", "a\\b").text(), "(cn=a\\5Cb)");
    EXPECT_EQ(Filter::equal("cn", std::string("a\0b", 3)).text(), "(cn=a\\00b)");
    EXPECT_EQ(Filter::equal("cn", "").text(), "(cn=)");
    // UTF-8 is a value like any other: each byte outside ASCII is written escaped.
    EXPECT_EQ(Filter::equal("cn", "\xC3\x89quipe").text(), "(cn=\\C3\\89quipe)");
    EXPECT_EQ(Filter::atMost("ridgeTicketExpiry", "20260101000000Z)").text(),
              "(ridgeTicketExpiry<=20260101000000Z\\29)");
    EXPECT_EQ(Filter::equal("ridgeId", uint64_t{4294967295}).text(), "(ridgeId=4294967295)");
    EXPECT_EQ(Filter::present("objectClass").text(), "(objectClass=*)");
}

TEST(Filter, SubstringsKeepEachPieceLiteral) {
    // Stars inside a piece are text; only the joints between pieces are wildcards.
    EXPECT_EQ(Filter::substrings("cn", {"a*", "(b)", ""}).text(), "(cn=a\\2A*\\28b\\29*)");
    EXPECT_EQ(Filter::substrings("cn", {"", ":x?"}).text(), "(cn=*:x?)");
    EXPECT_EQ(Filter::substrings("cn", {"a", "", "", "b"}).text(), "(cn=a*b)");
    EXPECT_EQ(Filter::substrings("cn", {"", "", ""}).text(), "(cn=*)");
    EXPECT_EQ(Filter::substrings("cn", {"*"}), Filter::equal("cn", "*"));
    EXPECT_EQ(Filter::substrings("cn", {std::string_view("\0", 1), ""}).text(), "(cn=\\00*)");
}

TEST(Filter, PartsCombineAndOnePartStandsAlone) {
    const Filter user = Filter::equal("objectClass", "ridgeUser");
    const Filter ids =
        Filter::any({Filter::equal("ridgeId", uint64_t{1}), Filter::equal("ridgeId", uint64_t{2})});
    EXPECT_EQ(Filter::all({user, ids}).text(),
              "(&(objectClass=ridgeUser)(|(ridgeId=1)(ridgeId=2)))");
    EXPECT_EQ(Filter::all({user}), user);
    EXPECT_EQ(Filter::any({user}), user);
    // No part: the filters that are always true and always false.
    EXPECT_EQ(Filter::all({}).text(), "(&)");
    EXPECT_EQ(Filter::any({}).text(), "(|)");
}

TEST(Filter, AttributeNamesMustBeNames) {
    for (const char* bad : {"", "cn=x)(uid", "c n", "cn*", "cn\xC3\xA9"}) {
        try {
            Filter::equal(bad, "v");
            ADD_FAILURE() << bad;
        } catch (const AccessError& e) {
            EXPECT_EQ(e.code(), AS_ERR_INTERNAL) << bad;
        }
    }
    EXPECT_EQ(Filter::present("1.3.6.1.4.1.1466.115.121.1.15;lang-fr").text(),
              "(1.3.6.1.4.1.1466.115.121.1.15;lang-fr=*)");
}

}  // namespace
