// The status table and the message files shipped in the home directory.
#include <AccessAPI.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "HomeFile.h"
#include "Messages.h"
#include "Status.h"
#include "TempDirectory.h"

using namespace ridge::access;

namespace {

TEST(Status, EveryFailureHasATextInEveryShippedLanguage) {
    size_t count = 0;
    const int32_t* codes = allStatuses(&count);
    std::set<std::string> names;
    std::map<std::string, std::set<MessageKey>> keys;
    for (const char* lang : {"en", "fr"}) {
        std::string error;
        auto messages =
            parseMessageFile(readHomeFile(std::string("srvcmsgs_") + lang + ".msg"), &error);
        ASSERT_TRUE(messages) << error;
        for (size_t i = 0; i < count; ++i) {
            if (codes[i] == AS_OK)
                continue;
            EXPECT_TRUE(messages->count({codes[i], ""})) << lang << " lacks " << codes[i];
            names.insert(statusName(codes[i]));
        }
        // No text for a code the table does not know.
        for (const auto& [key, text] : *messages) {
            EXPECT_NE(nullptr, statusName(key.status)) << key.status;
            keys[lang].insert(key);
        }
    }
    EXPECT_EQ(count - 1, names.size());  // names are distinct
    // Every cause of a status has its text in both languages.
    EXPECT_EQ(keys["en"], keys["fr"]);
    for (const char* cause : {"config", "untrusted", "name", "handshake", "refused"})
        EXPECT_TRUE(keys["en"].count({AS_ERR_TLS, cause})) << cause;
}

TEST(Messages, FormatAndMalformedFiles) {
    EXPECT_EQ("Cannot reach h:1", formatMessage("Cannot reach %1", "h:1"));
    EXPECT_EQ("Locked.", formatMessage("Locked.", ""));
    EXPECT_EQ("Failed (why)", formatMessage("Failed", "why"));
    EXPECT_FALSE(parseMessageFile("-3\n", nullptr));
    EXPECT_FALSE(parseMessageFile("-16: text\n", nullptr));
    EXPECT_FALSE(parseMessageFile("-16:Bad! text\n", nullptr));
    auto m = parseMessageFile("# comment\n\n  -3   Wrong.  \n-16:name Not named %1\n", nullptr);
    ASSERT_TRUE(m);
    EXPECT_EQ("Wrong.", m->at({-3, ""}));
    EXPECT_EQ("Not named %1", m->at({-16, "name"}));
}

TEST(Messages, LanguageFallsBackToPrimaryThenEnglish) {
    const TempDirectory home;
    const auto& dir = home.path();
    std::ofstream(dir / "lang.tab") << "fr fr\nde-at de\n";
    std::ofstream(dir / "srvcmsgs_en.msg")
        << "-3 Wrong.\n-130 Locked.\n-16 TLS: %1\n-16:name Name: %1\n-16:untrusted Trust: %1\n";
    std::ofstream(dir / "srvcmsgs_fr.msg") << "-3 Faux.\n-16 TLS : %1\n-16:name Nom : %1\n";
    MessageCatalog catalog((dir / "lang.tab").string(), (dir / "srvcmsgs_en.msg").string());
    EXPECT_EQ("fr", catalog.codeFor("FR_ca"));
    EXPECT_EQ("en", catalog.codeFor("de"));  // only de-at is listed, and has no file
    EXPECT_EQ("Faux.", catalog.text({-3, ""}, "", "fr-FR"));
    EXPECT_EQ("Locked.", catalog.text({-130, ""}, "", "fr"));  // missing in French
    EXPECT_EQ("Wrong.", catalog.text({-3, ""}, "", "de-at"));  // no German file
    EXPECT_EQ("Directory access error -999 (x)", catalog.text({-999, ""}, "x", "en"));
    // A cause's own text; a cause without one falls back to the status's general text.
    EXPECT_EQ("Nom : h:1", catalog.text({-16, "name"}, "h:1", "fr"));
    EXPECT_EQ("Trust: h:1", catalog.text({-16, "untrusted"}, "h:1", "fr"));
    EXPECT_EQ("TLS : h:1", catalog.text({-16, "handshake"}, "h:1", "fr"));
}

}  // namespace
