#include "I18NString.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <ostream>
#include <stdexcept>

namespace {

std::u16string unitsOf(const char16_t* units, int32_t length) {
    if (units == nullptr) {
        return {};
    }
    if (length < 0) {
        return std::u16string(units);
    }
    return std::u16string(units, static_cast<std::size_t>(length));
}

bool isWhiteSpaceAt(const std::u16string& text, std::size_t pos) {
    return u_isUWhiteSpace(text[pos]) != 0;
}

}  // namespace

I18NString::I18NString(const char* utf8)
    : m_text(utf8 != nullptr ? decodeUtf8(utf8) : std::u16string()) {}

I18NString::I18NString(const std::string& utf8) : m_text(decodeUtf8(utf8)) {}

I18NString::I18NString(std::string_view utf8) : m_text(decodeUtf8(utf8)) {}

I18NString::I18NString(const char16_t* units, int32_t length) : m_text(unitsOf(units, length)) {}

I18NString::I18NString(const std::u16string& units) : m_text(units) {}

I18NString::I18NString(std::u16string&& units) noexcept : m_text(std::move(units)) {}

I18NString::I18NString(size_type count, char16_t unit) : m_text(count, unit) {}

I18NString::I18NString(const I18NString& other) : m_text(other.m_text) {}

I18NString::I18NString(I18NString&& other) noexcept : m_text(std::move(other.m_text)) {
    other.invalidateCache();
}

I18NString& I18NString::operator=(const I18NString& other) {
    if (this != &other) {
        m_text = other.m_text;
        invalidateCache();
    }
    return *this;
}

I18NString& I18NString::operator=(I18NString&& other) noexcept {
    if (this != &other) {
        m_text = std::move(other.m_text);
        invalidateCache();
        other.invalidateCache();
    }
    return *this;
}

I18NString::~I18NString() = default;

void I18NString::invalidateCache() const noexcept {
    m_cacheValid = false;
    m_cacheBytes.clear();
    m_cacheEncoding.clear();
}

void I18NString::clear() noexcept {
    m_text.clear();
    invalidateCache();
}

I18NString::size_type I18NString::find(const I18NString& what, size_type pos) const noexcept {
    return m_text.find(what.m_text, pos);
}

I18NString::size_type I18NString::find(char16_t unit, size_type pos) const noexcept {
    return m_text.find(unit, pos);
}

I18NString::size_type I18NString::rfind(const I18NString& what, size_type pos) const noexcept {
    return m_text.rfind(what.m_text, pos);
}

I18NString I18NString::substr(size_type pos, size_type count) const {
    return I18NString(m_text.substr(pos, count));
}

I18NString& I18NString::erase(size_type pos, size_type count) {
    m_text.erase(pos, count);
    invalidateCache();
    return *this;
}

I18NString& I18NString::replace(size_type pos, size_type count, const I18NString& with) {
    m_text.replace(pos, count, with.m_text);
    invalidateCache();
    return *this;
}

I18NString& I18NString::append(const I18NString& text) {
    m_text.append(text.m_text);
    invalidateCache();
    return *this;
}

I18NString& I18NString::append(const char16_t* units, size_type count) {
    m_text.append(units, count);
    invalidateCache();
    return *this;
}

I18NString& I18NString::append(char16_t unit) {
    m_text.push_back(unit);
    invalidateCache();
    return *this;
}

I18NString& I18NString::insert(size_type pos, const I18NString& text) {
    m_text.insert(pos, text.m_text);
    invalidateCache();
    return *this;
}

I18NString& I18NString::trimLeading() {
    size_type first = 0;
    while (first < m_text.size() && isWhiteSpaceAt(m_text, first)) {
        ++first;
    }
    m_text.erase(0, first);
    invalidateCache();
    return *this;
}

I18NString& I18NString::trimTrailing() {
    size_type end = m_text.size();
    while (end > 0 && isWhiteSpaceAt(m_text, end - 1)) {
        --end;
    }
    m_text.erase(end);
    invalidateCache();
    return *this;
}

I18NString& I18NString::trim() {
    return trimTrailing().trimLeading();
}

int I18NString::compare(const I18NString& other) const noexcept {
    int32_t result =
        u_strCompare(m_text.data(), static_cast<int32_t>(m_text.size()), other.m_text.data(),
                     static_cast<int32_t>(other.m_text.size()), true);
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

bool I18NString::equalsIgnoreCase(const I18NString& other) const {
    UErrorCode status = U_ZERO_ERROR;
    int32_t result =
        u_strCaseCompare(m_text.data(), static_cast<int32_t>(m_text.size()), other.m_text.data(),
                         static_cast<int32_t>(other.m_text.size()), U_FOLD_CASE_DEFAULT, &status);
    return U_SUCCESS(status) && result == 0;
}

I18NString operator+(const I18NString& a, const I18NString& b) {
    I18NString result(a);
    result.append(b);
    return result;
}

I18NString operator+(const I18NString& a, const char* utf8b) {
    return a + I18NString(utf8b);
}

I18NString operator+(const char* utf8a, const I18NString& b) {
    return I18NString(utf8a) + b;
}

std::ostream& operator<<(std::ostream& out, const I18NString& text) {
    const std::u16string& units = text.utf16();
    std::string bytes;
    bytes.reserve(units.size());
    int32_t i = 0;
    const int32_t length = static_cast<int32_t>(units.size());
    while (i < length) {
        UChar32 c;
        U16_NEXT(units.data(), i, length, c);
        if (U_IS_SURROGATE(c)) {
            c = 0xFFFD;
        }
        char buffer[4];
        int32_t n = 0;
        U8_APPEND_UNSAFE(buffer, n, c);
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return out << bytes;
}
