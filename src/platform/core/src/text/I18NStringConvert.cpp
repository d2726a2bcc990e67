// Byte conversions of I18NString: UTF-8 and UTF-16/UCS-2 by hand (exact error positions, no
// converter needed), every other encoding through ICU converters with the stop callbacks, so
// that an invalid or unrepresentable character is an error and never a substitution.
#include <langinfo.h>
#include <locale.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "CoreErrors.h"
#include "I18NString.h"

namespace {

enum class Kind { Utf8, Utf16, Ucs2, Icu };

struct Encoding {
    Kind kind;
    std::string_view name;  // as given (for messages and the ICU converter); lives for the call
};

// Whether name spells squeezed ("utf8", "ucs2", ...) with '-' and '_' left out and ASCII case
// ignored. Every text conversion names its encoding, so this runs without building a string.
bool spells(const char* name, std::string_view squeezed) {
    std::size_t at = 0;
    for (const char* p = name; *p != '\0'; ++p) {
        char c = *p;
        if (c == '-' || c == '_') {
            continue;
        }
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (at == squeezed.size() || c != squeezed[at]) {
            return false;
        }
        ++at;
    }
    return at == squeezed.size();
}

Encoding chooseEncoding(const char* encoding) {
    if (encoding == nullptr || *encoding == '\0') {
        encoding = I18NString::defaultEncoding();
    }
    // The name nearly every call passes, compared before the general spelling rule.
    if (std::strcmp(encoding, "UTF8") == 0 || spells(encoding, "utf8")) {
        return {Kind::Utf8, encoding};
    }
    if (spells(encoding, "utf16") || spells(encoding, "unicode")) {
        return {Kind::Utf16, encoding};
    }
    if (spells(encoding, "ucs2")) {
        return {Kind::Ucs2, encoding};
    }
    return {Kind::Icu, encoding};
}

[[noreturn]] void invalidBytes(const Encoding& encoding, std::size_t offset) {
    PYX_CORE_RAISE(kPYXErrorConversion,
                   PYXMessage(kPYXComponent, kPYXMsgInvalidBytes)
                       << std::string(encoding.name) << offset,
                   "Text in encoding \"" + std::string(encoding.name) +
                       "\" holds an invalid byte sequence at byte offset " + std::to_string(offset),
                   "I18NString::I18NString");
}

[[noreturn]] void unrepresentable(const Encoding& encoding, std::size_t position) {
    PYX_CORE_RAISE(kPYXErrorConversion,
                   PYXMessage(kPYXComponent, kPYXMsgUnrepresentable)
                       << std::string(encoding.name) << position,
                   "The character at position " + std::to_string(position) +
                       " cannot be written in encoding \"" + std::string(encoding.name) + "\"",
                   "I18NString::toBytes");
}

[[noreturn]] void unknownEncoding(const Encoding& encoding) {
    PYX_CORE_RAISE(kPYXErrorConversion,
                   PYXMessage(kPYXComponent, kPYXMsgUnknownEncoding) << std::string(encoding.name),
                   "Unknown character encoding \"" + std::string(encoding.name) + "\"",
                   "I18NString");
}

struct ConverterCloser {
    void operator()(UConverter* converter) const noexcept { ucnv_close(converter); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// One converter per encoding and thread, reset before each use: opening converters is the
// expensive part of a conversion.
UConverter* converterFor(const Encoding& encoding) {
    thread_local std::unordered_map<std::string, ConverterPtr> converters;
    const std::string name(encoding.name);
    auto found = converters.find(name);
    if (found == converters.end()) {
        UErrorCode status = U_ZERO_ERROR;
        ConverterPtr converter(ucnv_open(name.c_str(), &status));
        if (U_FAILURE(status) || !converter) {
            unknownEncoding(encoding);
        }
        ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                            &status);
        ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                              &status);
        if (U_FAILURE(status)) {
            unknownEncoding(encoding);
        }
        found = converters.emplace(name, std::move(converter)).first;
    }
    ucnv_reset(found->second.get());
    return found->second.get();
}

// Byte length of a NUL-terminated text whose terminator is unitSize zero bytes at a multiple
// of unitSize.
std::size_t terminatedLength(const char* bytes, std::size_t unitSize) {
    std::size_t length = 0;
    for (;;) {
        bool allZero = true;
        for (std::size_t i = 0; i < unitSize; ++i) {
            if (bytes[length + i] != '\0') {
                allZero = false;
                break;
            }
        }
        if (allZero) {
            return length;
        }
        length += unitSize;
    }
}

std::u16string fromUtf8(const char* bytes, std::size_t length, const Encoding& encoding) {
    // Sized for the worst case (one unit per byte) and cut back: the loop then writes through a
    // pointer, and ASCII bytes, most of every text, skip the decoder.
    std::u16string text(length, u'\0');
    char16_t* out = text.data();
    const auto* source = reinterpret_cast<const uint8_t*>(bytes);
    int64_t i = 0;
    const int64_t end = static_cast<int64_t>(length);
    while (i < end) {
        if (source[i] < 0x80) {
            *out++ = source[i++];
            continue;
        }
        const int64_t start = i;
        UChar32 c;
        U8_NEXT(source, i, end, c);
        if (c < 0) {
            invalidBytes(encoding, static_cast<std::size_t>(start));
        }
        if (c <= 0xFFFF) {
            *out++ = static_cast<char16_t>(c);
        } else {
            *out++ = U16_LEAD(c);
            *out++ = U16_TRAIL(c);
        }
    }
    text.resize(static_cast<std::size_t>(out - text.data()));
    return text;
}

std::u16string fromUtf16(const char* bytes, std::size_t length, const Encoding& encoding) {
    if (length % 2 != 0) {
        invalidBytes(encoding, length - 1);
    }
    std::u16string text(length / 2, u'\0');
    std::memcpy(text.data(), bytes, length);
    // A byte-order mark picks the order and is not part of the text.
    std::size_t bomBytes = 0;
    if (!text.empty() && (text[0] == 0xFEFF || text[0] == 0xFFFE)) {
        if (text[0] == 0xFFFE) {
            for (char16_t& unit : text) {
                unit = static_cast<char16_t>((unit >> 8) | (unit << 8));
            }
        }
        text.erase(0, 1);
        bomBytes = 2;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        const std::size_t offset = bomBytes + 2 * i;
        if (encoding.kind == Kind::Ucs2) {
            if (U16_IS_SURROGATE(unit)) {
                invalidBytes(encoding, offset);
            }
        } else if (U16_IS_LEAD(unit)) {
            if (i + 1 >= text.size() || !U16_IS_TRAIL(text[i + 1])) {
                invalidBytes(encoding, offset);
            }
            ++i;
        } else if (U16_IS_TRAIL(unit)) {
            invalidBytes(encoding, offset);
        }
    }
    return text;
}

std::u16string fromIcu(const char* bytes, std::size_t length, const Encoding& encoding) {
    UConverter* converter = converterFor(encoding);
    std::u16string text(length + 16, u'\0');
    const char* source = bytes;
    const char* sourceEnd = bytes + length;
    std::size_t written = 0;
    for (;;) {
        UChar* target = reinterpret_cast<UChar*>(text.data()) + written;
        UChar* targetEnd = reinterpret_cast<UChar*>(text.data()) + text.size();
        UErrorCode status = U_ZERO_ERROR;
        ucnv_toUnicode(converter, &target, targetEnd, &source, sourceEnd, nullptr, true, &status);
        written = static_cast<std::size_t>(target - reinterpret_cast<UChar*>(text.data()));
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            text.resize(text.size() * 2);
            continue;
        }
        if (U_FAILURE(status)) {
            char invalid[32];
            int8_t invalidLength = sizeof invalid;
            UErrorCode ignored = U_ZERO_ERROR;
            ucnv_getInvalidChars(converter, invalid, &invalidLength, &ignored);
            if (U_FAILURE(ignored)) {
                invalidLength = 0;
            }
            invalidBytes(encoding, static_cast<std::size_t>(source - bytes) -
                                       static_cast<std::size_t>(invalidLength));
        }
        break;
    }
    text.resize(written);
    return text;
}

