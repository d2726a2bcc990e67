#pragma once
// ASCII case, for the names protocols compare without it (HTTP header names, cookie flags, the
// XML declaration's name and encoding); every other byte is compared as it is.

#include <algorithm>
#include <string_view>

namespace basalt_host {

inline char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

}  // namespace basalt_host
