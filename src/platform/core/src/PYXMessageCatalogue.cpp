#include "PYXMessageCatalogue.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "I18NString.h"
#include "PYXHome.h"
#include "PYXThrowable.h"

namespace {

std::string keyOf(std::string_view component, std::string_view language) {
    std::string key(component);
    key.push_back('\n');
    key.append(language);
    return key;
}

// Lower case, '-' separators, no POSIX codeset or modifier ("fr_CA.UTF-8@x" -> "fr-ca").
std::string normalisedLanguage(std::string_view locale) {
    std::string result;
    for (char c : locale) {
        if (c == '.' || c == '@') {
            break;
        }
        result.push_back(c == '_' ? '-'
                                  : static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    return result;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// "0x" followed by 1 to 8 hexadecimal digits.
bool parseNumber(std::string_view token, uint32_t& number) {
    if (token.size() < 3 || token.size() > 10 || token[0] != '0' ||
        (token[1] != 'x' && token[1] != 'X')) {
        return false;
    }
    uint32_t value = 0;
    for (std::size_t i = 2; i < token.size(); ++i) {
        const auto c = static_cast<unsigned char>(token[i]);
        if (!std::isxdigit(c)) {
            return false;
        }
        value = value * 16 +
                static_cast<uint32_t>(std::isdigit(c) ? c - '0' : std::tolower(c) - 'a' + 10);
    }
    number = value;
    return true;
}

// "\n", "\t", "\\" -> line break, tab, backslash; any other backslash stays as it is.
std::string unescaped(std::string_view text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[i + 1];
            if (next == 'n' || next == 't' || next == '\\') {
                result.push_back(next == 'n' ? '\n' : (next == 't' ? '\t' : '\\'));
                ++i;
                continue;
            }
        }
        result.push_back(text[i]);
    }
    return result;
}

}  // namespace

const PYXMessageCatalogue& PYXMessageCatalogue::instance() {
    static const PYXMessageCatalogue catalogue = loadDirectory(PYXMessagesDirectory());
    return catalogue;
}

PYXMessageCatalogue PYXMessageCatalogue::loadDirectory(const std::string& directory) {
    PYXMessageCatalogue catalogue;
    std::error_code ec;
    std::vector<std::filesystem::path> files;
    for (std::filesystem::directory_iterator it(directory, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (it->path().extension() == ".msg") {
            files.push_back(it->path());
        }
    }
    if (ec) {
        catalogue.m_problems.push_back({directory, 0, ec.message()});
    }
    std::sort(files.begin(), files.end());  // same result whatever the directory order
    for (const auto& file : files) {
        const std::string stem = file.stem().string();
        const std::size_t split = stem.rfind('_');
        if (split == std::string::npos || split == 0 || split + 1 == stem.size()) {
            catalogue.m_problems.push_back(
                {file.string(), 0, "file name is not <COMPONENT>_<language>.msg"});
            continue;
        }
        catalogue.loadFile(file.string(), stem.substr(0, split), stem.substr(split + 1));
    }
    return catalogue;
}

void PYXMessageCatalogue::loadFile(const std::string& path, const std::string& component,
                                   const std::string& language) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        m_problems.push_back({path, 0, "cannot be opened"});
        return;
    }
    const std::string normalised = normalisedLanguage(language);
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (lineNumber == 1 && line.starts_with("\xEF\xBB\xBF")) {
            line.erase(0, 3);
        }
        std::size_t start = 0;
        while (start < line.size() && isBlank(line[start])) {
            ++start;
        }
        if (start == line.size() || line[start] == '#') {
            continue;
        }
        std::size_t tokenEnd = start;
        while (tokenEnd < line.size() && !isBlank(line[tokenEnd])) {
            ++tokenEnd;
        }
        uint32_t number = 0;
        if (!parseNumber(std::string_view(line).substr(start, tokenEnd - start), number)) {
            m_problems.push_back({path, lineNumber, "line does not start with 0xXXXXXXXX"});
            continue;
        }
        std::size_t textStart = tokenEnd;
        while (textStart < line.size() && isBlank(line[textStart])) {
            ++textStart;
        }
        std::size_t textEnd = line.size();
        while (textEnd > textStart && isBlank(line[textEnd - 1])) {
            --textEnd;
        }
        if (textStart == textEnd) {
            m_problems.push_back({path, lineNumber, "message has no text"});
            continue;
        }
        std::string text = unescaped(std::string_view(line).substr(textStart, textEnd - textStart));
        try {
            I18NString check(text);  // the files are UTF-8; refuse anything else
        } catch (const PYXThrowable& e) {
            m_problems.push_back({path, lineNumber, e.getText()});
            continue;
        }
        if (lookupExact(component, number, normalised) != nullptr) {
            m_problems.push_back({path, lineNumber, "number given twice; the later text is kept"});
        }
        addText(component, normalised, number, std::move(text));
    }
}

void PYXMessageCatalogue::addText(const std::string& component, const std::string& language,
                                  uint32_t number, std::string utf8Text) {
    m_texts[keyOf(component, normalisedLanguage(language))][number] = std::move(utf8Text);
}

const std::string* PYXMessageCatalogue::lookupExact(std::string_view component, uint32_t number,
                                                    std::string_view language) const {
    const auto texts = m_texts.find(keyOf(component, normalisedLanguage(language)));
    if (texts == m_texts.end()) {
        return nullptr;
    }
    const auto text = texts->second.find(number);
    return text == texts->second.end() ? nullptr : &text->second;
}

const std::string* PYXMessageCatalogue::lookup(std::string_view component, uint32_t number,
                                               std::string_view locale) const {
    for (const std::string& language : languageChain(locale)) {
        if (const std::string* text = lookupExact(component, number, language)) {
            return text;
        }
    }
    return nullptr;
}

std::vector<std::string> PYXMessageCatalogue::languageChain(std::string_view locale) {
    std::vector<std::string> chain;
    std::string language = normalisedLanguage(locale);
    while (!language.empty()) {
        chain.push_back(language);
        const std::size_t dash = language.rfind('-');
        language = dash == std::string::npos ? std::string() : language.substr(0, dash);
    }
    if (std::find(chain.begin(), chain.end(), "en") == chain.end()) {
        chain.push_back("en");
    }
    return chain;
}

std::vector<uint32_t> PYXMessageCatalogue::numbers(std::string_view component,
                                                   std::string_view language) const {
    std::vector<uint32_t> result;
    const auto texts = m_texts.find(keyOf(component, normalisedLanguage(language)));
    if (texts != m_texts.end()) {
        for (const auto& [number, text] : texts->second) {
            result.push_back(number);
        }
    }
    return result;
}
