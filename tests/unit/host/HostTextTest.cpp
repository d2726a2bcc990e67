// The host's sentences: every one it says has its French form, locales map to languages, and
// the arguments land in place.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "HostText.h"

namespace {

using basalt_host::Language;
using basalt_host::say;

// Restores English after a test that switched the language.
struct FrenchRun {
    FrenchRun() { basalt_host::setLanguage(Language::French); }
    ~FrenchRun() { basalt_host::setLanguage(Language::English); }
};

// The English sentences of every say("...") in the host's sources (adjacent literals joined).
std::vector<std::string> sentencesInSources() {
    const std::regex call(R"re(\bsay\(\s*((?:"(?:[^"\\]|\\.)*"\s*)+))re");
    const std::regex literal(R"re("((?:[^"\\]|\\.)*)")re");
    std::vector<std::string> sentences;
    // Every room of the host but the web gateway, whose pages have texts of their own.
    const std::filesystem::path sources =
        std::filesystem::path(BASALT_SOURCE_DIR) / "tools/basalt-host/src";
    for (const auto& file : std::filesystem::recursive_directory_iterator(sources)) {
        if (file.path().extension() != ".cpp" ||
            *file.path().lexically_relative(sources).begin() == "serve") {
            continue;
        }
        std::ifstream in(file.path());
        std::stringstream text;
        text << in.rdbuf();
        const std::string source = text.str();
        for (std::sregex_iterator it(source.begin(), source.end(), call), end; it != end; ++it) {
            std::string joined;
            const std::string group = (*it)[1];
            for (std::sregex_iterator part(group.begin(), group.end(), literal); part != end;
                 ++part) {
                joined += std::regex_replace((*part)[1].str(), std::regex(R"(\\(.))"), "$1");
            }
            sentences.push_back(joined);
        }
    }
    return sentences;
}

TEST(HostText, EverySentenceTheHostSaysHasItsFrenchForm) {
    std::vector<std::string> sentences = sentencesInSources();
    ASSERT_GT(sentences.size(), 50u);  // the scan found the calls
    FrenchRun french;
    for (const std::string& sentence : sentences) {
        if (sentence == "[ok]  ") {
            continue;  // the same in both languages
        }
        EXPECT_NE(say(sentence), sentence) << "no French form of: " << sentence;
    }
}

TEST(HostText, LocalesChooseTheLanguageAndAnArgumentIsNotReadForMarkers) {
    EXPECT_EQ(basalt_host::languageOf("FR_ca"), Language::French);
    EXPECT_EQ(basalt_host::languageOf("frr"), Language::English);
    EXPECT_EQ(say("{1} failed with result {2}", {"BasaltConfigure", "-1 {2}"}),
              "BasaltConfigure failed with result -1 {2}");
}

}  // namespace
