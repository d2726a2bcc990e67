// The access library's own configuration file, <home>/access.conf: "key = value" lines,
// '#' comments. Keys:
//   service_dn            DN of the service identity (absolute)
//   service_rdn           RDN of the service identity below each handle's base DN
//                         (used when service_dn is absent), e.g. cn=ridge-service
//   service_password_file file holding the service identity's password (relative: to home)
//   service_sasl_external yes: bind the service identity with SASL EXTERNAL instead
//   service_url           URL for the service identity's connections (e.g. ldapi://%2Frun%2F
//                         ldapi for EXTERNAL over a local socket); default: the handle's server
//   ticket_lifetime       seconds a ticket lives after creation or refresh (default 3600)
//   ticket_max_lifetime   seconds after creation beyond which no refresh is granted (28800)
//   ticket_purge_interval seconds between two purges of long-expired tickets (600); a purge
//                         runs with the first ticket issued once it is due
//   ticket_keep_expired   seconds an expired ticket is kept (reported as expired, not unknown)
//                         before a purge deletes it (86400)
//   certificate_lifetime  seconds a certificate is valid (28800)
//   tls_mode              ldaps (default): with SSL enabled in the runtime configuration the
//                         library speaks LDAPS on the configured port; starttls: plain LDAP on
//                         that port, then StartTLS
//   default_runtime_config  file with a runtime configuration text used when none was set
//   failback_interval     seconds (default 60) between two checks, by a handle working with a
//                         replica, whether a server before it in the list answers again; the
//                         check runs before an operation, never during one
//   pool_size             connections (default 8) bound as the service identity that the
//                         handles of one server set share for their reads; a call waits up to
//                         the timeout for one to come free
//   bind_pool_size        connections (default 4) kept for password checks (a sign-on's bind)
//   trace_file            file (relative: to home) to which the library appends one JSON line
//                         per connection it opens and per server that fails or takes over;
//                         default: no trace
//   offline_days          days a user's offline entry stays usable after the sign-on that wrote
//                         it (default 0: no offline sign-on, nothing cached); see OfflineCache.h
//   offline_refresh_hours hours (default 12) before a user's entry is written again by an online
//                         sign-on with an unchanged password
//   offline_failed_login_attempts  wrong passwords offline (default 3) after which a user waits
//   offline_failed_login_delay     minutes (default 5) between two attempts once they are spent
//   offline_argon2_time, offline_argon2_memory (KiB), offline_argon2_parallelism: the cost of a
//                         password verifier (defaults 2, 19456, 1: about 50 ms on one core)
// No key is required: without a service identity the library reads anonymously.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ridge::access {

struct ServiceIdentity {
    std::string bindDn;    // empty: anonymous (or SASL EXTERNAL)
    std::string password;  // never logged
    bool saslExternal = false;
    std::string url;  // empty: the handle's server
};

struct AccessSettings {
    std::string serviceDn;
    std::string serviceRdn;
    std::string servicePasswordFile;
    bool serviceSaslExternal = false;
    std::string serviceUrl;
    long ticketLifetime = 3600;
    long ticketMaxLifetime = 28800;
    long ticketPurgeInterval = 600;
    long ticketKeepExpired = 86400;
    long certificateLifetime = 28800;
    std::string defaultRuntimeConfigFile;
    bool startTls = false;  // tls_mode = starttls
    long failbackInterval = 60;
    long poolSize = 8;
    long bindPoolSize = 4;
    std::string traceFile;
    long offlineDays = 0;
    long offlineRefreshHours = 12;
    long offlineFailedLoginAttempts = 3;
    long offlineFailedLoginDelay = 5;
    long offlineArgon2Time = 2;
    long offlineArgon2Memory = 19456;
    long offlineArgon2Parallelism = 1;
};

// Parses the file's text; nullopt and *error on a malformed line, unknown key or bad number.
std::optional<AccessSettings> parseAccessSettings(std::string_view text, std::string* error);

}  // namespace ridge::access
