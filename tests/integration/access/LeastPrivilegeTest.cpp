// What the directory's access rules (data/ldap/slapd.conf.in) let the service identity and the
// users do, how tickets are kept, and sign-on when no ticket can be written.
#include <openssl/evp.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <fstream>

#include "AccessTestSupport.h"

using namespace access_test;

namespace {

std::string sha256Hex(const std::string& text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(text.data(), text.size(), digest, &length, EVP_sha256(), nullptr);
    std::string hex;
    char byte[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(byte, sizeof byte, "%02x", digest[i]);
        hex += byte;
    }
    return hex;
}

std::string generalizedTime(std::time_t t) {
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%d%H%M%SZ", &tm);
    return buf;
}

class LeastPrivilege : public DirectoryTest {
protected:
    std::string servicePassword() {
        std::ifstream in(env.servicePasswordFile());
        std::string line;
        std::getline(in, line);
        return line;
    }
    int asService(const std::string& tool, const std::string& args, const std::string& ldif = "",
                  std::string* output = nullptr) {
        return ldapTool(tool, env.serviceDn(), servicePassword(), args, ldif, output);
    }
    std::string aliceDn() { return "uid=alice,ou=Europe,ou=Sales,ou=ridgetest," + env.baseDn(); }
    std::string ticketsDn() { return "ou=tickets,ou=ridgetest," + env.baseDn(); }
};

TEST_F(LeastPrivilege, ServiceIdentityReadsButWritesOnlyTickets) {
    const std::string alice = aliceDn();
    constexpr int kInsufficientAccess = 50;
    std::string out;
    // No password of anyone: not by Password Modify, not by a plain modify, not on behalf of the
    // user by proxied authorization.
    EXPECT_NE(0, asService("ldappasswd", "-s 'Taken#over1' '" + alice + "'", "", &out)) << out;
    EXPECT_EQ(kInsufficientAccess, asService("ldapmodify", "",
                                             "dn: " + alice +
                                                 "\nchangetype: modify\nreplace: userPassword\n"
                                                 "userPassword: Taken#over1\n"));
    EXPECT_NE(0, asService("ldapmodify", "-e '!authzid=dn:" + alice + "'",
                           "dn: " + alice +
                               "\nchangetype: modify\nreplace: userPassword\n"
                               "userPassword: Taken#over1\n"));
    EXPECT_NE(0, asService("ldappasswd", "-e '!authzid=dn:" + alice + "' -s 'Taken#over1'"));
    EXPECT_EQ(AS_OK, signOn(open(), "alice", kPassword)) << "alice's password was changed";
    // Nor any other attribute, nor an entry outside the ticket container.
    EXPECT_EQ(kInsufficientAccess, asService("ldapmodify", "",
                                             "dn: " + alice +
                                                 "\nchangetype: modify\nreplace: description\n"
                                                 "description: changed by the service\n"));
    EXPECT_EQ(kInsufficientAccess,
              asService("ldapadd", "",
                        "dn: ou=intruder,ou=ridgetest,@BASE_DN@\nobjectClass: organizationalUnit\n"
                        "ou: intruder\n"));
    // It reads the namespace (users found, passwords not returned) ...
    ASSERT_EQ(0, asService("ldapsearch", "-LLL -b '" + alice + "' -s base", "", &out));
    EXPECT_NE(std::string::npos, out.find("uid: alice")) << out;
    EXPECT_EQ(std::string::npos, out.find("userPassword")) << out;
    // ... and writes tickets (one that no purge of long-expired tickets running meanwhile in
    // another test takes away between the add and the delete).
    const std::string ticket = "ridgeTicketId=" + std::string(64, 'a') + "," + ticketsDn();
    asService("ldapdelete", "'" + ticket + "'");
    EXPECT_EQ(0, asService("ldapadd", "",
                           "dn: " + ticket + "\nobjectClass: ridgeTicket\nridgeTicketId: " +
                               std::string(64, 'a') +
                               "\nridgeTicketOwner: 1000\nridgeTicketIssued: 20260101000000Z\n"
                               "ridgeTicketExpiry: 20991231000000Z\n"));
    EXPECT_EQ(0, asService("ldapdelete", "'" + ticket + "'"));
}

TEST_F(LeastPrivilege, TicketsAreDigestsThatOnlyTheServiceIdentitySees) {
    AS_Handle h = open();
    char ticket[AS_TICKET_SIZE] = "";
    ASSERT_EQ(AS_OK, signOn(h, "bob", kPassword, nullptr, nullptr, ticket));
    ASSERT_EQ(32u, std::strlen(ticket));
    const std::string digest = sha256Hex(ticket);
    std::string out;
    // The entry is named by the ticket's SHA-256; the ticket itself is nowhere in the container.
    ASSERT_EQ(0, ldapTool("ldapsearch", env.adminDn(), env.adminPassword(),
                          "-LLL -o ldif-wrap=no -b '" + ticketsDn() + "'", "", &out));
    EXPECT_NE(std::string::npos, out.find(digest)) << out;
    EXPECT_EQ(std::string::npos, out.find(ticket)) << out;
    // What a copy of the directory holds does not sign anyone on.
    char* result = nullptr;
    EXPECT_EQ(AS_ERR_UNKNOWN_TICKET, AS_ValidateTicket2(open(), digest.c_str(), kNs, &result));
    EXPECT_EQ(AS_ERR_UNKNOWN_TICKET,
              AS_ValidateTicket2(open(), digest.substr(0, 32).c_str(), kNs, &result));
    // A signed-on user sees no ticket, not even the container.
    ASSERT_EQ(
        0, ldapTool("ldapsearch", aliceDn(), kPassword,
                    "-LLL -b 'ou=ridgetest," + env.baseDn() + "' '(objectClass=*)' 1.1", "", &out));
    EXPECT_NE(std::string::npos, out.find("uid=bob")) << out;
    EXPECT_EQ(std::string::npos, out.find("ou=tickets")) << out;
    EXPECT_EQ(std::string::npos, out.find("ridgeTicketId")) << out;
    // The ticket itself still validates.
    ASSERT_EQ(AS_OK, AS_ValidateTicket2(open(), ticket, kNs, &result));
    AS_FreeResult(result);
}

TEST_F(LeastPrivilege, LongExpiredTicketsArePurgedWhenThePurgeIsDue) {
    // A fresh process purges with its first ticket; the next purge is an hour later.
    AS_TesselProcessTerminate(kApp);
    std::ofstream(home + "/access.conf", std::ios::app)
        << "ticket_purge_interval = 3600\nticket_keep_expired = 600\n";
    initialize();
    useConfig(kNs);
    const std::time_t now = std::time(nullptr);
    auto addTicket = [&](char fill, std::time_t expiry) {
        const std::string id(64, fill);
        const std::string dn = "ridgeTicketId=" + id + "," + ticketsDn();
        admin("ldapdelete", "'" + dn + "'");
        EXPECT_EQ(0, admin("ldapadd", "",
                           "dn: " + dn + "\nobjectClass: ridgeTicket\nridgeTicketId: " + id +
                               "\nridgeTicketOwner: 1000\nridgeTicketIssued: " +
                               generalizedTime(expiry - 60) +
                               "\nridgeTicketExpiry: " + generalizedTime(expiry) + "\n"));
        return dn;
    };
    auto exists = [&](const std::string& dn) {
        return admin("ldapsearch", "-LLL -s base -b '" + dn + "'") == 0;
    };
    const std::string longAgo = addTicket('b', now - 1200);
    const std::string recently = addTicket('c', now - 60);
    const std::string live = addTicket('d', now + 3600);
    AS_Handle h = open();
    char ticket[AS_TICKET_SIZE] = "";
    ASSERT_EQ(AS_OK, signOn(h, "bob", kPassword, nullptr, nullptr, ticket));
    EXPECT_FALSE(exists(longAgo));
    EXPECT_TRUE(exists(recently));  // still reported as expired, not unknown
    EXPECT_TRUE(exists(live));
    // Not due again: another long-expired ticket stays until the next purge.
    const std::string later = addTicket('e', now - 3600);
    ticket[0] = '\0';
    ASSERT_EQ(AS_OK, signOn(h, "bob", kPassword, nullptr, nullptr, ticket));
    EXPECT_TRUE(exists(later));
    for (const auto& dn : {recently, live, later})
        admin("ldapdelete", "'" + dn + "'");
}

// The service identity is an ordinary user: it reads the namespace but writes nothing (a
// namespace without a ticket container is the same case).
class ReadOnlyService : public DirectoryTest {
    std::string extraConf() override {
        auto fixture = ridge_test::RidgeTestDirectory::fromEnvironment();
        std::ofstream(fixture.directoryDir() + "/readonly.pw") << kPassword << "\n";
        return "service_dn = uid=alice,ou=Europe,ou=Sales,ou=ridgetest," + fixture.baseDn() +
               "\nservice_password_file = " + fixture.directoryDir() + "/readonly.pw\n";
    }
};

TEST_F(ReadOnlyService, PasswordSignOnSucceedsWithoutATicketAndSaysSo) {
    AS_Handle h = open();
    char ticket[AS_TICKET_SIZE] = "stale";
    AS_ObjectId id = 0;
    ASSERT_EQ(AS_OK, signOn(h, "bob", kPassword, nullptr, &id, ticket)) << sessionError(h);
    EXPECT_EQ(1001u, id);
    EXPECT_STREQ("", ticket);
    EXPECT_EQ(0u, sessionError(h).find("Signed on, but no ticket could be issued"))
        << sessionError(h);
    EXPECT_EQ(0u, sessionError(h, "fr").find("Connexion établie, mais aucun ticket"));
    EXPECT_EQ("", lastError("en"));  // the call succeeded
    // The handle is signed on and reads as the user.
    char name[AS_MAX_NAME_SIZE] = "";
    EXPECT_EQ(AS_OK, ASA_FindUserInfo(h, 1001, name, nullptr, nullptr));
    EXPECT_STREQ("bob", name);
    // Without a ticket asked for there is nothing to say.
    ASSERT_EQ(AS_OK, signOn(h, "bob", kPassword));
    EXPECT_EQ("", sessionError(h));
}

}  // namespace
