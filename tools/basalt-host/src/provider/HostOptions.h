#pragma once
// What the command line asked for.

#include <string>
#include <vector>

namespace basalt_host {

struct HostOptions {
    std::string library;
    std::vector<std::string> configs;
    std::vector<std::string> configTexts;  // read before the library is loaded
    std::string locale;                    // as given; empty: from the environment
    // The locales of the host's own requests, settled once the command line is read.
    std::string productLocale = "en-us";
    std::string contentLocale;
    bool raw = false;
    std::string version;
    std::string namespaceId;
    std::string documentFile;
    std::string visaFile;
    std::string visaOut;
};

}  // namespace basalt_host
