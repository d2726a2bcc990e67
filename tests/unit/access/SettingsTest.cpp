// The access library's settings file: its keys, its refusals, and the file the home ships.
#include <gtest/gtest.h>

#include <string>

#include "HomeFile.h"
#include "Settings.h"

using namespace ridge::access;

namespace {

TEST(Settings, ParsesKeysAndRefusesUnknownOnes) {
    auto s = parseAccessSettings(
        "# c\nservice_rdn = cn=svc\nservice_password_file=pw\nticket_lifetime = 60\n"
        "service_sasl_external = no\n",
        nullptr);
    ASSERT_TRUE(s);
    EXPECT_EQ("cn=svc", s->serviceRdn);
    EXPECT_EQ("pw", s->servicePasswordFile);
    EXPECT_EQ(60, s->ticketLifetime);
    EXPECT_EQ(28800, s->ticketMaxLifetime);
    std::string error;
    EXPECT_FALSE(parseAccessSettings("servce_dn = x\n", &error));
    EXPECT_NE(std::string::npos, error.find("line 1"));
    EXPECT_FALSE(parseAccessSettings("ticket_lifetime = -5\n", nullptr));
    EXPECT_FALSE(parseAccessSettings("ticket_lifetime = 5s\n", nullptr));
    EXPECT_FALSE(parseAccessSettings("service_sasl_external = maybe\n", nullptr));
    EXPECT_FALSE(parseAccessSettings("just text\n", nullptr));
    // The shipped file parses.
    EXPECT_TRUE(parseAccessSettings(readHomeFile("access.conf"), &error)) << error;
}

}  // namespace
