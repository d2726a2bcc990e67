// The runtime configuration text that selects the directory server of the next handle:
//   <TESSEL_CONFIGURATION_x.y.z><GENERATION>n</GENERATION><STORAGE_TYPE>n</STORAGE_TYPE>
//   <DEFAULT_NAMESPACE>ns</DEFAULT_NAMESPACE><SSL_CERT_DB>path</SSL_CERT_DB>
//   <SSL_ENABLED>true|false</SSL_ENABLED><LDAP><HOST>h</HOST><PORT>n</PORT>
//   <BASE_DN>dn</BASE_DN><TIMEOUT>n</TIMEOUT></LDAP></TESSEL_CONFIGURATION_x.y.z>
// (one line, no white space between elements). Values are raw text (no entities) and may not
// contain '<'. HOST, PORT and BASE_DN are required; the others optional, each at most once.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ridge::access {

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
    int32_t timeoutSeconds = -1;  // -1 or 0: the library default
    // Not part of the text: access.conf's tls_mode. With SSL on, LDAPS on the configured port
    // (whatever its number) unless StartTLS on a plain port is chosen there.
    bool startTls = false;

    // Timeout to apply to connecting and to each operation.
    int effectiveTimeout() const { return timeoutSeconds > 0 ? timeoutSeconds : 30; }
    // ldaps://host:port when SSL is on (and StartTLS not chosen), else ldap://host:port.
    std::string url() const;
    bool useLdaps() const { return sslEnabled && !startTls; }
};

// Parses the text; on failure returns nullopt and sets *error to a short reason.
std::optional<RuntimeConfig> parseRuntimeConfig(std::string_view text, std::string* error);

}  // namespace ridge::access
