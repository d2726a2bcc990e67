// Reading the library's files (access.conf, message tables, keys) and trimming their lines.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ridge::access {

// The whole file, bytes as they are; nullopt when it cannot be opened.
std::optional<std::string> readFile(const std::string& path);

// s without ASCII white space (blank, tab, CR, LF, VT, FF) at either end. Other bytes are kept
// whatever the process's locale says about them: a UTF-8 character may end in 0xA0.
std::string_view trim(std::string_view s);

}  // namespace ridge::access
