#include "internal/Settings.h"

#include <charconv>

#include "internal/TextFile.h"

namespace ridge::access {

namespace {

// More would defeat the pool: a server's connection limit is shared by every process.
constexpr long kMaxPoolSize = 256;

// A positive whole number (seconds, connections).
bool seconds(std::string_view v, long& out) {
    auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), out);
    return ec == std::errc() && end == v.data() + v.size() && out > 0;
}

}  // namespace

std::optional<AccessSettings> parseAccessSettings(std::string_view text, std::string* error) {
    AccessSettings s;
    int lineNo = 0;
    while (!text.empty()) {
        size_t nl = text.find('\n');
        std::string_view line = trim(text.substr(0, nl));
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        ++lineNo;
        if (line.empty() || line.front() == '#')
            continue;
        size_t eq = line.find('=');
        auto bad = [&](const std::string& why) {
            if (error)
                *error = "access.conf line " + std::to_string(lineNo) + ": " + why;
            return std::nullopt;
        };
        if (eq == std::string_view::npos)
            return bad("expected key = value");
        std::string_view key = trim(line.substr(0, eq));
        std::string value(trim(line.substr(eq + 1)));
        if (key == "service_dn") {
            s.serviceDn = value;
        } else if (key == "service_rdn") {
            s.serviceRdn = value;
        } else if (key == "service_url") {
            s.serviceUrl = value;
        } else if (key == "service_password_file") {
            s.servicePasswordFile = value;
        } else if (key == "service_sasl_external") {
            if (value != "yes" && value != "no")
                return bad("service_sasl_external is yes or no");
            s.serviceSaslExternal = value == "yes";
        } else if (key == "ticket_lifetime") {
            if (!seconds(value, s.ticketLifetime))
                return bad("ticket_lifetime is seconds");
        } else if (key == "ticket_max_lifetime") {
            if (!seconds(value, s.ticketMaxLifetime))
                return bad("ticket_max_lifetime is seconds");
        } else if (key == "ticket_purge_interval") {
            if (!seconds(value, s.ticketPurgeInterval))
                return bad("ticket_purge_interval is seconds");
        } else if (key == "ticket_keep_expired") {
            if (!seconds(value, s.ticketKeepExpired))
                return bad("ticket_keep_expired is seconds");
        } else if (key == "certificate_lifetime") {
            if (!seconds(value, s.certificateLifetime))
                return bad("certificate_lifetime is seconds");
        } else if (key == "tls_mode") {
            if (value != "ldaps" && value != "starttls")
                return bad("tls_mode is ldaps or starttls");
            s.startTls = value == "starttls";
        } else if (key == "failback_interval") {
            if (!seconds(value, s.failbackInterval))
                return bad("failback_interval is seconds");
        } else if (key == "pool_size") {
            if (!seconds(value, s.poolSize) || s.poolSize > kMaxPoolSize)
                return bad("pool_size is a number of connections, 1 to " +
                           std::to_string(kMaxPoolSize));
        } else if (key == "bind_pool_size") {
            if (!seconds(value, s.bindPoolSize) || s.bindPoolSize > kMaxPoolSize)
                return bad("bind_pool_size is a number of connections, 1 to " +
                           std::to_string(kMaxPoolSize));
        } else if (key == "trace_file") {
            s.traceFile = value;
        } else if (key == "default_runtime_config") {
            s.defaultRuntimeConfigFile = value;
        } else {
            return bad("unknown key " + std::string(key));
        }
    }
    return s;
}

}  // namespace ridge::access
