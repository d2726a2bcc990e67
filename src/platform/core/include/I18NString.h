// I18NString: the Unicode text type of the platform.
//
// The text is held as UTF-16 code units. Every position, count and length of this class is
// measured in UTF-16 code units (a character outside the Basic Multilingual Plane counts two).
//
// Encoding names (case, '-' and '_' do not matter for the first three rows):
//   "UTF8" / "UTF-8"                     UTF-8.
//   "UTF16" / "UTF-16"                   UTF-16 in host byte order (little-endian on x86/ARM).
//                                        On input a leading byte-order mark selects the byte
//                                        order and is dropped; on output none is written.
//   "ucs-2" / "UCS2" / "UCS-2"           like "UTF16", but strictly the Basic Multilingual
//                                        Plane: surrogates in the input and characters beyond
//                                        U+FFFF in the output are conversion errors.
//   any other name ICU knows             through an ICU converter: "UTF-16LE"/"UTF-16BE"
//                                        (explicit byte order), "cp1252", "ISO-8859-1",
//                                        "Shift_JIS", with ICU's tables (in cp1252 the five
//                                        unassigned bytes such as 0x81 map to the C1 controls
//                                        U+0081..., as on Windows).
//   null or ""                           the process default encoding (defaultEncoding()).
//
// Conversions are strict. Building a text from bytes that are not valid in their encoding, or
// converting a text into an encoding that cannot represent one of its characters (or that holds
// an unpaired surrogate), throws a PYXException with error code kPYXErrorConversion (-19) and a
// message that names the encoding and the byte offset (input) or code-unit position (output).
// An unknown encoding name throws the same way. Nothing is ever substituted silently; only the
// stream operator<< writes U+FFFD for what cannot be written as UTF-8, because it is meant for
// diagnostics.
//
// Thread safety: as std::string. Concurrent const use is safe except c_str(), which fills a
// per-object cache; give each thread its own copy if it needs c_str() on a shared text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

class I18NString {
public:
    using size_type = std::size_t;
    static constexpr size_type npos = static_cast<size_type>(-1);

    I18NString() = default;
    // UTF-8 text (NUL-terminated); null gives the empty text.
    I18NString(const char* utf8);         // NOLINT(google-explicit-constructor): texts flow freely
    I18NString(const std::string& utf8);  // NOLINT(google-explicit-constructor)
    explicit I18NString(std::string_view utf8);
    // Bytes in the named encoding. length is in bytes; -1 means NUL-terminated (for UTF-16 and
    // UCS-2 a NUL code unit, two zero bytes). A null encoding or "" is the process default.
    I18NString(const char* bytes, int32_t length, const char* encoding);
    // UTF-16 code units; length -1 means NUL-terminated. Taken as they are (not validated).
    I18NString(const char16_t* units, int32_t length = -1);  // NOLINT
    I18NString(const std::u16string& units);                 // NOLINT
    I18NString(std::u16string&& units) noexcept;             // NOLINT
    I18NString(size_type count, char16_t unit);

    I18NString(const I18NString& other);
    I18NString(I18NString&& other) noexcept;
    I18NString& operator=(const I18NString& other);
    I18NString& operator=(I18NString&& other) noexcept;
    ~I18NString();

    // The process default encoding name: the code set of the locale the environment names
    // (LC_ALL, LC_CTYPE, LANG), e.g. "UTF-8" or "ISO-8859-1"; the "C" locale's plain ASCII, or a
    // code set ICU does not know, is taken as UTF-8 (a superset of ASCII). Fixed at first use.
    static const char* defaultEncoding();
    // True when the encoding name (null or empty: the default) is UTF-8.
    static bool isUtf8Encoding(const char* encoding);
    // True when bytes are UTF-8 that this class reads without error (no overlong forms,
    // surrogates or values past U+10FFFF): such text is its own UTF-8 form.
    static bool isWellFormedUtf8(std::string_view bytes) noexcept;

