#include "TextFile.h"

#include <fstream>
#include <sstream>

namespace ridge::access {

std::optional<std::string> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string_view> splitTrimmed(std::string_view list, char separator) {
    std::vector<std::string_view> items;
    for (size_t start = 0;;) {
        const size_t end = list.find(separator, start);
        items.push_back(
            trim(list.substr(start, end == std::string_view::npos ? end : end - start)));
        if (end == std::string_view::npos)
            return items;
        start = end + 1;
    }
}

std::string_view trim(std::string_view s) {
    constexpr std::string_view kSpace = " \t\r\n\v\f";
    const size_t first = s.find_first_not_of(kSpace);
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(kSpace) - first + 1);
}

}  // namespace ridge::access
