// The home directory's small settings files (logging.conf, documents.conf): "key = value" lines,
// "#" starts a comment; blank lines and lines without "=" are skipped.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The text without leading and trailing spaces, tabs and carriage returns.
std::string PYXTrimmed(std::string_view text);

// The (key, value) pairs of the file, both trimmed, in file order; none when the file cannot
// be read (every setting then keeps its default).
std::vector<std::pair<std::string, std::string>> PYXReadSettingsFile(
    const std::filesystem::path& file);
