#include "PYXOsEncoding.h"

#include <langinfo.h>
#include <locale.h>
#include <unicode/ucnv.h>

#include <algorithm>
#include <cctype>
#include <memory>

namespace {

struct LocaleDeleter {
    void operator()(locale_t loc) const {
        if (loc != nullptr) {
            freelocale(loc);
        }
    }
};
using LocalePtr = std::unique_ptr<std::remove_pointer_t<locale_t>, LocaleDeleter>;

bool icuKnows(const std::string& name) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(name.c_str(), &status);
    if (converter != nullptr) {
        ucnv_close(converter);
    }
    return U_SUCCESS(status);
}

bool isDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

}  // namespace

std::string PYXOsNormalizeCodeset(std::string_view codeset) {
    // The C and POSIX locales report plain ASCII: that only says no locale was chosen, so the
    // Western default (a superset of ASCII) loses nothing.
    if (codeset.empty() || codeset == "ANSI_X3.4-1968" || codeset == "ASCII" ||
        codeset == "US-ASCII" || codeset.size() > kPYXOsEncodingMaxLength) {
        return kPYXOsEncodingFallback;
    }
    std::string name(codeset);
    // Windows-style code pages ("CP1251") are written the way the rest of the system writes them.
    if (name.size() > 2 && (name[0] == 'C' || name[0] == 'c') &&
        (name[1] == 'P' || name[1] == 'p') && isDigits(std::string_view(name).substr(2))) {
        name[0] = 'c';
        name[1] = 'p';
    }
    return icuKnows(name) ? name : std::string(kPYXOsEncodingFallback);
}

std::string PYXOsEncodingOfLocale(const char* localeName) {
    try {
        // newlocale reads the environment for "" but leaves the global locale untouched, so the
        // query has no side effect on other threads.
        LocalePtr loc(newlocale(LC_CTYPE_MASK, localeName != nullptr ? localeName : "", nullptr));
        if (!loc) {
            return kPYXOsEncodingFallback;
        }
        const char* codeset = nl_langinfo_l(CODESET, loc.get());
        return PYXOsNormalizeCodeset(codeset != nullptr ? codeset : "");
    } catch (...) {
        return kPYXOsEncodingFallback;
    }
}

std::string PYXOsDefaultEncoding() {
    return PYXOsEncodingOfLocale("");
}
