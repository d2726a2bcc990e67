// Filters built from parts: values can never change a filter's structure.
#include <AccessAPI.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "LdapFilter.h"
#include "Status.h"

using namespace ridge::access;

namespace {

// Against slapd, injected values find only what they name (tests/integration/access and signon);
// here, the escaping itself and the joints of substrings and lists.
TEST(Filter, ValuesAreEscapedAndPartsCombine) {
    EXPECT_EQ(Filter::equal("uid", "*)(|(uid=*").text(), "(uid=\\2A\\29\\28|\\28uid=\\2A)");
    EXPECT_EQ(Filter::equal("cn", std::string("a\\\0b", 4)).text(), "(cn=a\\5C\\00b)");
    EXPECT_EQ(Filter::equal("cn", "\xC3\x89").text(), "(cn=\\C3\\89)");  // every byte past ASCII
    EXPECT_EQ(Filter::atMost("x", "1)").text(), "(x<=1\\29)");
    EXPECT_EQ(Filter::equal("ridgeId", uint64_t{4294967295}).text(), "(ridgeId=4294967295)");
    // Stars inside a piece are text; only the joints between pieces are wildcards.
    EXPECT_EQ(Filter::substrings("cn", {"a*", "(b)", ""}).text(), "(cn=a\\2A*\\28b\\29*)");
    EXPECT_EQ(Filter::substrings("cn", {"a", "", "", "b"}).text(), "(cn=a*b)");
    EXPECT_EQ(Filter::substrings("cn", {"*"}), Filter::equal("cn", "*"));

    const Filter user = Filter::equal("objectClass", "ridgeUser");
    EXPECT_EQ(Filter::all({user, Filter::present("cn")}).text(),
              "(&(objectClass=ridgeUser)(cn=*))");
    EXPECT_EQ(Filter::any({user}), user);
    // No part: the filters that are always true and always false.
    EXPECT_EQ(Filter::all({}).text(), "(&)");
    EXPECT_EQ(Filter::any({}).text(), "(|)");
}

// Evaluates the filters oneOf writes ((&...), (|...), (!...), (a=n), (a>=n)) for an entry whose
// attribute holds the single number value, as a server does: a list stops at its first false
// (&) or true (|) part. `tests` counts the items evaluated.
bool matches(const std::string& f, size_t& at, uint64_t value, bool evaluated, size_t& tests) {
    EXPECT_EQ(f[at], '(');
    ++at;
    const char op = f[at];
    if (op == '&' || op == '|' || op == '!') {
        ++at;
        bool result = op == '&';
        bool decided = false;
        while (f[at] == '(') {
            const bool part = matches(f, at, value, evaluated && !decided, tests);
            if (op == '!') {
                result = !part;
            } else if (!decided && part != result) {
                result = part;
                decided = true;
            }
        }
        ++at;
        return result;
    }
    const size_t end = f.find(')', at);
    const std::string item = f.substr(at, end - at);
    at = end + 1;
    tests += evaluated ? 1 : 0;
    const size_t ge = item.find(">=");
    if (ge != std::string::npos)
        return value >= std::stoull(item.substr(ge + 2));
    return value == std::stoull(item.substr(item.find('=') + 1));
}

TEST(Filter, OneOfMatchesExactlyItsNumbersInFewTests) {
    EXPECT_EQ(Filter::oneOf("ridgeId", {7}).text(), "(ridgeId=7)");
    // Sorted, duplicates dropped, runs of two behind a guard on the next run's first number.
    EXPECT_EQ(Filter::oneOf("ridgeId", {9, 3, 5, 3}).text(),
              "(|(&(!(ridgeId>=9))(|(ridgeId=3)(ridgeId=5)))(ridgeId=9))");
    std::mt19937 random(12);
    for (size_t count : {2, 3, 10, 50, 99, 100, 101, 400}) {
        std::vector<uint64_t> numbers;
        for (size_t i = 0; i < count; ++i)
            numbers.push_back(random() % 1000 + 1);
        const std::string text = Filter::oneOf("ridgeId", numbers).text();
        size_t most = 0;
        for (uint64_t value = 0; value <= 1002; ++value) {
            size_t at = 0;
            size_t tests = 0;
            const bool wanted = std::find(numbers.begin(), numbers.end(), value) != numbers.end();
            ASSERT_EQ(wanted, matches(text, at, value, true, tests)) << count << " " << value;
            ASSERT_EQ(text.size(), at);
            if (wanted)
                most = std::max(most, tests);
        }
        // A wanted entry meets the guards before its run and its run: about 2 sqrt(count)
        // terms, where a flat list makes it meet up to count.
        EXPECT_LE(most, 2 * static_cast<size_t>(std::ceil(std::sqrt(count))) + 1) << count;
    }
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
