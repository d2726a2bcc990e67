// Why libldap could not set up TLS with a server. libldap reports only that the handshake
// failed; this looks again, accepting any certificate, fetches the server's certificate and
// checks it against the configured CA and the configured host name itself.
#pragma once

#include <string>

#include "RuntimeConfig.h"

namespace ridge::access {

struct TlsDiagnosis {
    // "untrusted" (no configured CA vouches for the certificate, or it has expired), "name"
    // (the certificate does not name the host), or "handshake" (no TLS session at all, or no
    // cause found).
    std::string reason;
    std::string detail;            // what the check found, e.g. OpenSSL's verification error
    bool certificateSeen = false;  // the server answered with a certificate
};

// url: the URL the failed connection used (ldaps:// or ldap:// with StartTLS).
TlsDiagnosis diagnoseTls(const RuntimeConfig& cfg, const std::string& url);

}  // namespace ridge::access
