// Elements read in place as liblber reads them: the same contents and the same refusals (random
// bytes from a server: tests/fuzz, fuzz_ldap_results).
#include <gtest/gtest.h>
#include <lber.h>

#include <string>
#include <vector>

#include "BerReader.h"

using namespace ridge::access;
using namespace std::string_literals;
using namespace std::string_view_literals;

namespace {

// The contents liblber reads one element after the other, up to the first it refuses.
std::vector<std::string> liblberContents(const std::string& bytes) {
    std::vector<std::string> contents;
    berval in{bytes.size(), const_cast<char*>(bytes.data())};
    BerElement* ber = ber_init(&in);
    if (!ber)
        return contents;
    berval content{0, nullptr};
    while (ber_skip_element(ber, &content) != LBER_DEFAULT) {
        contents.emplace_back(content.bv_val, content.bv_len);
        ber_len_t left = 0;
        if (ber_get_option(ber, LBER_OPT_REMAINING_BYTES, &left) != LBER_OPT_SUCCESS || left == 0)
            break;
    }
    ber_free(ber, 1);
    return contents;
}

std::vector<std::string> readerContents(const std::string& bytes) {
    std::vector<std::string> contents;
    BerReader reader(bytes);
    while (auto content = reader.next())
        contents.emplace_back(*content);
    return contents;
}

TEST(BerReader, ReadsWholeElementsAndRefusesCutOrIndefiniteOnes) {
    using V = std::vector<std::string>;
    // Short and long lengths, an empty content, a tag number past 30 in three bytes.
    const std::string three =
        "\x04\x02"
        "ab\x04\x00\x9f\x81\x05\x81\x03xyz"s;
    EXPECT_EQ((V{"ab", "", "xyz"}), readerContents(three));
    EXPECT_EQ(liblberContents(three), readerContents(three));
    const std::string big(300, 'v');
    EXPECT_EQ((V{big}), readerContents("\x04\x82\x01\x2c" + big));
    // Refused, and the reader stays where it was: content past the end, an indefinite length,
    // a cut length, a tag that never ends, more length bytes than a length holds.
    BerReader cut(
        "\x04\x01"
        "a\x04\x05"
        "abc"sv);
    EXPECT_EQ("a", cut.next());
    EXPECT_EQ(std::nullopt, cut.next());
    EXPECT_EQ(std::nullopt, cut.next());
    EXPECT_FALSE(cut.atEnd());
    for (const std::string& bad : {"\x30\x80\x00\x00"s, "\x04\x82\x01"s, "\x1f\x81\x81"s,
                                   "\x04\x89\x00\x00\x00\x00\x00\x00\x00\x00\x01"s, "\x04"s, ""s})
        EXPECT_EQ(V{}, readerContents(bad)) << testing::PrintToString(bad);
    EXPECT_TRUE(BerReader("").atEnd());
}

}  // namespace
