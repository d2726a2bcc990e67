#include "Encoding.h"

#include <AccessAPI.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <memory>
#include <utility>
#include <vector>

#include "Status.h"

namespace ridge::access {

namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter open(const std::string& encoding) {
    UErrorCode err = U_ZERO_ERROR;
    Converter c(ucnv_open(encoding.c_str(), &err));
    if (U_FAILURE(err) || !c)
        fail(AS_ERR_UNKNOWN_ENCODING, encoding);
    return c;
}

// The converter's own name of its encoding ("UTF-8" for "utf8"): what an error text names.
std::string converterName(UConverter* conv) {
    UErrorCode err = U_ZERO_ERROR;
    const char* name = ucnv_getName(conv, &err);
    return U_SUCCESS(err) && name ? name : "?";
}

std::u16string toUtf16(UConverter* conv, std::string_view bytes) {
    UErrorCode err = U_ZERO_ERROR;
    ucnv_setToUCallBack(conv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
    std::u16string out(bytes.size() * 2 + 1, u'\0');
    err = U_ZERO_ERROR;
    int32_t n =
        ucnv_toUChars(conv, reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                      bytes.data(), static_cast<int32_t>(bytes.size()), &err);
    if (U_FAILURE(err))
        fail(AS_ERR_INVALID_TEXT, converterName(conv));
    out.resize(static_cast<size_t>(n));
    return out;
}

// Well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF) under a UTF-8 name
// converts to and from UTF-8 unchanged, so the converters need not see it: a page of a listing
// converts thousands of short texts.
bool passesUnconverted(const TextEncoding& encoding, std::string_view text) {
    if (!encoding.isUtf8())
        return false;
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0)
            return false;
    }
    return true;
}

}  // namespace

TextEncoding::TextEncoding(std::string name)
    : m_name(std::move(name)), m_utf8(ucnv_compareNames(m_name.c_str(), "UTF-8") == 0) {}

bool encodingKnown(const std::string& encoding) {
    UErrorCode err = U_ZERO_ERROR;
    UConverter* c = ucnv_open(encoding.c_str(), &err);
    if (c)
        ucnv_close(c);
    return U_SUCCESS(err) && c != nullptr;
}

std::string toUtf8(const std::string& encoding, std::string_view bytes) {
    return toUtf8(TextEncoding(encoding), bytes);
}

std::string toUtf8(const TextEncoding& encoding, std::string_view bytes) {
    if (bytes.empty())
        return {};
    if (passesUnconverted(encoding, bytes))
        return std::string(bytes);
    auto conv = open(encoding.name());
    std::u16string u = toUtf16(conv.get(), bytes);
    UErrorCode err = U_ZERO_ERROR;
    int32_t needed = 0;
    u_strToUTF8(nullptr, 0, &needed, reinterpret_cast<const UChar*>(u.data()),
                static_cast<int32_t>(u.size()), &err);
    if (err != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(err))
        fail(AS_ERR_INVALID_TEXT, converterName(conv.get()));
    std::string out(static_cast<size_t>(needed), '\0');
    err = U_ZERO_ERROR;
    u_strToUTF8(out.data(), needed, nullptr, reinterpret_cast<const UChar*>(u.data()),
                static_cast<int32_t>(u.size()), &err);
    if (U_FAILURE(err))
        fail(AS_ERR_INVALID_TEXT, converterName(conv.get()));
    return out;
}

std::string fromUtf8(const std::string& encoding, std::string_view utf8) {
    return fromUtf8(TextEncoding(encoding), utf8);
}

std::string fromUtf8(const TextEncoding& encoding, std::string_view utf8) {
    if (utf8.empty())
        return {};
    if (passesUnconverted(encoding, utf8))
        return std::string(utf8);
    UErrorCode err = U_ZERO_ERROR;
    int32_t n16 = 0;
    u_strFromUTF8WithSub(nullptr, 0, &n16, utf8.data(), static_cast<int32_t>(utf8.size()), 0xFFFD,
                         nullptr, &err);
    std::u16string u(static_cast<size_t>(n16), u'\0');
    err = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(u.data()), n16, nullptr, utf8.data(),
                         static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &err);
    if (U_FAILURE(err))
        fail(AS_ERR_INTERNAL, "UTF-8 decoding failed");
    auto conv = open(encoding.name());
    err = U_ZERO_ERROR;
    int32_t needed =
        ucnv_fromUChars(conv.get(), nullptr, 0, reinterpret_cast<const UChar*>(u.data()),
                        static_cast<int32_t>(u.size()), &err);
    if (err != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(err))
        fail(AS_ERR_INTERNAL, "encoding failed");
    std::string out(static_cast<size_t>(needed) + 1, '\0');
    err = U_ZERO_ERROR;
    ucnv_fromUChars(conv.get(), out.data(), static_cast<int32_t>(out.size()),
                    reinterpret_cast<const UChar*>(u.data()), static_cast<int32_t>(u.size()), &err);
    if (U_FAILURE(err))
        fail(AS_ERR_INTERNAL, "encoding failed");
    out.resize(static_cast<size_t>(needed));
    return out;
}

size_t copyTruncated(const std::string& encoding, std::string_view bytes, char* buffer,
                     size_t size) {
    if (!buffer || size == 0)
        return 0;
    size_t fit = bytes.size();
    if (fit > size - 1) {
        // Walk whole characters and stop before the one that would not fit.
        auto conv = open(encoding);
        const char* src = bytes.data();
        const char* end = bytes.data() + bytes.size();
        const char* lastGood = src;
        while (src < end) {
            UErrorCode err = U_ZERO_ERROR;
            ucnv_getNextUChar(conv.get(), &src, end, &err);
            if (U_FAILURE(err) || static_cast<size_t>(src - bytes.data()) > size - 1)
                break;
            lastGood = src;
        }
        fit = static_cast<size_t>(lastGood - bytes.data());
    }
    std::copy(bytes.data(), bytes.data() + fit, buffer);
    buffer[fit] = '\0';
    return fit;
}

std::string_view utf8Prefix(std::string_view text, size_t maxBytes) {
    if (text.size() <= maxBytes)
        return text;
    size_t n = maxBytes;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return text.substr(0, n);
}

}  // namespace ridge::access
