#include "internal/TextFile.h"

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

std::string_view trim(std::string_view s) {
    constexpr std::string_view kSpace = " \t\r\n\v\f";
    const size_t first = s.find_first_not_of(kSpace);
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(kSpace) - first + 1);
}

}  // namespace ridge::access
