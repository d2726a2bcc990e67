#pragma once
// The gateway's own words (buttons, headings, its own errors) in the languages it knows, and
// the choice of the request's product locale from Accept-Language. Captions and messages come
// from the provider in that locale; only the gateway's frame around them is translated here.

#include <string>
#include <string_view>

namespace basalt_host::serve {

// The product locale a browser asks for: the language tag with the highest quality value in
// the Accept-Language header (first one on a tie), lower-cased with '-' separators; "*", tags
// with characters outside letters, digits and '-', and q=0 are passed over. fallback when none.
std::string productLocaleFrom(std::string_view acceptLanguage, const std::string& fallback);

struct PageTexts {
    const char* lang;         // the language tag of the page
    const char* signOnTitle;  // heading of the sign-on page
    const char* signOn;       // its button
    const char* chooseNamespace;
    const char* next;
    const char* signedOnAs;  // followed by the user's name
    const char* signOff;
    const char* signedOff;
    const char* signOnAgain;
    const char* directory;  // heading of the browser
    const char* name;
    const char* kind;
    const char* properties;
    const char* property;
    const char* value;
    const char* filter;
    const char* apply;
    const char* previousPage;
    const char* nextPage;
    const char* objectsShown;  // "objects %1-%2"
    const char* noObjects;
    const char* up;
    const char* passwordsDiffer;
    const char* formExpired;
    const char* failed;
    const char* userHeaderTwice;  // the trusted proxy's user header came more than once
    // The gateway's error pages: a heading per status and the way onward.
    const char* badRequest;       // 400
    const char* notFound;         // 404
    const char* wrongMethod;      // 405
    const char* tooLarge;         // 413
    const char* addressTooLong;   // 414
    const char* headersTooLarge;  // 431
    const char* notImplemented;   // 501
    const char* unavailable;      // 503: the directory does not answer
    const char* retry;            // the link that asks again
    const char* toStart;          // the link to the gateway's first page
    const char* badNumber;        // a number in the address that is not one
    const char* tooManyAttempts;  // 429 after failed sign-ons
    const char* changePassword;   // the button of the password change form
    const char* sessionExpired;   // the sign-on page after an idle session ended
};

// The texts for a product locale: French for "fr" and its regional forms, English otherwise.
const PageTexts& pageTexts(std::string_view productLocale);

}  // namespace basalt_host::serve
