#include "VOR_AAA_WriteEscapedText.h"

#include "I18NString.h"

#include <charconv>
#include <string>

void WriteEscapedText(std::string_view text, std::ostream& out) {
    size_t runStart = 0;
    auto flush = [&](size_t end) {
        if (end > runStart) {
            WriteMarkup(text.substr(runStart, end - runStart), out);
        }
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const char* entity = nullptr;
        switch (c) {
            case '<':
                entity = "&lt;";
                break;
            case '>':
                entity = "&gt;";
                break;
            case '&':
                entity = "&amp;";
                break;
            case '\'':
                entity = "&apos;";
                break;
            case '"':
                entity = "&quot;";
                break;
            default:
                break;
        }
        if (entity == nullptr && (c >= 0x20 || c == '\t' || c == '\n' || c == '\r')) {
            continue;
        }
        flush(i);
        runStart = i + 1;
        if (entity != nullptr) {
            WriteMarkup(entity, out);
        } else {
            WriteMarkup("&amp;#", out);
            WriteCount(c, out);
            WriteMarkup(';', out);
        }
    }
    flush(text.size());
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
