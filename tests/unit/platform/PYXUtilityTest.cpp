#include <gtest/gtest.h>

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

}  // namespace
