#include "VOR_AAA_WriteEscapedText.h"

#include "I18NString.h"

#include <array>
#include <charconv>
#include <string>

namespace {

// The bytes that are not copied as they are: the five markup characters and the control bytes
// other than tab, line feed and carriage return.
constexpr std::array<bool, 256> kReplaced = [] {
    std::array<bool, 256> replaced{};
    for (int c = 0; c < 0x20; ++c) {
        replaced[c] = c != '\t' && c != '\n' && c != '\r';
    }
    for (unsigned char c : {'<', '>', '&', '\'', '"'}) {
        replaced[c] = true;
    }
    return replaced;
}();

std::string_view entityOf(unsigned char c) {
    switch (c) {
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        case '&':
            return "&amp;";
        case '\'':
            return "&apos;";
        case '"':
            return "&quot;";
        default:
            return {};
    }
}

}  // namespace

void WriteEscapedText(std::string_view text, std::ostream& out) {
    const size_t size = text.size();
    size_t runStart = 0;
    for (size_t i = 0;; ++i) {
        // Most texts hold nothing to replace: find the end of the run first, byte by byte.
        while (i < size && !kReplaced[static_cast<unsigned char>(text[i])]) {
            ++i;
        }
        if (i > runStart) {
            WriteMarkup(text.substr(runStart, i - runStart), out);
        }
        if (i == size) {
            return;
        }
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const std::string_view entity = entityOf(c);
        if (!entity.empty()) {
            WriteMarkup(entity, out);
        } else {
            WriteMarkup("&amp;#", out);
            WriteCount(c, out);
            WriteMarkup(';', out);
        }
        runStart = i + 1;
    }
}

void WriteEscapedText(const I18NString& text, std::ostream& out) {
    if (!text.empty()) {
        WriteEscapedText(std::string_view(text.utf8()), out);
    }
}

void WriteCount(size_t count, std::ostream& out) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, count).ptr;
    WriteMarkup(std::string_view(digits, static_cast<size_t>(end - digits)), out);
}
