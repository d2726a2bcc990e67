// The access library's settings file: its defaults, its keys, its refusals (each naming the line
// and what the key takes), and the file the home ships.
#include <gtest/gtest.h>

#include <string>

#include "HomeFile.h"
#include "Settings.h"

using namespace ridge::access;

namespace {

TEST(Settings, DefaultsAndSetValues) {
    std::string error;
    auto defaults = parseAccessSettings("", &error);
    ASSERT_TRUE(defaults) << error;
    // Only what an empty file must leave off; the other defaults are the code's own constants.
    EXPECT_EQ(0, defaults->offlineDays);
    EXPECT_EQ("", defaults->traceFile);

    auto s = parseAccessSettings(
        "# c\nservice_rdn = cn=svc\nservice_password_file=pw\nticket_lifetime = 60\n"
        "service_sasl_external = yes\ntls_mode = starttls\nfailback_interval = 5\n"
        "trace_file = logs/access.trace\npool_size = 2\nbind_pool_size = 1\n"
        "offline_days = 7\noffline_failed_login_delay = 0\n",
        &error);
    ASSERT_TRUE(s) << error;
    EXPECT_EQ("cn=svc", s->serviceRdn);
    EXPECT_EQ("pw", s->servicePasswordFile);
    EXPECT_EQ(60, s->ticketLifetime);
    EXPECT_TRUE(s->serviceSaslExternal);
    EXPECT_TRUE(s->startTls);
    EXPECT_EQ(5, s->failbackInterval);
    EXPECT_EQ("logs/access.trace", s->traceFile);
    EXPECT_EQ(2, s->poolSize);
    EXPECT_EQ(1, s->bindPoolSize);
    EXPECT_EQ(7, s->offlineDays);
    EXPECT_EQ(0, s->offlineFailedLoginDelay);

    // The shipped file parses.
    EXPECT_TRUE(parseAccessSettings(readHomeFile("access.conf"), &error)) << error;
}

TEST(Settings, RefusalsNameTheLineAndWhatTheKeyTakes) {
    const std::pair<const char*, const char*> refused[] = {
        {"\n# c\ntls_mode = tls\n", "line 3: tls_mode is ldaps or starttls"},
        {"service_sasl_external = maybe", "line 1: service_sasl_external is yes or no"},
        {"ticket_lifetime = -5", "ticket_lifetime is seconds"},
        {"ticket_lifetime = 0", "ticket_lifetime is seconds"},
        {"servce_dn = x", "line 1: unknown key servce_dn"},
        {"just text", "line 1: expected key = value"},
        {"failback_interval = 1s", "failback_interval"},
        {"pool_size = 0", "pool_size is a number of connections, 1 to 256"},
        {"pool_size = 100000", "pool_size is a number of connections, 1 to 256"},
        {"bind_pool_size = 0", "pool_size is a number of connections, 1 to 256"},
        {"offline_days = -1", "line 1: offline_days is a whole number"},
        {"offline_failed_login_attempts = 0",
         "offline_failed_login_attempts is a whole number above 0"},
        {"offline_argon2_memory = 64k", "offline_argon2_memory"},
    };
    for (const auto& [text, reason] : refused) {
        std::string error;
        EXPECT_FALSE(parseAccessSettings(text, &error)) << text;
        EXPECT_EQ(error.rfind("access.conf line ", 0), 0u) << error;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    }
}

}  // namespace
