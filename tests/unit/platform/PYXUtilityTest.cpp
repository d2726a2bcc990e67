#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "PYXFm.h"
#include "PYXHome.h"
#include "PYXThrowable.h"
#include "PYXUtConvert.h"
#include "TempDirectory.h"

namespace {

TEST(PYXUtConvert, AcceptsDecimalTextWithinThirtyTwoBits) {
    EXPECT_EQ(PYXUtConvert::longCvt("0"), 0);
    EXPECT_EQ(PYXUtConvert::longCvt("-2147483648"), INT32_MIN);
    EXPECT_EQ(PYXUtConvert::longCvt("+2147483647"), INT32_MAX);
    EXPECT_EQ(PYXUtConvert::longCvt(std::string("-61")), -61);
    EXPECT_EQ(PYXUtConvert::longCvt(I18NString("0042")), 42);
    EXPECT_EQ(PYXUtConvert::ulongCvt("4294967295"), UINT32_MAX);
    EXPECT_EQ(PYXUtConvert::ulongCvt(I18NString("17")), 17u);
    EXPECT_EQ(PYXUtConvert::longCvt(int64_t{-125}), "-125");
    EXPECT_EQ(PYXUtConvert::ulongCvt(uint64_t{4294967295u}), "4294967295");
}

TEST(PYXUtConvert, ReportsJunkAndOverflow) {
    auto messageOf = [](auto&& body) -> uint32_t {
        try {
            body();
        } catch (PYXException& e) {
            EXPECT_EQ(e.getErrorCode(), kPYXErrorConversion);
            return e.getMessageN(0).getNumber();
        }
        return 0;
    };
    for (const char* junk : {"", " 1", "1 ", "12a", "0x10", "-", "+", "1.5", "--1", "\xD9\xA1"}) {
        EXPECT_EQ(messageOf([&] { PYXUtConvert::longCvt(junk); }), kPYXMsgNotANumber) << junk;
        EXPECT_EQ(messageOf([&] { PYXUtConvert::ulongCvt(junk); }), kPYXMsgNotANumber) << junk;
    }
    for (const char* big : {"2147483648", "-2147483649", "99999999999999999999999"}) {
        EXPECT_EQ(messageOf([&] { PYXUtConvert::longCvt(big); }), kPYXMsgNumberRange) << big;
    }
    EXPECT_EQ(messageOf([] { PYXUtConvert::ulongCvt("4294967296"); }), kPYXMsgNumberRange);
    EXPECT_EQ(messageOf([] { PYXUtConvert::ulongCvt("-1"); }), kPYXMsgNumberRange);
    EXPECT_EQ(messageOf([] { PYXUtConvert::longCvt(static_cast<const char*>(nullptr)); }),
              kPYXMsgNotANumber);

    int32_t out = 7;
    EXPECT_FALSE(PYXUtConvert::tryLongCvt("9x", out));
    EXPECT_EQ(out, 7);
    uint32_t uout = 0;
    EXPECT_TRUE(PYXUtConvert::tryUlongCvt("123", uout));
    EXPECT_EQ(uout, 123u);
}

TEST(PYXFm, PathsAndDirectories) {
    const std::pair<const char*, std::pair<std::string, std::string>> splits[] = {
        {"/etc/ssl/ca.pem", {"/etc/ssl", "ca.pem"}},
        {"ca.pem", {"", "ca.pem"}},
        {"/ca.pem", {"/", "ca.pem"}},
        {"certs/", {"certs", ""}}};
    for (const auto& [path, expected] : splits) {
        std::string dir;
        std::string file;
        PYXFmDir::splitPath(path, dir, file);
        EXPECT_EQ(std::make_pair(dir, file), expected) << path;
    }
    EXPECT_EQ(PYXFmDir::resolveEffectivePath("/a/./b/../c/"), "/a/c");
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(PYXFmDir::resolveEffectivePath("x/../y"), cwd + "/y");
    EXPECT_EQ(PYXFmDir::resolveEffectivePath(""), "");

    TempDirectory tmp;
    const std::string path = (tmp.path() / "f.txt").string();
    std::ofstream(path) << "content\n";
    EXPECT_TRUE(PYXFmDir::exists(tmp.str()));
    EXPECT_FALSE(PYXFmDir::exists(path));  // a file is not a directory
    PYXFmFile handle;
    EXPECT_FALSE(handle.open(tmp.str()));  // a directory does not open as a file
    EXPECT_FALSE(handle.open(tmp.str() + "/missing"));
    EXPECT_FALSE(handle.lastError().empty());
    ASSERT_TRUE(handle.open(I18NString(path)));
    EXPECT_EQ(handle.readAll(), "content\n");
    handle.close();
    EXPECT_THROW(handle.readAll(), PYXException);
    EXPECT_EQ(PYXFmFile::readFile(path), "content\n");
    EXPECT_THROW(PYXFmFile::readFile(path + ".missing"), PYXException);
}

TEST(PYXHome, EnvironmentWinsOverTheSourceTree) {
    {
        ScopedEnv home("BASALT_HOME", "/opt/basalt/home/");
        EXPECT_EQ(PYXHomeDirectory(), "/opt/basalt/home");
        EXPECT_EQ(PYXMessagesDirectory(), "/opt/basalt/home/messages");
    }
    ScopedEnv unset("BASALT_HOME", "");
    ::unsetenv("BASALT_HOME");
    EXPECT_TRUE(std::filesystem::is_directory(PYXHomeDirectory() + "/messages"));
}

}  // namespace
