// Tickets live in the directory: they validate on other handles (in other processes: the
// sign-on tests' ticket probe), and refresh and expiry act on the stored entry (at their exact
// second, with the clock pinned: TicketBoundaryTest). Certificates validate until changed.
#include <cstring>

#include "AccessTestSupport.h"

using namespace access_test;

namespace {

class Tickets : public DirectoryTest {
protected:
    std::string ticketFor(AS_Handle h, const char* user, const char* userClass = nullptr) {
        char ticket[AS_TICKET_SIZE] = "";
        EXPECT_EQ(AS_OK, signOn(h, user, kPassword, userClass, nullptr, ticket));
        return ticket;
    }
};

TEST_F(Tickets, TicketValidatesOnAnotherHandleWithExactResultText) {
    AS_Handle a = open(), b = open();
    std::string ticket = ticketFor(a, "alice", "Managers");
    char* result = nullptr;
    ASSERT_EQ(AS_OK, AS_ValidateTicket2(b, ticket.c_str(), kNs, &result));
    EXPECT_EQ("<result><ticket id=\"" + ticket +
                  "\"/><user id=\"1000\" name=\"Alice Anders\"/><uc id=\"101\" "
                  "name=\"Managers\"/></result>",
              std::string(result));
    AS_FreeResult(result);
    // The handle now acts for the ticket's user: it may refresh it.
    EXPECT_EQ(AS_OK, AS_RefreshTicket(b, ticket.c_str()));

    AS_Terminate(a);
    AS_Terminate(b);
}

TEST_F(Tickets, UnknownMalformedAndForeignTickets) {
    AS_Handle a = open(), b = open();
    char* result = nullptr;
    EXPECT_EQ(AS_ERR_UNKNOWN_TICKET,
              AS_ValidateTicket2(a, "0123456789abcdef0123456789abcdef", kNs, &result));
    EXPECT_EQ(AS_ERR_UNKNOWN_TICKET, AS_ValidateTicket2(a, "*", kNs, &result));
    EXPECT_EQ(AS_ERR_UNKNOWN_TICKET, AS_ValidateTicket2(a, "", kNs, &result));
    EXPECT_EQ(AS_ERR_UNKNOWN_TICKET, AS_ValidateTicket2(a, "x,ou=tickets", kNs, &result));
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, AS_ValidateTicket2(a, nullptr, kNs, &result));
    EXPECT_EQ(nullptr, result);

    std::string alices = ticketFor(a, "alice");
    // A ticket is valid only in its namespace.
    EXPECT_EQ(AS_ERR_UNKNOWN_TICKET, AS_ValidateTicket2(b, alices.c_str(), "othertest", &result));
    // Bob may neither refresh nor expire Alice's ticket.
    ASSERT_EQ(AS_OK, signOn(b, "bob", kPassword));
    EXPECT_EQ(AS_ERR_TICKET_NOT_REFRESHABLE, AS_RefreshTicket(b, alices.c_str()));
    EXPECT_EQ(AS_ERR_TICKET_NOT_REFRESHABLE, AS_ExpireTicket(b, alices.c_str()));
    EXPECT_EQ(AS_OK, AS_ExpireTicket(a, alices.c_str()));
    EXPECT_EQ(AS_ERR_UNKNOWN_TICKET, AS_RefreshTicket(a, alices.c_str()));
    EXPECT_EQ(AS_ERR_UNKNOWN_TICKET, AS_ExpireTicket(a, alices.c_str()));
    AS_Terminate(a);
    AS_Terminate(b);
}

TEST_F(Tickets, SignOnKeepsAValidTicketAndReplacesOthers) {
    AS_Handle h = open();
    char ticket[AS_TICKET_SIZE] = "";
    ASSERT_EQ(AS_OK, signOn(h, "alice", kPassword, nullptr, nullptr, ticket));
    std::string first = ticket;
    ASSERT_EQ(AS_OK, signOn(h, "alice", kPassword, nullptr, nullptr, ticket));
    EXPECT_EQ(first, ticket);
    ASSERT_EQ(AS_OK, signOn(h, "bob", kPassword, nullptr, nullptr, ticket));
    EXPECT_NE(first, ticket);
    AS_Terminate(h);
}

class Certificates : public DirectoryTest {};

TEST_F(Certificates, SignOnUntilTamperedWithTheClassTheyCarry) {
    AS_Handle a = open(), b = open();
    char cert[AS_CERTIFICATE_SIZE] = "";
    EXPECT_EQ(AS_ERR_NOT_AUTHENTICATED, AS_GetCertificate(a, cert));
    ASSERT_EQ(AS_OK, signOn(a, "alice", kPassword, "Managers"));
    ASSERT_EQ(AS_OK, AS_GetCertificate(a, cert));

    AS_ObjectId cls = 0, user = 0;
    ASSERT_EQ(AS_OK, AS_ValidateCertificate(b, cert, kNs, 0, &cls, &user));
    EXPECT_EQ(1000u, user);
    EXPECT_EQ(101u, cls);
    cls = 101;
    EXPECT_EQ(AS_OK, AS_ValidateCertificate(b, cert, kNs, 1, &cls, &user));
    cls = 103;  // Staff: one of alice's classes but not the certificate's
    EXPECT_EQ(AS_ERR_USER_CLASS_NOT_ALLOWED, AS_ValidateCertificate(b, cert, kNs, 1, &cls, &user));
    EXPECT_EQ(AS_ERR_INVALID_CERTIFICATE,
              AS_ValidateCertificate(b, cert, "othertest", 0, &cls, &user));

    // Any changed character fails.
    std::string text = cert;
    for (size_t i = 0; i < text.size(); i += 7) {
        std::string bad = text;
        bad[i] = bad[i] == 'A' ? 'B' : 'A';
        EXPECT_EQ(AS_ERR_INVALID_CERTIFICATE,
                  AS_ValidateCertificate(b, bad.c_str(), kNs, 0, &cls, &user))
            << i;
    }
    EXPECT_EQ(AS_ERR_INVALID_CERTIFICATE,
              AS_ValidateCertificate(b, (text + "x").c_str(), kNs, 0, &cls, &user));
    EXPECT_EQ(AS_ERR_INVALID_CERTIFICATE, AS_ValidateCertificate(b, "", kNs, 0, &cls, &user));
    // The handle that failed has no user.
    EXPECT_EQ(AS_ERR_NOT_AUTHENTICATED, ASA_CreateTicket(b, cert));

    // Without a class it accepts any of the user's classes, and its handle can take a ticket.
    ASSERT_EQ(AS_OK, signOn(a, "bob", kPassword));
    ASSERT_EQ(AS_OK, AS_GetCertificate(a, cert));
    cls = 103;  // Staff
    EXPECT_EQ(AS_OK, AS_ValidateCertificate(b, cert, kNs, 1, &cls, &user));
    EXPECT_EQ(1001u, user);
    cls = 101;  // Managers: not bob's
    EXPECT_EQ(AS_ERR_USER_CLASS_NOT_ALLOWED, AS_ValidateCertificate(b, cert, kNs, 1, &cls, &user));
    cls = 0;
    ASSERT_EQ(AS_OK, AS_ValidateCertificate(b, cert, kNs, 0, &cls, &user));
    char ticket[AS_TICKET_SIZE];
    EXPECT_EQ(AS_OK, ASA_CreateTicket(b, ticket));
    AS_Terminate(a);
    AS_Terminate(b);
}

}  // namespace
