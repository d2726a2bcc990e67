#pragma once
// Small pieces of HTTP header syntax shared by the header readers.

#include <string_view>

namespace basalt_host::serve {

// The text without the optional white space (spaces and tabs) HTTP allows around values.
inline std::string_view trimmedWhiteSpace(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace basalt_host::serve
