// Tickets at the exact second they expire or reach their longest life (the library's wall clock
// pinned, linked statically), and the handle's kept reads after a sign-on by ticket. A namespace
// of its own, so that the entries changed here are no other test's.
#include <unistd.h>

#include <chrono>
#include <string>

#include "AccessTestSupport.h"
#include "Clock.h"
#include "Directory.h"
#include "Process.h"

using namespace access_test;
namespace ra = ridge::access;

namespace {

constexpr long kLifetime = 3600;      // ticket_lifetime of the test home
constexpr long kMaxLifetime = 28800;  // ticket_max_lifetime
constexpr AS_ObjectId kAnn = 1000;

class TicketBoundary : public DirectoryTest {
protected:
    void SetUp() override {
        DirectoryTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_EQ(kLifetime, ra::Process::instance().settings().ticketLifetime);
        ASSERT_EQ(kMaxLifetime, ra::Process::instance().settings().ticketMaxLifetime);
        ns = "tickettime" + std::to_string(::getpid());
        nsDn = "ou=" + ns + "," + env.baseDn();
        admin("ldapdelete", "-r '" + nsDn + "'");
        ASSERT_EQ(
            0, admin("ldapadd", "",
                     "dn: " + nsDn +
                         "\nobjectClass: organizationalUnit\nobjectClass: ridgeNamespace\n"
                         "objectClass: ridgeFolder\nou: " +
                         ns + "\nridgeId: 1\n\ndn: ou=tickets," + nsDn +
                         "\nobjectClass: organizationalUnit\nou: tickets\n\ndn: uid=ann," + nsDn +
                         "\nobjectClass: inetOrgPerson\nobjectClass: ridgeUser\nuid: ann\n"
                         "cn: Ann\nsn: Ann\nridgeId: 1000\ndescription: before\n"
                         "userPassword: Secret#2024\n"));
        h = open();
        ASSERT_EQ(AS_OK, signOn(h, "ann", kPassword, nullptr, nullptr, nullptr, ns.c_str()));
    }
    void TearDown() override {
        ra::pinWallClock(std::nullopt);
        if (env.available() && !ns.empty())
            admin("ldapdelete", "-r '" + nsDn + "'");
        DirectoryTest::TearDown();
    }
    // A ticket issued with the clock at `at`.
    std::string ticketIssuedAt(std::time_t at) {
        ra::pinWallClock(at);
        char ticket[AS_TICKET_SIZE] = "";
        EXPECT_EQ(AS_OK, ASA_CreateTicket(h, ticket));
        return ticket;
    }
    int32_t validateAt(std::time_t at, const std::string& ticket) {
        ra::pinWallClock(at);
        char* text = nullptr;
        int32_t result = AS_ValidateTicket2(h, ticket.c_str(), ns.c_str(), &text);
        AS_FreeResult(text);
        return result;
    }
    int32_t refreshAt(std::time_t at, const std::string& ticket) {
        ra::pinWallClock(at);
        return AS_RefreshTicket(h, ticket.c_str());
    }
    std::string description() {
        char text[AS_MAX_DESCRIPTION_SIZE] = "";
        EXPECT_EQ(AS_OK, ASA_FindUserInfo(h, kAnn, nullptr, text, nullptr));
        return text;
    }

