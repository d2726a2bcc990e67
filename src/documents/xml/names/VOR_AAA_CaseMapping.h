// Locale-aware, in-place case mapping of provider texts (filters, comparisons of names).
//
//     std::string value = "ÉCOLE";
//     toLower(value);               // "école", under "en-us"
//     toLower(value, "tr");         // Turkish rules
//
// A byte string is taken as UTF-8. An empty text is returned at once; a text that cannot be
// mapped (bytes that are not UTF-8) throws VOR_AAA_Exception code -1, kMsgStringOperationFailed.
#pragma once

#include <string>

class I18NString;

void toLower(std::string& text, const char* locale = nullptr);
void toUpper(std::string& text, const char* locale = nullptr);
void toLower(I18NString& text, const char* locale = nullptr);
void toUpper(I18NString& text, const char* locale = nullptr);
