// Reading the library's files whole and trimming their lines.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string_view>
#include <utility>
#include <vector>

#include "TextFile.h"

using namespace ridge::access;

namespace {

TEST(TextFile, TrimDropsAsciiWhiteSpaceOnlyAndKeepsTheInside) {
    EXPECT_EQ(trim(" \t\r\n\v\fkey = value \t\r\n"), "key = value");
    EXPECT_EQ(trim(""), "");
    EXPECT_EQ(trim(" \t\r\n "), "");
    EXPECT_EQ(trim("x"), "x");
    // "à" is C3 A0 in UTF-8: its last byte is not a space, whatever the locale thinks of 0xA0.
    EXPECT_EQ(trim(" voil\xC3\xA0 "), "voil\xC3\xA0");
    EXPECT_EQ(trim("\xA0"), "\xA0");
}

TEST(TextFile, ListsAndLinesComeTrimmedWithTheirPlaces) {
    using Items = std::vector<std::string_view>;
    EXPECT_EQ(splitTrimmed(" basic , os,,", ','), (Items{"basic", "os", "", ""}));
    EXPECT_EQ(splitTrimmed("", ','), (Items{""}));
    // Comments and empty lines are skipped but counted; a false return stops the reading.
    std::vector<std::pair<std::string_view, int>> seen;
    forEachLine("# head\n\n  a = 1 \r\nb\nc\n", [&](std::string_view line, int no) {
        seen.emplace_back(line, no);
        return line != "b";
    });
    EXPECT_EQ(seen, (std::vector<std::pair<std::string_view, int>>{{"a = 1", 3}, {"b", 4}}));
}

TEST(TextFile, ReadFileReturnsEveryByteOrNothing) {
    char dir[] = "/tmp/textfile-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/data";
    const std::string bytes("a\0b\r\n\xFF", 6);
    std::ofstream(path, std::ios::binary) << bytes;
    EXPECT_EQ(readFile(path), bytes);
    std::ofstream(path, std::ios::binary | std::ios::trunc).close();
    EXPECT_EQ(readFile(path), "");
    EXPECT_EQ(readFile(std::string(dir) + "/absent"), std::nullopt);
    unlink(path.c_str());
    rmdir(dir);
}

}  // namespace