    std::string ns, nsDn;
    AS_Handle h = 0;
};

TEST_F(TicketBoundary, ATicketIsLiveUpToTheSecondBeforeItsExpiryAndExpiredAtIt) {
    const std::time_t issued = std::time(nullptr);
    const std::string ticket = ticketIssuedAt(issued);
    ASSERT_EQ(32u, ticket.size());
    EXPECT_EQ(AS_OK, validateAt(issued + kLifetime - 1, ticket));
    EXPECT_EQ(AS_ERR_TICKET_EXPIRED, validateAt(issued + kLifetime, ticket));
    // Refreshed in its last second, it lives a whole lifetime from then.
    ASSERT_EQ(AS_OK, signOn(h, "ann", kPassword, nullptr, nullptr, nullptr, ns.c_str()));
    ASSERT_EQ(AS_OK, refreshAt(issued + kLifetime - 1, ticket));
    EXPECT_EQ(AS_OK, validateAt(issued + 2 * kLifetime - 2, ticket));
    EXPECT_EQ(AS_ERR_TICKET_EXPIRED, validateAt(issued + 2 * kLifetime - 1, ticket));
    ASSERT_EQ(AS_OK, signOn(h, "ann", kPassword, nullptr, nullptr, nullptr, ns.c_str()));
    EXPECT_EQ(AS_ERR_TICKET_EXPIRED, refreshAt(issued + 2 * kLifetime - 1, ticket));
}

TEST_F(TicketBoundary, NoRefreshFromTheSecondTheLongestLifeIsReached) {
    const std::time_t issued = std::time(nullptr);
    const std::string ticket = ticketIssuedAt(issued);
    // An expiry beyond the longest life (as one issued before the setting was lowered), so that
    // the ticket is still live when its longest life ends.
    ASSERT_EQ(0, admin("ldapmodify", "",
                       "dn: " + ra::ticketDn(nsDn, ticket) +
                           "\nchangetype: modify\nreplace: ridgeTicketExpiry\n"
                           "ridgeTicketExpiry: " +
                           ra::toGeneralizedTime(issued + kMaxLifetime + 100) + "\n"));
    // The handle remembers the ticket it issued for a moment; a sign-on forgets it.
    ASSERT_EQ(AS_OK, signOn(h, "ann", kPassword, nullptr, nullptr, nullptr, ns.c_str()));
    EXPECT_EQ(AS_ERR_TICKET_NOT_REFRESHABLE, refreshAt(issued + kMaxLifetime, ticket));
    EXPECT_EQ(AS_OK, refreshAt(issued + kMaxLifetime - 1, ticket));
    // That refresh ends the ticket with its longest life.
    EXPECT_EQ(AS_OK, validateAt(issued + kMaxLifetime - 1, ticket));
    EXPECT_EQ(AS_ERR_TICKET_EXPIRED, validateAt(issued + kMaxLifetime, ticket));
}

// A host refreshes the ticket on every search: refreshes that would move the expiry by less than
// a minute per hour of lifetime only check the ticket; one that gains more writes the expiry.
TEST_F(TicketBoundary, RefreshesWriteOnlyWhenTheExpiryGainsAMinute) {
    const std::time_t issued = std::time(nullptr);
    const std::string ticket = ticketIssuedAt(issued);
    const auto& counts = ra::Process::instance().findHandle(h)->counts();
    const uint64_t writes = counts.writes.load();
    EXPECT_EQ(AS_OK, refreshAt(issued + 30, ticket));
    EXPECT_EQ(AS_OK, refreshAt(issued + kLifetime / 60, ticket));
    EXPECT_EQ(writes, counts.writes.load());
    // Not written: the expiry is still the one of the issue.
    EXPECT_EQ(AS_ERR_TICKET_EXPIRED, validateAt(issued + kLifetime, ticket));
    ASSERT_EQ(AS_OK, signOn(h, "ann", kPassword, nullptr, nullptr, nullptr, ns.c_str()));
    EXPECT_EQ(AS_OK, refreshAt(issued + kLifetime / 60 + 1, ticket));
    EXPECT_EQ(writes + 1, counts.writes.load());
    EXPECT_EQ(AS_OK, validateAt(issued + kLifetime + kLifetime / 60, ticket));
    // A refresh that writes nothing still reads the ticket: gone is gone.
    ASSERT_EQ(AS_OK, signOn(h, "ann", kPassword, nullptr, nullptr, nullptr, ns.c_str()));
    ASSERT_EQ(AS_OK, AS_ExpireTicket(h, ticket.c_str()));
    EXPECT_EQ(AS_ERR_UNKNOWN_TICKET, refreshAt(issued + kLifetime / 60 + 2, ticket));
}

// What the handle read as one identity is not served after it signs on by ticket: here the
// reads are kept for an hour, so only the sign-on can make the handle read afresh.
TEST_F(TicketBoundary, ASignOnByTicketEmptiesWhatTheHandleKept) {
    const std::string ticket = ticketIssuedAt(std::time(nullptr));
    ra::pinWallClock(std::nullopt);
    ra::Process::instance().findHandle(h)->cache() = ra::ReadCache(std::chrono::hours(1));
    ASSERT_EQ("before", description());
    ASSERT_EQ(0, admin("ldapmodify", "",
                       "dn: uid=ann," + nsDn +
                           "\nchangetype: modify\nreplace: description\ndescription: after\n"));
    ASSERT_EQ("before", description()) << "the handle does not keep what it read";
    char* text = nullptr;
    ASSERT_EQ(AS_OK, AS_ValidateTicket2(h, ticket.c_str(), ns.c_str(), &text));
    AS_FreeResult(text);
    EXPECT_EQ("after", description());
}

}  // namespace
