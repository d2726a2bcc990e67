// Reading the library's files whole and trimming their lines (lines, comments and their numbers:
// SettingsTest).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

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
