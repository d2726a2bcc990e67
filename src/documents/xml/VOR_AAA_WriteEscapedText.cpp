#include "VOR_AAA_WriteEscapedText.h"

#include "I18NString.h"

#include <string>

void WriteEscapedText(std::string_view text, std::ostream& out) {
    size_t runStart = 0;
    auto flush = [&](size_t end) {
        if (end > runStart) {
            out.write(text.data() + runStart, static_cast<std::streamsize>(end - runStart));
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
            out << entity;
        } else {
            out << "&amp;#" << static_cast<int>(c) << ';';
        }
    }
    flush(text.size());
}

void WriteEscapedText(const I18NString& text, std::ostream& out) {
    if (!text.empty()) {
        WriteEscapedText(std::string_view(text.utf8()), out);
    }
}
