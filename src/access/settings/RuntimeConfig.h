// The runtime configuration text that selects the directory server of the next handle:
//   <TESSEL_CONFIGURATION_x.y.z><GENERATION>n</GENERATION><STORAGE_TYPE>n</STORAGE_TYPE>
//   <DEFAULT_NAMESPACE>ns</DEFAULT_NAMESPACE><SSL_CERT_DB>path</SSL_CERT_DB>
//   <SSL_ENABLED>true|false</SSL_ENABLED><LDAP><HOST>h</HOST><PORT>n</PORT>
//   <BASE_DN>dn</BASE_DN><TIMEOUT>n</TIMEOUT><REPLICAS>h:n h:n</REPLICAS></LDAP>
//   </TESSEL_CONFIGURATION_x.y.z>
// (one line, no white space between elements). Values are raw text (no entities) and may not
// contain '<'. HOST, PORT and BASE_DN are required; the others optional, each at most once.
// REPLICAS names the servers to use, in this order, when HOST:PORT does not answer: host:port
// items separated by blanks or commas (an IPv6 address in brackets, [::1]:389).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ridge::access {

// One directory server of a configuration.
struct ServerAddress {
    std::string host;
    uint32_t port = 0;
    // "host:port" ("[v6]:port" for an IPv6 address): how traces and texts name the server.
    std::string text() const;
    bool operator==(const ServerAddress&) const = default;
};

// "host:port" items separated by blanks or commas; nullopt and *error when an item is not one.
std::optional<std::vector<ServerAddress>> parseServerList(std::string_view text,
                                                          std::string* error);

struct RuntimeConfig {
    std::string version;  // "6.7.0" from the root element name
    int64_t generation = 0;
    int64_t storageType = 0;
    std::string defaultNamespace;  // bytes of the process default encoding
    std::string sslCertDb;         // directory (hashed CA certificates) or PEM file
    bool sslEnabled = false;
    std::string host;
    uint32_t port = 0;
    std::string baseDn;
    int32_t timeoutSeconds = -1;          // -1 or 0: the library default
    std::vector<ServerAddress> replicas;  // after host:port, in order of preference
    // Not part of the text: access.conf's tls_mode. With SSL on, LDAPS on the configured port
    // (whatever its number) unless StartTLS on a plain port is chosen there.
    bool startTls = false;
    // Not part of the text either: access.conf's failback_interval.
    long failbackIntervalSeconds = 60;

    // Timeout to apply to connecting and to each operation.
    int effectiveTimeout() const { return timeoutSeconds > 0 ? timeoutSeconds : 30; }
    // ldaps://host:port when SSL is on (and StartTLS not chosen), else ldap://host:port.
    std::string url() const { return urlOf(primary()); }
    std::string urlOf(const ServerAddress& server) const;
    ServerAddress primary() const { return {host, port}; }
    // The primary, then the replicas (without repetitions).
    std::vector<ServerAddress> servers() const;
    bool useLdaps() const { return sslEnabled && !startTls; }
};

// Parses the text; on failure returns nullopt and sets *error to a short reason.
std::optional<RuntimeConfig> parseRuntimeConfig(std::string_view text, std::string* error);

}  // namespace ridge::access
