#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "I18NLocale.h"

namespace {

TEST(I18NLocale, DefaultIsEnglishUs) {
    EXPECT_EQ(I18NLocale().getName(), "en-us");
    EXPECT_EQ(I18NLocale().getIcuName(), "en_US");
    EXPECT_EQ(I18NLocale("").getName(), "en-us");
    EXPECT_EQ(I18NLocale("fr_CA").getIcuName(), "fr_CA");
}

// Case mapping follows the locale's rules and maps whole texts, not character by character.
TEST(I18NLocale, CaseMappingFollowsTheLocaleAndTheWholeText) {
    const I18NLocale turkish("tr");
    const I18NLocale english("en-us");
    EXPECT_EQ(turkish.toUpper("i").utf16(), u"\u0130");  // i -> İ
    EXPECT_EQ(turkish.toLower("I").utf16(), u"\u0131");  // I -> ı
    EXPECT_EQ(english.toUpper("i"), I18NString("I"));
    EXPECT_EQ(english.toLower(I18NString(u"\u0130")).utf16(), u"i\u0307");  // İ keeps its dot
    EXPECT_EQ(I18NLocale("de-de").toUpper("Stra\xC3\x9F"
                                          "e"),
              I18NString("STRASSE"));
    // ΟΔΟΣ ΣΟ -> οδος σο: a final ς at the end of the word only.
    EXPECT_EQ(
        I18NLocale("el").toLower(I18NString(u"\u039F\u0394\u039F\u03A3 \u03A3\u039F")).utf16(),
        u"\u03BF\u03B4\u03BF\u03C2 \u03C3\u03BF");
}

TEST(I18NLocale, UnknownLocaleAndEmptyTextAndThreads) {
    const I18NLocale odd("xx-not-a-locale-@@");
    EXPECT_EQ(odd.toUpper("abc\xC3\xA9"), I18NString("ABC\xC3\x89"));
    EXPECT_TRUE(I18NLocale("tr").toUpper(I18NString()).empty());

    const I18NLocale turkish("tr");
    std::vector<std::thread> threads;
    std::vector<int> wrong(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                if (turkish.toUpper("istanbul").utf16() != u"\u0130STANBUL") {
                    ++wrong[t];
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

}  // namespace
