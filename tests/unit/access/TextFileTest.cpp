// Reading the library's files whole, key files included (trimming lines, comments and their
// numbers: SettingsTest).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "TextFile.h"

using namespace ridge::access;

namespace {

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
