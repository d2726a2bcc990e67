#pragma once
// What the command line asked for.

#include <string>
#include <vector>

namespace basalt_host {

struct HostOptions {
    std::string library;
    std::vector<std::string> configs;
    std::vector<std::string> configTexts;  // read before the library is loaded
    std::string productLocale = "en-us";
    std::string contentLocale = "en-us";
    bool raw = false;
    std::string version;
    std::string namespaceId;
    std::string documentFile;
    std::string visaFile;
    std::string visaOut;
};

}  // namespace basalt_host
