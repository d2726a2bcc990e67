// I18NLocale: locale-aware case mapping of I18NString texts (ICU full case mapping, so
// Turkish dotted/dotless i, German sharp s -> "SS", Greek final sigma and the like come out
// right for the locale).
#pragma once

#include <memory>
#include <string>

#include "I18NString.h"

class I18NLocale {
public:
    // A locale name as the framework writes it ("en-us", "fr-ca", "tr", "de_DE"); null or ""
    // means "en-us". A name ICU does not know behaves as the root locale (language-neutral).
    explicit I18NLocale(const char* name = "en-us");
    explicit I18NLocale(const I18NString& name);
    I18NLocale(const I18NLocale& other);
    I18NLocale& operator=(const I18NLocale& other);
    ~I18NLocale();

    // The name as given (null/"" gives "en-us").
    const std::string& getName() const noexcept { return m_name; }
    // The ICU locale identifier used for the mapping ("en_US", "tr", ...).
    std::string getIcuName() const;

    // The mapped text; the result may differ in length from the input ("ß" -> "SS").
    // Unpaired surrogates are passed through unchanged. Safe to call from several threads.
    I18NString toLower(const I18NString& text) const;
    I18NString toUpper(const I18NString& text) const;

private:
    struct Impl;
    std::string m_name;
    std::unique_ptr<Impl> m_impl;
};
