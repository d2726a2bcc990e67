// Scanning helpers shared by the readers of search paths and of their filter predicates (not a
// public header).
#pragma once

#include <cstddef>
#include <string_view>

// The first position from p on that is not a blank; blanks of the path language are spaces
// only.
inline size_t VOR_AAA_SkipBlanks(std::string_view s, size_t p) {
    while (p < s.size() && s[p] == ' ') {
        ++p;
    }
    return p;
}

// Whether s continues at p (at most s.size()) with word, ignoring the case of ASCII letters;
// word is given in lower case.
inline bool VOR_AAA_StartsWithNoCase(std::string_view s, size_t p, std::string_view word) {
    if (s.size() - p < word.size()) {
        return false;
    }
    for (size_t i = 0; i < word.size(); ++i) {
        char c = s[p + i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != word[i]) {
            return false;
        }
    }
    return true;
}