std::string toUtf8(const std::u16string& text, const Encoding& encoding) {
    // At most three bytes per unit (a surrogate pair, two units, makes four); cut back after.
    std::string bytes(text.size() * 3, '\0');
    char* out = bytes.data();
    int32_t i = 0;
    const int32_t length = static_cast<int32_t>(text.size());
    while (i < length) {
        if (text[static_cast<std::size_t>(i)] < 0x80) {
            *out++ = static_cast<char>(text[static_cast<std::size_t>(i++)]);
            continue;
        }
        const int32_t start = i;
        UChar32 c;
        U16_NEXT(text.data(), i, length, c);
        if (U_IS_SURROGATE(c)) {
            unrepresentable(encoding, static_cast<std::size_t>(start));
        }
        int32_t n = 0;
        U8_APPEND_UNSAFE(out, n, c);
        out += n;
    }
    bytes.resize(static_cast<std::size_t>(out - bytes.data()));
    return bytes;
}

std::string toUtf16(const std::u16string& text, const Encoding& encoding) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (encoding.kind == Kind::Ucs2) {
            if (U16_IS_SURROGATE(unit)) {
                unrepresentable(encoding, i);
            }
        } else if (U16_IS_LEAD(unit)) {
            if (i + 1 >= text.size() || !U16_IS_TRAIL(text[i + 1])) {
                unrepresentable(encoding, i);
            }
            ++i;
        } else if (U16_IS_TRAIL(unit)) {
            unrepresentable(encoding, i);
        }
    }
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

