// The message catalogue: the texts of every component's messages in every language, read from
// the files "<COMPONENT>_<language>.msg" of one directory (normally <home>/messages, see
// PYXHome.h). The file format is described at the top of each shipped file: UTF-8 lines
// "0xXXXXXXXX <text>", '#' comment lines and blank lines; in a text "\n", "\t" and "\\" stand
// for a line break, a tab and a backslash.
//
// Language fallback: a locale "fr-ca" (also "fr_CA", "FR-CA") looks in "fr-ca", then "fr",
// then "en"; a text missing in a language is taken from the next one in that chain.
//
// The process-wide catalogue is loaded once, on first use, and is read-only after that, so any
// number of threads may render at once.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class PYXMessageCatalogue {
public:
    // A line of a catalogue file that could not be read.
    struct LoadProblem {
        std::string file;
        int line;  // 0 for a problem with the whole file
        std::string reason;
    };

    PYXMessageCatalogue() = default;

    // The process-wide catalogue of <PYXHomeDirectory()>/messages. A missing directory gives an
    // empty catalogue (every message then renders in its fallback form).
    static const PYXMessageCatalogue& instance();

    // Reads every "*.msg" file of a directory. Lines that cannot be read are skipped and listed
    // in problems(); a later line for the same number replaces the earlier one (also listed).
    static PYXMessageCatalogue loadDirectory(const std::string& directory);
    // Reads one file into this catalogue for the component and language given.
    void loadFile(const std::string& path, const std::string& component,
                  const std::string& language);
    // Adds one text (used by loadFile; handy for tests).
    void addText(const std::string& component, const std::string& language, uint32_t number,
                 std::string utf8Text);

    // The text (UTF-8) for the locale with the fallback chain above; null when no language of
    // the chain has it.
    const std::string* lookup(std::string_view component, uint32_t number,
                              std::string_view locale) const;
    // The text in exactly this language (normalised: lower case, '-' separators); no fallback.
    const std::string* lookupExact(std::string_view component, uint32_t number,
                                   std::string_view language) const;

    // The normalised fallback chain of a locale: "fr_CA" -> {"fr-ca", "fr", "en"}.
    static std::vector<std::string> languageChain(std::string_view locale);

    // Numbers known for a component in a language (sorted).
    std::vector<uint32_t> numbers(std::string_view component, std::string_view language) const;
    const std::vector<LoadProblem>& problems() const noexcept { return m_problems; }
    bool empty() const noexcept { return m_texts.empty(); }

private:
    // component + '\n' + language -> number -> text
    std::unordered_map<std::string, std::map<uint32_t, std::string>> m_texts;
    std::vector<LoadProblem> m_problems;
};
