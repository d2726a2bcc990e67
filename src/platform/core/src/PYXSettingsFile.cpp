#include "PYXSettingsFile.h"

#include <fstream>

std::string PYXTrimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return std::string(text.substr(first, last - first + 1));
}

std::vector<std::pair<std::string, std::string>> PYXReadSettingsFile(
    const std::filesystem::path& file) {
    std::vector<std::pair<std::string, std::string>> settings;
    std::ifstream in(file);
    std::string line;
    while (in && std::getline(in, line)) {
        const auto comment = line.find('#');
        if (comment != std::string::npos) {
            line.erase(comment);
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        std::string_view text(line);
        settings.emplace_back(PYXTrimmed(text.substr(0, equals)),
                              PYXTrimmed(text.substr(equals + 1)));
    }
    return settings;
}