std::string toIcu(const std::u16string& text, const Encoding& encoding) {
    UConverter* converter = converterFor(encoding);
    std::string bytes(text.size() * static_cast<std::size_t>(ucnv_getMaxCharSize(converter)) + 16,
                      '\0');
    const UChar* source = reinterpret_cast<const UChar*>(text.data());
    const UChar* sourceEnd = source + text.size();
    std::size_t written = 0;
    for (;;) {
        char* target = bytes.data() + written;
        char* targetEnd = bytes.data() + bytes.size();
        UErrorCode status = U_ZERO_ERROR;
        ucnv_fromUnicode(converter, &target, targetEnd, &source, sourceEnd, nullptr, true, &status);
        written = static_cast<std::size_t>(target - bytes.data());
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            bytes.resize(bytes.size() * 2);
            continue;
        }
        if (U_FAILURE(status)) {
            UChar invalid[8];
            int8_t invalidLength = 8;
            UErrorCode ignored = U_ZERO_ERROR;
            ucnv_getInvalidUChars(converter, invalid, &invalidLength, &ignored);
            if (U_FAILURE(ignored)) {
                invalidLength = 0;
            }
            const auto consumed =
                static_cast<std::size_t>(source - reinterpret_cast<const UChar*>(text.data()));
            unrepresentable(encoding, consumed - static_cast<std::size_t>(invalidLength));
        }
        break;
    }
    bytes.resize(written);
    return bytes;
}

std::size_t terminatorSize(const Encoding& encoding) {
    switch (encoding.kind) {
        case Kind::Utf8:
            return 1;
        case Kind::Utf16:
        case Kind::Ucs2:
            return 2;
        case Kind::Icu:
            return static_cast<std::size_t>(ucnv_getMinCharSize(converterFor(encoding)));
    }
    return 1;
}

std::string encode(const std::u16string& text, const Encoding& encoding) {
    switch (encoding.kind) {
        case Kind::Utf8:
            return toUtf8(text, encoding);
        case Kind::Utf16:
        case Kind::Ucs2:
            return toUtf16(text, encoding);
        case Kind::Icu:
            return toIcu(text, encoding);
    }
    return {};
}

constexpr Encoding kUtf8{Kind::Utf8, "UTF8"};

}  // namespace

std::u16string I18NString::decodeUtf8(std::string_view bytes) {
    return fromUtf8(bytes.data(), bytes.size(), kUtf8);
}

std::string I18NString::encodeUtf8(const std::u16string& text) {
    return toUtf8(text, kUtf8);
}

