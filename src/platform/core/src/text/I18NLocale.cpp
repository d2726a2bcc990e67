#include "I18NLocale.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

struct I18NLocale::Impl {
    icu::Locale locale;
};

namespace {

// "en-us" / "fr_CA" / "tr" -> ICU locale; an unknown or malformed name gives the root locale.
icu::Locale localeFor(const std::string& name) {
    std::string tag = name;
    for (char& c : tag) {
        if (c == '_') {
            c = '-';
        }
    }
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale locale = icu::Locale::forLanguageTag(tag, status);
    if (U_FAILURE(status) || locale.isBogus()) {
        return icu::Locale::getRoot();
    }
    return locale;
}

icu::UnicodeString unicodeOf(const I18NString& text) {
    // Read-only alias of the text's units: no copy.
    return icu::UnicodeString(false, reinterpret_cast<const UChar*>(text.data()),
                              static_cast<int32_t>(text.length()));
}

I18NString textOf(const icu::UnicodeString& text) {
    return I18NString(reinterpret_cast<const char16_t*>(text.getBuffer()), text.length());
}

}  // namespace

I18NLocale::I18NLocale(const char* name)
    : m_name(name == nullptr || *name == '\0' ? "en-us" : name),
      m_impl(std::make_unique<Impl>(Impl{localeFor(m_name)})) {}

I18NLocale::I18NLocale(const I18NString& name) : I18NLocale(name.utf8().c_str()) {}

I18NLocale::I18NLocale(const I18NLocale& other)
    : m_name(other.m_name), m_impl(std::make_unique<Impl>(*other.m_impl)) {}

I18NLocale& I18NLocale::operator=(const I18NLocale& other) {
    if (this != &other) {
        m_name = other.m_name;
        m_impl = std::make_unique<Impl>(*other.m_impl);
    }
    return *this;
}

I18NLocale::~I18NLocale() = default;

std::string I18NLocale::getIcuName() const {
    return m_impl->locale.getName();
}

I18NString I18NLocale::toLower(const I18NString& text) const {
    if (text.empty()) {
        return text;
    }
    icu::UnicodeString mapped(unicodeOf(text));  // copy: toLower works in place
    mapped.toLower(m_impl->locale);
    return textOf(mapped);
}

I18NString I18NLocale::toUpper(const I18NString& text) const {
    if (text.empty()) {
        return text;
    }
    icu::UnicodeString mapped(unicodeOf(text));
    mapped.toUpper(m_impl->locale);
    return textOf(mapped);
}