    // ---- conversion out ----
    // The text as NUL-terminated bytes in the encoding (default UTF-8). The pointer stays valid
    // until the next c_str() call on this object or its next modification.
    const char* c_str(const char* encoding = "UTF8") const;
    // Converts into a new buffer, NUL-terminated (two zero bytes for UTF-16 and UCS-2), that the
    // caller releases with freeBuffer. Returns the length in bytes without the terminator.
    int32_t toBytes(char*& out, const char* encoding = "UTF8") const;
    static void freeBuffer(char* buffer) noexcept;
    // The bytes as a std::string (no terminator inside).
    std::string toString(const char* encoding = "UTF8") const;
    std::string utf8() const { return encodeUtf8(m_text); }

    const std::u16string& utf16() const noexcept { return m_text; }
    const char16_t* data() const noexcept { return m_text.c_str(); }

    // ---- size and access ----
    size_type length() const noexcept { return m_text.size(); }
    size_type size() const noexcept { return m_text.size(); }
    bool empty() const noexcept { return m_text.empty(); }
    char16_t operator[](size_type pos) const { return m_text[pos]; }
    char16_t at(size_type pos) const { return m_text.at(pos); }
    void clear() noexcept;

    // ---- search (npos when absent) ----
    size_type find(const I18NString& what, size_type pos = 0) const noexcept;
    size_type find(char16_t unit, size_type pos = 0) const noexcept;
    size_type rfind(const I18NString& what, size_type pos = npos) const noexcept;

    // ---- parts ----
    // count units from pos (std::string semantics; pos > length() throws std::out_of_range).
    I18NString substr(size_type pos, size_type count = npos) const;

    // ---- modification (each returns *this) ----
    I18NString& erase(size_type pos = 0, size_type count = npos);
    I18NString& replace(size_type pos, size_type count, const I18NString& with);
    I18NString& append(const I18NString& text);
    I18NString& append(const char16_t* units, size_type count);
    I18NString& append(char16_t unit);
    I18NString& insert(size_type pos, const I18NString& text);
    // Remove leading / trailing white space (Unicode White_Space: blanks, tabs, line breaks,
    // no-break and other spaces).
    I18NString& trimLeading();
    I18NString& trimTrailing();
    I18NString& trim();

    I18NString& operator+=(const I18NString& text) { return append(text); }
    I18NString& operator+=(char16_t unit) { return append(unit); }

    // ---- comparison ----
    // Ordering is by Unicode code point (so it agrees with UTF-8 byte order); equality is exact.
    int compare(const I18NString& other) const noexcept;
    // Case-insensitive equality by Unicode default case folding.
    bool equalsIgnoreCase(const I18NString& other) const;

    friend bool operator==(const I18NString& a, const I18NString& b) noexcept {
        return a.m_text == b.m_text;
    }
    friend bool operator!=(const I18NString& a, const I18NString& b) noexcept {
        return a.m_text != b.m_text;
    }
    friend bool operator<(const I18NString& a, const I18NString& b) noexcept {
        return a.compare(b) < 0;
    }
    friend bool operator>(const I18NString& a, const I18NString& b) noexcept { return b < a; }
    friend bool operator<=(const I18NString& a, const I18NString& b) noexcept { return !(b < a); }
    friend bool operator>=(const I18NString& a, const I18NString& b) noexcept { return !(a < b); }

private:
    // UTF-8 both ways without naming the encoding: most texts of a request take this way.
    static std::u16string decodeUtf8(std::string_view bytes);
    static std::string encodeUtf8(const std::u16string& text);

    void invalidateCache() const noexcept;

    std::u16string m_text;
    // Bytes of the last c_str() call and the encoding they were made for.
    mutable std::string m_cacheBytes;
    mutable std::string m_cacheEncoding;
    mutable bool m_cacheValid = false;
};

I18NString operator+(const I18NString& a, const I18NString& b);
I18NString operator+(const I18NString& a, const char* utf8b);
I18NString operator+(const char* utf8a, const I18NString& b);

// Writes the text as UTF-8 (U+FFFD for an unpaired surrogate).
std::ostream& operator<<(std::ostream& out, const I18NString& text);

template <>
struct std::hash<I18NString> {
    std::size_t operator()(const I18NString& text) const noexcept {
        return std::hash<std::u16string>{}(text.utf16());
    }
};