const char* I18NString::defaultEncoding() {
    // The code set of the locale the environment names (LC_ALL, LC_CTYPE, LANG), read without
    // touching the process's global locale, so it does not depend on whether anybody called
    // setlocale. Plain ASCII (the "C" locale) and names ICU does not know become UTF-8.
    static const std::string name = [] {
        std::string codeset;
        if (locale_t environment = newlocale(LC_CTYPE_MASK, "", nullptr)) {
            const char* answer = nl_langinfo_l(CODESET, environment);
            codeset = answer != nullptr ? answer : "";
            freelocale(environment);
        }
        if (codeset.empty() || ucnv_compareNames(codeset.c_str(), "ANSI_X3.4-1968") == 0 ||
            ucnv_compareNames(codeset.c_str(), "US-ASCII") == 0 ||
            ucnv_compareNames(codeset.c_str(), "ASCII") == 0) {
            return std::string("UTF-8");
        }
        UErrorCode status = U_ZERO_ERROR;
        UConverter* probe = ucnv_open(codeset.c_str(), &status);
        ucnv_close(probe);
        return U_SUCCESS(status) ? codeset : std::string("UTF-8");
    }();
    return name.c_str();
}

bool I18NString::isUtf8Encoding(const char* encoding) {
    return chooseEncoding(encoding).kind == Kind::Utf8;
}

bool I18NString::isWellFormedUtf8(std::string_view bytes) noexcept {
    const auto* source = reinterpret_cast<const uint8_t*>(bytes.data());
    const int64_t end = static_cast<int64_t>(bytes.size());
    int64_t i = 0;
    while (i < end) {
        // ASCII needs no decoding: eight bytes at a time while no byte has its high bit set.
        if (end - i >= 8) {
            uint64_t word;
            std::memcpy(&word, source + i, sizeof word);
            if ((word & 0x8080808080808080ull) == 0) {
                i += 8;
                continue;
            }
        }
        if (source[i] < 0x80) {
            ++i;
            continue;
        }
        UChar32 c;
        U8_NEXT(source, i, end, c);
        if (c < 0) {
            return false;
        }
    }
    return true;
}

I18NString::I18NString(const char* bytes, int32_t length, const char* encoding) {
    if (bytes == nullptr || length == 0) {
        // Still report an unknown encoding name: the caller's configuration is wrong.
        const Encoding chosen = chooseEncoding(encoding);
        if (chosen.kind == Kind::Icu) {
            converterFor(chosen);
        }
        return;
    }
    const Encoding chosen = chooseEncoding(encoding);
    const std::size_t unit = terminatorSize(chosen);
    const std::size_t byteLength =
        length < 0 ? terminatedLength(bytes, unit) : static_cast<std::size_t>(length);
    switch (chosen.kind) {
        case Kind::Utf8:
            m_text = fromUtf8(bytes, byteLength, chosen);
            break;
        case Kind::Utf16:
        case Kind::Ucs2:
            m_text = fromUtf16(bytes, byteLength, chosen);
            break;
        case Kind::Icu:
            m_text = fromIcu(bytes, byteLength, chosen);
            break;
    }
}

std::string I18NString::toString(const char* encoding) const {
    return encode(m_text, chooseEncoding(encoding));
}

const char* I18NString::c_str(const char* encoding) const {
    const Encoding chosen = chooseEncoding(encoding);
    if (!m_cacheValid || m_cacheEncoding != chosen.name) {
        std::string bytes = encode(m_text, chosen);
        // std::string adds one NUL; wider encodings need a whole NUL unit.
        bytes.append(terminatorSize(chosen) - 1, '\0');
        m_cacheBytes = std::move(bytes);
        m_cacheEncoding = chosen.name;
        m_cacheValid = true;
    }
    return m_cacheBytes.c_str();
}

int32_t I18NString::toBytes(char*& out, const char* encoding) const {
    out = nullptr;
    const Encoding chosen = chooseEncoding(encoding);
    const std::string bytes = encode(m_text, chosen);
    const std::size_t terminator = terminatorSize(chosen);
    out = new char[bytes.size() + terminator];
    std::memcpy(out, bytes.data(), bytes.size());
    std::memset(out + bytes.size(), 0, terminator);
    return static_cast<int32_t>(bytes.size());
}

void I18NString::freeBuffer(char* buffer) noexcept {
    delete[] buffer;
}
