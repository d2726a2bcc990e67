// UTF-8 for the host's readers: one code point written, and the check that a text is UTF-8
// holding only characters XML allows.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

inline void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The offset of the first byte that is not part of well-formed UTF-8 (overlong forms,
// surrogates and code points past Unicode's end included) or that starts a character XML
// allows nowhere, not even as a reference's result: a control character other than tab, line
// feed and carriage return, U+FFFE or U+FFFF. npos when there is none.
inline std::size_t invalidXmlCharacter(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t i = 0;
    while (i < text.size()) {
        // Eight printable ASCII bytes at a time, the common case: no high bit set, and none
        // that borrows when 0x20 is taken from it (a control character).
        if (i + 8 <= text.size()) {
            std::uint64_t eight;
            std::memcpy(&eight, bytes + i, 8);
            if (((eight | (eight - 0x2020202020202020ULL)) & 0x8080808080808080ULL) == 0) {
                i += 8;
                continue;
            }
        }
        unsigned char c = bytes[i];
        if (c < 0x80) {
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                return i;
            }
            ++i;
            continue;
        }
        std::size_t length = c >= 0xC2 && c <= 0xDF   ? 2
                             : c >= 0xE0 && c <= 0xEF ? 3
                             : c >= 0xF0 && c <= 0xF4 ? 4
                                                      : 0;
        if (length == 0 || i + length > text.size()) {
            return i;
        }
        char32_t code = c & (0xFF >> (length + 1));
        for (std::size_t k = 1; k < length; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) {
                return i;
            }
            code = (code << 6) | (bytes[i + k] & 0x3F);
        }
        if ((length == 3 && code < 0x800) || (length == 4 && code < 0x10000) ||
            (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF || code == 0xFFFE ||
            code == 0xFFFF) {
            return i;
        }
        i += length;
    }
    return std::string_view::npos;
}
