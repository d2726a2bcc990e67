#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "PYXMessage.h"
#include "PYXMessageCatalogue.h"
#include "TempDirectory.h"

namespace {

void write(const TempDirectory& dir, const std::string& name, const std::string& content) {
    std::ofstream(dir.path() / name, std::ios::binary) << content;
}

// A made-up catalogue: its numbers are the subject of these tests, not the shipped ones.
PYXMessageCatalogue sampleCatalogue(const TempDirectory& dir) {
    write(dir, "VOR_AAA_en.msg",
          "# comment\n"
          "\n"
          "0x00000004  The call %2 failed with %1.\n"
          "0x00000005  User ID:\n"
          "0x00000007\tOnly in English.   \r\n"
          "0x00000006  The namespace{ \"%1\"} could not be found.\n"
          "0x00000008  100%% of %1, %{literal%}, a\\tb\\nc\\\\d\n");
    write(dir, "VOR_AAA_fr.msg",
          "0x00000004  L'appel %2 a \xC3\xA9"
          "chou\xC3\xA9 (%1).\n"
          "0x00000005  ID utilisateur\xC2\xA0:\n");
    write(dir, "VOR_AAA_fr-ca.msg", "0x00000005  Code d'utilisateur :\n");
    return PYXMessageCatalogue::loadDirectory(dir.str());
}

TEST(PYXMessage, RendersInEachLanguageWithFallbacksOptionalPartsAndEscapes) {
    TempDirectory dir;
    const PYXMessageCatalogue catalogue = sampleCatalogue(dir);
    EXPECT_TRUE(catalogue.problems().empty());

    PYXMessage failed("VOR_AAA", 4);
    failed << -61 << "AS_Init";
    EXPECT_EQ(failed.render("en-us", catalogue), I18NString("The call AS_Init failed with -61."));
    EXPECT_EQ(failed.render("fr", catalogue), I18NString("L'appel AS_Init a \xC3\xA9"
                                                         "chou\xC3\xA9 (-61)."));
    EXPECT_EQ(failed.render("fr-ca", catalogue), failed.render("fr", catalogue));  // fr-ca -> fr
    EXPECT_EQ(failed.render("de-de", catalogue), failed.render("en", catalogue));  // -> en
    EXPECT_EQ(failed.render(nullptr, catalogue), failed.render("en", catalogue));

    const PYXMessage caption("VOR_AAA", 5);
    EXPECT_EQ(caption.render("FR_ca", catalogue), I18NString("Code d'utilisateur :"));
    EXPECT_EQ(caption.render("fr-fr", catalogue), I18NString("ID utilisateur\xC2\xA0:"));
    // Missing in French: taken from English.
    EXPECT_EQ(PYXMessage("VOR_AAA", 7).render("fr-ca", catalogue), I18NString("Only in English."));

    PYXMessage named("VOR_AAA", 6);
    EXPECT_EQ(named.render("en", catalogue), I18NString("The namespace could not be found."));
    named << "ns1";
    EXPECT_EQ(named.render("en", catalogue),
              I18NString("The namespace \"ns1\" could not be found."));
    EXPECT_EQ(PYXMessage("VOR_AAA", 6, {""}).render("en", catalogue),
              I18NString("The namespace could not be found."));

    EXPECT_EQ(PYXMessage("VOR_AAA", 8, {"x"}).render("en", catalogue),
              I18NString("100% of x, {literal}, a\tb\nc\\d"));

    // Unknown number or component: everything stays visible.
    PYXMessage unknown("VOR_AAA", 0x0ABCDEF1);
    unknown << 42u << I18NString("J\xC3\xBCrgen") << -7;
    EXPECT_EQ(unknown.render("fr", catalogue),
              I18NString("[VOR_AAA 0x0ABCDEF1] 42; J\xC3\xBCrgen; -7"));
    EXPECT_EQ(PYXMessage("OTHER", 4).render("en", catalogue), I18NString("[OTHER 0x00000004]"));
}

TEST(PYXMessage, CatalogueReportsBadLinesAndKeepsTheRest) {
    TempDirectory dir;
    write(dir, "VOR_AAA_en.msg",
          "0x00000001 one\n"
          "12345 no hex prefix\n"
          "0x123456789 nine digits\n"
          "0x00000002\n"
          "0x00000003 bad \xC3( bytes\n"
          "0x00000001 one again\n");
    write(dir, "nocomponent.msg", "0x1 x\n");
    const PYXMessageCatalogue catalogue = PYXMessageCatalogue::loadDirectory(dir.str());
    std::set<int> badLines;
    for (const auto& problem : catalogue.problems()) {
        if (problem.file.ends_with("VOR_AAA_en.msg")) {
            badLines.insert(problem.line);
        }
    }
    EXPECT_EQ(badLines, (std::set<int>{2, 3, 4, 5, 6}));
    EXPECT_EQ(catalogue.problems().size(), 6u);  // and the file name without component
    EXPECT_EQ(*catalogue.lookup("VOR_AAA", 1, "en"), "one again");
    EXPECT_EQ(catalogue.numbers("VOR_AAA", "en"), (std::vector<uint32_t>{1}));

    EXPECT_TRUE(PYXMessageCatalogue::loadDirectory(dir.str() + "/missing").empty());
    EXPECT_EQ(PYXMessageCatalogue::languageChain("fr_CA.UTF-8"),
              (std::vector<std::string>{"fr-ca", "fr", "en"}));
    EXPECT_EQ(PYXMessageCatalogue::languageChain(""), (std::vector<std::string>{"en"}));
}

// The shipped files load cleanly and every French text has its English original (the captions
// of the sign-on forms are checked for French where the forms are built).
TEST(PYXMessageCatalogueFiles, ShippedFilesAreClean) {
    const PYXMessageCatalogue shipped =
        PYXMessageCatalogue::loadDirectory(BASALT_TEST_MESSAGES_DIR);
    for (const auto& problem : shipped.problems()) {
        ADD_FAILURE() << problem.file << ":" << problem.line << ": " << problem.reason;
    }
    const auto french = shipped.numbers("VOR_AAA", "fr");
    EXPECT_FALSE(french.empty());
    for (uint32_t number : french) {
        EXPECT_NE(shipped.lookupExact("VOR_AAA", number, "en"), nullptr) << std::hex << number;
    }
}

}  // namespace
