#include "VOR_AAA_CaseMapping.h"

#include "I18NLocale.h"
#include "VOR_AAA_Exception.h"
#include "VOR_AAA_Messages.h"

#include <cstring>
#include <memory>

using namespace VOR_AAA_Messages;

namespace {

// The process locale for "en-us" is made once; other locales per call.
const I18NLocale& defaultLocale() {
    static const I18NLocale locale("en-us");
    return locale;
}

[[noreturn]] void fail(const char* operation, const char* function) {
    VOR_AAA_Exception failure(-1);
    failure.addMessage(VOR_AAA_Message(kMsgStringOperationFailed) << operation << "");
    PYX_THROW(failure, function);
}

template <bool Lower>
I18NString mapped(const I18NString& text, const char* locale) {
    const char* operation = Lower ? "I18NLocale::toLower" : "I18NLocale::toUpper";
    const char* function = Lower ? "toLower" : "toUpper";
    std::unique_ptr<I18NLocale> other;
    if (locale != nullptr && std::strcmp(locale, "en-us") != 0) {
        other = std::make_unique<I18NLocale>(locale);
    }
    const I18NLocale& chosen = other ? *other : defaultLocale();
    I18NString result = Lower ? chosen.toLower(text) : chosen.toUpper(text);
    if (result.empty()) {
        fail(operation, function);
    }
    return result;
}

template <bool Lower>
void mapBytes(std::string& text, const char* locale) {
    if (text.empty()) {
        return;
    }
    I18NString unicode;
    try {
        unicode = I18NString(text);
    } catch (PYXThrowable&) {
        fail(Lower ? "I18NLocale::toLower" : "I18NLocale::toUpper", Lower ? "toLower" : "toUpper");
    }
    text = mapped<Lower>(unicode, locale).utf8();
}

}  // namespace

void toLower(std::string& text, const char* locale) {
    mapBytes<true>(text, locale);
}
void toUpper(std::string& text, const char* locale) {
    mapBytes<false>(text, locale);
}

void toLower(I18NString& text, const char* locale) {
    if (!text.empty()) {
        text = mapped<true>(text, locale);
    }
}

void toUpper(I18NString& text, const char* locale) {
    if (!text.empty()) {
        text = mapped<false>(text, locale);
    }
}
