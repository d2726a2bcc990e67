// Reading the library's files (access.conf, message tables, keys) and trimming their lines.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ridge::access {

// The whole file, bytes as they are; nullopt when it cannot be opened.
std::optional<std::string> readFile(const std::string& path);

// s without ASCII white space (blank, tab, CR, LF, VT, FF) at either end. Other bytes are kept
// whatever the process's locale says about them: a UTF-8 character may end in 0xA0.
std::string_view trim(std::string_view s);

// The items of a list separated by `separator`, each trimmed (empty items kept).
std::vector<std::string_view> splitTrimmed(std::string_view list, char separator);

// Calls f(line, lineNo) for each line of a configuration text, trimmed, skipping empty lines and
// '#' comments (lines are numbered from 1, counting those skipped); stops when f returns false.
template <class F>
void forEachLine(std::string_view text, F&& f) {
    int lineNo = 0;
    while (!text.empty()) {
        const size_t nl = text.find('\n');
        const std::string_view line = trim(text.substr(0, nl));
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        ++lineNo;
        if (line.empty() || line.front() == '#')
            continue;
        if (!f(line, lineNo))
            return;
    }
}

}  // namespace ridge::access
