#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "PYXFm.h"
#include "PYXHome.h"
#include "PYXThrowable.h"
#include "PYXUtConvert.h"

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
    std::string dir;
    std::string file;
    PYXFmDir::splitPath("/etc/ssl/ca.pem", dir, file);
    EXPECT_EQ(dir, "/etc/ssl");
    EXPECT_EQ(file, "ca.pem");
    PYXFmDir::splitPath("ca.pem", dir, file);
    EXPECT_EQ(dir, "");
    EXPECT_EQ(file, "ca.pem");
    PYXFmDir::splitPath("/ca.pem", dir, file);
    EXPECT_EQ(dir, "/");
    PYXFmDir::splitPath("certs/", dir, file);
    EXPECT_EQ(dir, "certs");
    EXPECT_EQ(file, "");

    EXPECT_EQ(PYXFmDir::resolveEffectivePath("/a/./b/../c/"), "/a/c");
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(PYXFmDir::resolveEffectivePath("x/../y"), cwd + "/y");
    EXPECT_EQ(PYXFmDir::resolveEffectivePath(""), "");

    const auto tmp = std::filesystem::temp_directory_path() / "pyx-fm-test";
    std::filesystem::create_directories(tmp);
    const std::string path = (tmp / "f.txt").string();
    std::ofstream(path) << "content\n";
    EXPECT_TRUE(PYXFmDir::exists(tmp.string()));
    EXPECT_FALSE(PYXFmDir::exists(path));  // a file is not a directory
    EXPECT_FALSE(PYXFmDir::exists(tmp.string() + "/missing"));

    PYXFmFile handle;
    EXPECT_FALSE(handle.open(tmp.string()));  // a directory does not open as a file
    EXPECT_FALSE(handle.open(tmp.string() + "/missing"));
    EXPECT_FALSE(handle.lastError().empty());
    ASSERT_TRUE(handle.open(I18NString(path)));
    EXPECT_EQ(handle.readAll(), "content\n");
    handle.close();
    EXPECT_FALSE(handle.isOpen());
    EXPECT_THROW(handle.readAll(), PYXException);
    EXPECT_EQ(PYXFmFile::readFile(path), "content\n");
    EXPECT_THROW(PYXFmFile::readFile(path + ".missing"), PYXException);
    std::filesystem::remove_all(tmp);
}

TEST(PYXHome, EnvironmentWinsOverTheSourceTree) {
    const char* saved = std::getenv("BASALT_HOME");
    const std::string previous = saved ? saved : "";
    ::setenv("BASALT_HOME", "/opt/basalt/home/", 1);
    EXPECT_EQ(PYXHomeDirectory(), "/opt/basalt/home");
    EXPECT_EQ(PYXMessagesDirectory(), "/opt/basalt/home/messages");
    ::unsetenv("BASALT_HOME");
    const std::string fallback = PYXHomeDirectory();
    EXPECT_TRUE(std::filesystem::is_directory(fallback + "/messages")) << fallback;
    if (saved) {
        ::setenv("BASALT_HOME", previous.c_str(), 1);
    }
}

}  // namespace
