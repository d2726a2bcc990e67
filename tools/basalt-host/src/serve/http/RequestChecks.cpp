#include "RequestChecks.h"

#include <algorithm>

namespace basalt_host::serve {

bool hostAccepted(const HttpRequest& http, const std::string& listenAddress,
                  const std::vector<std::string>& publicNames) {
    if (http.headerCount("Host") != 1) {
        return false;
    }
    std::string host = http.header("Host");
    // The name without its port; an IPv6 literal keeps its brackets off. Anything but a port
    // after the name, or an IPv6 literal that is not one, is no name of this server.
    std::string port;
    if (!host.empty() && host.front() == '[') {
        std::size_t close = host.find(']');
        if (close == std::string::npos) {
            return false;
        }
        port = host.substr(close + 1);
        host = host.substr(1, close - 1);
        if (host.find_first_not_of("0123456789abcdefABCDEF:.") != std::string::npos) {
            return false;
        }
    } else if (std::size_t colon = host.find(':'); colon != std::string::npos) {
        port = host.substr(colon);
        host.resize(colon);
    }
    if (!port.empty() &&
        (port.front() != ':' || port.find_first_not_of("0123456789", 1) != std::string::npos)) {
        return false;
    }
    auto same = [&](const std::string& name) { return headerNamesEqual(host, name); };
    const std::string& listen = listenAddress;
    if (same(listen) || std::any_of(publicNames.begin(), publicNames.end(), same)) {
        return true;
    }
    bool loopback = listen == "127.0.0.1" || listen == "::1" || listen == "localhost";
    if (loopback && (same("localhost") || same("127.0.0.1") || same("::1"))) {
        return true;
    }
    // Listening on every address: any address literal names this machine; a DNS name still
    // has to be one of the public names.
    bool wildcard = listen == "0.0.0.0" || listen == "::";
    return wildcard && !host.empty() &&
           (host.find(':') != std::string::npos ||
            host.find_first_not_of("0123456789.") == std::string::npos);
}

bool isLocalTarget(std::string_view target) {
    if (target.size() < 2 || target.front() != '/' || target[1] == '/' || target[1] == '\\') {
        return false;
    }
    return std::none_of(target.begin(), target.end(), [](char c) {
        return c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
    });
}

}  // namespace basalt_host::serve
