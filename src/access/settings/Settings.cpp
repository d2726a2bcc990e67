#include "Settings.h"

#include <charconv>
#include <variant>

#include "TextFile.h"

namespace ridge::access {

namespace {

// More would defeat the pool: a server's connection limit is shared by every process.
constexpr long kMaxPoolSize = 256;

// What a key's value may be.
enum class Kind {
    Text,
    YesNo,        // yes or no
    Seconds,      // a positive whole number
    Connections,  // a whole number from 1 to kMaxPoolSize
    TlsMode,      // ldaps or starttls (true)
    Whole,        // a whole number, 0 or more
    Positive,     // a whole number, 1 or more
};

struct Option {
    const char* key;
    Kind kind;
    std::variant<std::string AccessSettings::*, bool AccessSettings::*, long AccessSettings::*>
        field;
};

// Defaults are AccessSettings' own.
const Option kOptions[] = {
    {"service_dn", Kind::Text, &AccessSettings::serviceDn},
    {"service_rdn", Kind::Text, &AccessSettings::serviceRdn},
    {"service_url", Kind::Text, &AccessSettings::serviceUrl},
    {"service_password_file", Kind::Text, &AccessSettings::servicePasswordFile},
    {"service_sasl_external", Kind::YesNo, &AccessSettings::serviceSaslExternal},
    {"ticket_lifetime", Kind::Seconds, &AccessSettings::ticketLifetime},
    {"ticket_max_lifetime", Kind::Seconds, &AccessSettings::ticketMaxLifetime},
    {"ticket_purge_interval", Kind::Seconds, &AccessSettings::ticketPurgeInterval},
    {"ticket_keep_expired", Kind::Seconds, &AccessSettings::ticketKeepExpired},
    {"certificate_lifetime", Kind::Seconds, &AccessSettings::certificateLifetime},
    {"tls_mode", Kind::TlsMode, &AccessSettings::startTls},
    {"failback_interval", Kind::Seconds, &AccessSettings::failbackInterval},
    {"pool_size", Kind::Connections, &AccessSettings::poolSize},
    {"bind_pool_size", Kind::Connections, &AccessSettings::bindPoolSize},
    {"trace_file", Kind::Text, &AccessSettings::traceFile},
    {"default_runtime_config", Kind::Text, &AccessSettings::defaultRuntimeConfigFile},
    {"offline_days", Kind::Whole, &AccessSettings::offlineDays},
    {"offline_refresh_hours", Kind::Positive, &AccessSettings::offlineRefreshHours},
    {"offline_failed_login_attempts", Kind::Positive, &AccessSettings::offlineFailedLoginAttempts},
    {"offline_failed_login_delay", Kind::Whole, &AccessSettings::offlineFailedLoginDelay},
    {"offline_argon2_time", Kind::Positive, &AccessSettings::offlineArgon2Time},
    {"offline_argon2_memory", Kind::Positive, &AccessSettings::offlineArgon2Memory},
    {"offline_argon2_parallelism", Kind::Positive, &AccessSettings::offlineArgon2Parallelism},
};

bool positive(std::string_view v, long& out) {
    auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), out);
    return ec == std::errc() && end == v.data() + v.size() && out > 0;
}

// Stores value into the option's field of s; false (and *expected, what the key takes) when the
// value does not fit its kind.
bool store(const Option& option, const std::string& value, AccessSettings& s,
           std::string* expected) {
    switch (option.kind) {
        case Kind::Text:
            s.*std::get<std::string AccessSettings::*>(option.field) = value;
            return true;
        case Kind::YesNo:
        case Kind::TlsMode: {
            const bool yesNo = option.kind == Kind::YesNo;
            const char* on = yesNo ? "yes" : "starttls";
            const char* off = yesNo ? "no" : "ldaps";
            *expected = yesNo ? "yes or no" : "ldaps or starttls";
            if (value != on && value != off)
                return false;
            s.*std::get<bool AccessSettings::*>(option.field) = value == on;
            return true;
        }
        case Kind::Seconds:
        case Kind::Connections: {
            long& field = s.*std::get<long AccessSettings::*>(option.field);
            if (option.kind == Kind::Seconds) {
                *expected = "seconds";
                return positive(value, field);
            }
            *expected = "a number of connections, 1 to " + std::to_string(kMaxPoolSize);
            long n = 0;
            if (!positive(value, n) || n > kMaxPoolSize)
                return false;
            field = n;
            return true;
        }
        case Kind::Whole:
        case Kind::Positive: {
            long n = 0;
            auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
            const long least = option.kind == Kind::Whole ? 0 : 1;
            *expected = option.kind == Kind::Whole ? "a whole number" : "a whole number above 0";
            if (ec != std::errc() || end != value.data() + value.size() || n < least)
                return false;
            s.*std::get<long AccessSettings::*>(option.field) = n;
            return true;
        }
    }
    return false;
}

}  // namespace

std::optional<AccessSettings> parseAccessSettings(std::string_view text, std::string* error) {
    AccessSettings s;
    std::string why;
    forEachLine(text, [&](std::string_view line, int lineNo) {
        const size_t eq = line.find('=');
        const std::string_view key = trim(line.substr(0, eq));
        const Option* option = nullptr;
        for (const auto& o : kOptions)
            if (key == o.key)
                option = &o;
        std::string expected;
        if (eq == std::string_view::npos)
            why = "expected key = value";
        else if (!option)
            why = "unknown key " + std::string(key);
        else if (!store(*option, std::string(trim(line.substr(eq + 1))), s, &expected))
            why = std::string(key) + " is " + expected;
        if (!why.empty())
            why = "access.conf line " + std::to_string(lineNo) + ": " + why;
        return why.empty();
    });
    if (!why.empty()) {
        if (error)
            *error = why;
        return std::nullopt;
    }
    return s;
}

}  // namespace ridge::access
