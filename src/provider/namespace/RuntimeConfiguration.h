// The runtime configuration text a namespace hands to the access library, and the small text
// rules the namespace applies to its configuration values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Connection settings of one namespace, as they go into the runtime configuration text.
struct RuntimeConfigurationSettings {
    std::string directoryNamespace;  // the namespace's name inside the directory
    std::string sslCertificateDatabase;
    bool sslEnabled = false;
    std::string host;
    uint32_t port = 0;
    std::string baseDN;
    int32_t timeout = -1;  // -1: not configured
    std::string replicas;  // servers after host:port, "host:port,host:port"; "" when none
};

// One line, no white space, values concatenated as they are (no escaping). The values are
// the bytes of each setting in the process default encoding. Replicas, when there are any, go
// into <REPLICAS> after <TIMEOUT> (comma-separated host:port items): without them the text is
// the one-server text, byte for byte.
std::string BuildRuntimeConfigurationText(const RuntimeConfigurationSettings& settings);

// The leading decimal number of a text with the C library's atoi rules (leading blanks, an
// optional sign, then digits; anything else gives 0). Saturates instead of overflowing.
int32_t AtoiValue(std::string_view text);

// Splits a "connection" value at its first ':' into host and port text.
void SplitConnection(std::string_view connection, std::string& host, std::string& portText);

// A "connection" that names several servers, "ldap1:389 ldap2:389" or "ldap1:389,ldap2:389"
// (blanks and commas separate; every server after the first must be host:port): the first
// server's text goes to `first` (for SplitConnection) and the others, comma-separated, to
// `replicas`. Any other value is one server: `first` is the whole value, `replicas` empty.
void SplitServerList(std::string_view connection, std::string& first, std::string& replicas);

// True when the configured data encoding asks for the system encoding, that is, when it is a
// case-insensitive prefix of "UTF-8" over its own length (so the empty text counts).
bool DataEncodingSelectsSystemEncoding(std::string_view dataEncoding);

// A certificate database given as a readable file (not a directory) turns SSL on and is
// replaced by the file's directory ("." when it has none); anything else is kept as configured.
void ApplyCertificateDatabaseRule(std::string& certificateDatabase, bool& sslEnabled);

// Longest encoding name a namespace keeps.
inline constexpr std::size_t kMaxEncodingNameLength = 254;
