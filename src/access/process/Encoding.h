// Conversion between the encoding in force and UTF-8 (what the directory speaks).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ridge::access {

// True when ICU knows the converter name.
bool encodingKnown(const std::string& encoding);

// An encoding by name, with what the conversions ask about its name decided once: whether it
// names UTF-8 (whose well-formed texts then pass unconverted). A handle keeps one for its life.
class TextEncoding {
public:
    explicit TextEncoding(std::string name);
    const std::string& name() const { return m_name; }
    bool isUtf8() const { return m_utf8; }

private:
    std::string m_name;
    bool m_utf8;
};

// Bytes in `encoding` to UTF-8; throws AccessError(AS_ERR_INVALID_TEXT) on bytes that are not
// valid in it. UTF-8 input is validated, not copied blindly.
std::string toUtf8(const TextEncoding& encoding, std::string_view bytes);
std::string toUtf8(const std::string& encoding, std::string_view bytes);

// UTF-8 to `encoding`; characters the encoding cannot hold become its substitution character.
std::string fromUtf8(const TextEncoding& encoding, std::string_view utf8);
std::string fromUtf8(const std::string& encoding, std::string_view utf8);

// Copies `bytes` (already in `encoding`) into buffer[size] NUL-terminated, cutting at a
// character boundary when it does not fit. size 0 writes nothing. Returns bytes written.
size_t copyTruncated(const std::string& encoding, std::string_view bytes, char* buffer,
                     size_t size);

// Longest prefix of valid UTF-8 `text` of at most maxBytes bytes that ends on a character
// boundary.
std::string_view utf8Prefix(std::string_view text, size_t maxBytes);

}  // namespace ridge::access
