#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "I18NString.h"
#include "PYXThrowable.h"

namespace {

// "Zoë € 日本 😀": 2-, 3- and 4-byte UTF-8 sequences.
const char* const kUtf8 = "Zo\xC3\xAB \xE2\x82\xAC \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80";
const char16_t* const kUnits = u"Zo\u00EB \u20AC \u65E5\u672C \U0001F600";

// The conversion failure a bad input must raise, with its message.
template <typename F>
PYXException conversionFailure(F&& f) {
    try {
        f();
    } catch (PYXException& e) {
        return e;
    }
    ADD_FAILURE() << "no PYXException";
    return PYXException(0);
}

TEST(I18NStringConversion, Utf8RoundTripKeepsEveryCharacter) {
    I18NString text(kUtf8);
    EXPECT_EQ(text.utf16(), std::u16string(kUnits));
    EXPECT_EQ(text.length(), 11u);  // the emoji takes two UTF-16 units
    EXPECT_STREQ(text.c_str(), kUtf8);
    EXPECT_EQ(text.utf8(), kUtf8);
    EXPECT_EQ(I18NString(kUtf8, 4, "UTF-8"), I18NString(u"Zo\u00EB"));  // length in bytes
    EXPECT_THROW(I18NString(kUtf8, 3, "utf_8"), PYXException);          // cuts "ë" in half
}

// Invalid UTF-8 is refused with its offset; the check that lets valid UTF-8 pass unconverted
// accepts exactly what the reader accepts.
TEST(I18NStringConversion, InvalidUtf8IsRefusedWhereverItSits) {
    const char* invalid[] = {"ab\xC3", "ab\xC3(", "ab\xC0\xAF", "ab\xED\xA0\x80",
                             "ab\xFF"};  // cut, overlong, surrogate
    for (const char* bad : invalid) {
        PYXException e = conversionFailure([&] { I18NString text(bad); });
        EXPECT_EQ(e.getErrorCode(), kPYXErrorConversion) << bad;
        ASSERT_EQ(e.getMessageCount(), 1u);
        EXPECT_EQ(e.getMessageN(0).getNumber(), kPYXMsgInvalidBytes);
        EXPECT_EQ(e.getMessageN(0).getComponents().getParm(1).toInteger(), 2) << bad;
        EXPECT_NE(e.getText().find("byte offset 2"), std::string::npos) << e.getText();
        EXPECT_FALSE(I18NString::isWellFormedUtf8(bad)) << bad;
    }
    for (const char* text : {kUtf8, "", "plain ASCII", "\xF4\x8F\xBF\xBF",  // U+10FFFF
                             "\xF4\x90\x80\x80", "\xE2\x82", "\x80 lone continuation"}) {
        bool reads = true;
        try {
            EXPECT_EQ(I18NString(text).utf8(), text);
        } catch (const PYXException&) {
            reads = false;
        }
        EXPECT_EQ(I18NString::isWellFormedUtf8(text), reads) << text;
    }
    // The same verdicts wherever the sequence sits among plain bytes, which are skipped eight
    // at a time.
    for (size_t at = 0; at < 20; ++at) {
        const std::string before(at, 'a');
        const std::string after(at % 11, 'b');
        EXPECT_TRUE(I18NString::isWellFormedUtf8(before + "\xC3\xA9" + after)) << at;
        EXPECT_TRUE(I18NString::isWellFormedUtf8(before + "\xF0\x9F\x98\x80" + after)) << at;
        EXPECT_FALSE(I18NString::isWellFormedUtf8(before + "\xC0\xAF" + after)) << at;
        EXPECT_FALSE(I18NString::isWellFormedUtf8(before + "\xE2\x82")) << at;
        EXPECT_FALSE(I18NString::isWellFormedUtf8(before + "\x80" + after)) << at;
    }
}

// Names that take the UTF-8 shortcut or the host-order UTF-16 one; any other name goes to the
// converters, which know their own aliases.
TEST(I18NStringConversion, EncodingNamesIgnoreCaseDashesAndUnderscoresOnly) {
    for (const char* name : {"UTF8", "utf-8", "Utf_8", "-u-t-f-8-", "uTF__8"}) {
        EXPECT_TRUE(I18NString::isUtf8Encoding(name)) << name;
    }
    for (const char* name : {"UTF", "utf-80", "xutf8", "utf 8", "UTF-16", "ucs-2"}) {
        EXPECT_FALSE(I18NString::isUtf8Encoding(name)) << name;
    }
    const char16_t e[] = {u'\u00e9', 0};
    for (const char* name : {"UTF16", "Unicode", "ucs_2"}) {
        EXPECT_EQ(I18NString(reinterpret_cast<const char*>(e), 2, name).utf16(), u"\u00e9") << name;
        EXPECT_EQ(std::memcmp(I18NString(u"\u00e9").c_str(name), e, 4), 0) << name;
    }
    EXPECT_THROW(I18NString("abc", -1, "utf-80"), PYXException);
}

TEST(I18NStringConversion, Utf16IsHostOrderWithOptionalByteOrderMark) {
    const std::u16string units(kUnits);
    const std::string bytes(reinterpret_cast<const char*>(units.data()), units.size() * 2);
    EXPECT_EQ(I18NString(bytes.data(), static_cast<int32_t>(bytes.size()), "UTF16").utf16(), units);

    // A mark of the other order swaps every unit and is dropped.
    std::string swapped = "\xFE\xFF";
    for (char16_t unit : units) {
        swapped.push_back(static_cast<char>(unit >> 8));
        swapped.push_back(static_cast<char>(unit & 0xFF));
    }
    EXPECT_EQ(I18NString(swapped.data(), static_cast<int32_t>(swapped.size()), "UTF-16").utf16(),
              units);

    // -1: terminated by a NUL unit, even though single zero bytes occur inside ("A" = 41 00).
    const char terminated[] = {'A', 0, 'B', 0, 0, 0, 'C', 0};
    EXPECT_EQ(I18NString(terminated, -1, "UTF16"), I18NString("AB"));
}

TEST(I18NStringConversion, Utf16RejectsOddLengthsAndLoneSurrogates) {
    EXPECT_EQ(conversionFailure([] { I18NString("abc", 3, "UTF16"); }).getErrorCode(),
              kPYXErrorConversion);
    const char16_t lone[] = {u'a', 0xD83D, u'b'};
    EXPECT_THROW(I18NString(reinterpret_cast<const char*>(lone), 6, "UTF16"), PYXException);
    // A text holding a lone surrogate cannot be written as UTF-8 either.
    I18NString broken(lone, 3);
    EXPECT_THROW(broken.c_str(), PYXException);
    std::ostringstream diagnostic;  // but the stream shows it as U+FFFD
    diagnostic << broken;
    EXPECT_EQ(diagnostic.str(),
              "a\xEF\xBF\xBD"
              "b");
}

TEST(I18NStringConversion, ToBytesAndCStrBuffers) {
    I18NString text("\xC3\xA9t\xC3\xA9");
    char* buffer = nullptr;
    ASSERT_EQ(text.toBytes(buffer, "ISO-8859-1"), 3);
    EXPECT_STREQ(buffer, "\xE9t\xE9");
    I18NString::freeBuffer(buffer);

    const char* first = text.c_str();
    EXPECT_EQ(first, text.c_str());  // same encoding: the same bytes
    EXPECT_STREQ(text.c_str("ISO-8859-1"), "\xE9t\xE9");
    text.append(u'!');
    EXPECT_STREQ(text.c_str(), "\xC3\xA9t\xC3\xA9!");  // modification refreshes the bytes
    EXPECT_STREQ(I18NString().c_str(), "");
    EXPECT_STREQ(I18NString(static_cast<const char*>(nullptr)).c_str(), "");
}

}  // namespace
