// Sign-on against the fixture directory: basic signon and password with the password policy's
// outcomes, user classes, web environment and lock-out.
#include <unistd.h>

#include <string>

#include "AccessTestSupport.h"

using namespace access_test;

namespace {

class Authenticate : public DirectoryTest {};

TEST_F(Authenticate, PolicyOutcomesMapToStatuses) {
    AS_Handle h = open();
    EXPECT_EQ(AS_ERR_BAD_CREDENTIALS, signOn(h, "alice", "wrong-password"));
    EXPECT_EQ(AS_ERR_BAD_CREDENTIALS, signOn(h, "nobody", kPassword));
    EXPECT_EQ(AS_ERR_BAD_CREDENTIALS, signOn(h, "alice", ""));  // not an anonymous bind
    EXPECT_EQ(AS_ERR_BAD_CREDENTIALS, signOn(h, "", kPassword));
    EXPECT_EQ(AS_ERR_PASSWORD_EXPIRED, signOn(h, "expired", kPassword));
    EXPECT_EQ(AS_ERR_MUST_CHANGE_PASSWORD, signOn(h, "mustchange", kPassword));
    EXPECT_EQ(AS_ERR_ACCOUNT_LOCKED, signOn(h, "locked", kPassword));
    EXPECT_EQ(AS_ERR_ACCOUNT_DISABLED, signOn(h, "disabled", kPassword));
    // A wrong password on a disabled account says nothing about the account.
    EXPECT_EQ(AS_ERR_BAD_CREDENTIALS, signOn(h, "disabled", "wrong-password"));
    // A namespace name that would change the DN if not escaped names no namespace. (Filter
    // injection through the sign-on inputs: the provider's injection tests.)
    for (const char* ns : {"no-such-namespace", "x,ou=ridgetest"})
        EXPECT_EQ(AS_ERR_NAMESPACE_NOT_FOUND,
                  signOn(h, "alice", kPassword, nullptr, nullptr, nullptr, ns));
    // After a failure the handle has no user.
    char ticket[AS_TICKET_SIZE];
    EXPECT_EQ(AS_ERR_NOT_AUTHENTICATED, ASA_CreateTicket(h, ticket));
    AS_Terminate(h);
}

TEST_F(Authenticate, NamespacesAreSeparate) {
    AS_Handle h = open();
    AS_ObjectId id = 0;
    EXPECT_EQ(AS_ERR_BAD_CREDENTIALS,
              signOn(h, "alice", kPassword, nullptr, &id, nullptr, "othertest"));
    EXPECT_EQ(AS_OK, signOn(h, "alice", "Other#Pass99", nullptr, &id, nullptr, "othertest"));
    EXPECT_EQ(1000u, id);
    AS_Terminate(h);
}

TEST_F(Authenticate, UserClassMustBeOneOfTheUsersClasses) {
    AS_Handle h = open();
    EXPECT_EQ(AS_OK, signOn(h, "alice", kPassword, "Managers"));
    EXPECT_EQ(AS_OK, signOn(h, "alice", kPassword, ""));  // empty: no class
    EXPECT_EQ(AS_ERR_USER_CLASS_NOT_ALLOWED, signOn(h, "bob", kPassword, "Managers"));
    EXPECT_EQ(AS_ERR_USER_CLASS_NOT_ALLOWED, signOn(h, "alice", kPassword, "No Such Class"));
    EXPECT_EQ(AS_OK, signOn(h, "chloé", kPassword, "Spéciaux"));
    EXPECT_EQ(AS_OK, signOn(h, "o*(d)\\,=+\"<>;", kPassword, "Ops, Inc. *(x)"));
    AS_Terminate(h);
}

// Two classes of one name under different parents, the user a member of only one: the name
// names neither, at sign-on as in the look-up by name; once the name is unique, both resolve it
// to the same class. A namespace of its own, so that parallel tests never see the twins.
TEST_F(Authenticate, AClassNameSharedByTwoClassesNamesNeitherInBothCalls) {
    const std::string ns = "twins" + std::to_string(::getpid());
    const std::string nsDn = "ou=" + ns + ",@BASE_DN@";
    const std::string annDn = "uid=ann," + nsDn;
    admin("ldapdelete", "-r '" + nsDn + "'");
    ASSERT_EQ(0, admin("ldapadd", "",
                       "dn: " + nsDn +
                           "\nobjectClass: organizationalUnit\nobjectClass: ridgeNamespace\n"
                           "objectClass: ridgeFolder\nou: " +
                           ns + "\nridgeId: 1\n\ndn: " + annDn +
                           "\nobjectClass: inetOrgPerson\nobjectClass: ridgeUser\nuid: ann\n"
                           "cn: Ann\nsn: Ann\nridgeId: 1000\nuserPassword: Secret#2024\n\n"
                           "dn: cn=Sales," +
                           nsDn +
                           "\nobjectClass: groupOfUniqueNames\nobjectClass: ridgeClass\n"
                           "cn: Sales\nridgeId: 200\nuniqueMember: " +
                           annDn + "\n\ndn: cn=Support," + nsDn +
                           "\nobjectClass: groupOfUniqueNames\nobjectClass: ridgeClass\n"
                           "cn: Support\nridgeId: 300\nuniqueMember: " +
                           nsDn + "\n\ndn: cn=Leads,cn=Sales," + nsDn +
                           "\nobjectClass: groupOfUniqueNames\nobjectClass: ridgeClass\n"
                           "cn: Leads\nridgeId: 201\nuniqueMember: " +
                           annDn + "\n\ndn: cn=Leads,cn=Support," + nsDn +
                           "\nobjectClass: groupOfUniqueNames\nobjectClass: ridgeClass\n"
                           "cn: Leads\nridgeId: 301\nuniqueMember: " +
                           nsDn + "\n"));
    AS_Handle h = open();
    AS_ObjectId id = 0;
    for (const char* name : {"Leads", "lEADS"}) {
        EXPECT_EQ(AS_ERR_AMBIGUOUS, signOn(h, "ann", kPassword, name, &id, nullptr, ns.c_str()))
            << name;
        EXPECT_EQ(0u, sessionError(h).find("Several directory entries answer to the same name"))
            << sessionError(h);
        ASSERT_EQ(AS_OK, signOn(h, "ann", kPassword, nullptr, &id, nullptr, ns.c_str()));
        EXPECT_EQ(AS_ERR_AMBIGUOUS, ASA_FindUserClassInfoByName(h, name, &id, 0, 0, 0)) << name;
    }
    // Unique again: both calls name the same class, whose member ann is.
    ASSERT_EQ(0, admin("ldapdelete", "", "cn=Leads,cn=Support," + nsDn + "\n"));
    ASSERT_EQ(AS_OK, signOn(h, "ann", kPassword, "lEADS", &id, nullptr, ns.c_str()));
    AS_ObjectId classId = 0, parent = 0;
    ASSERT_EQ(AS_OK, ASA_FindUserClassInfoByName(h, "lEADS", &classId, nullptr, &parent, nullptr));
    EXPECT_EQ(201u, classId);
    EXPECT_EQ(200u, parent);
    // A unique name of a class ann is not in is refused at sign-on, found by the look-up.
    EXPECT_EQ(AS_ERR_USER_CLASS_NOT_ALLOWED,
              signOn(h, "ann", kPassword, "Support", &id, nullptr, ns.c_str()));
    ASSERT_EQ(AS_OK, signOn(h, "ann", kPassword, nullptr, &id, nullptr, ns.c_str()));
    EXPECT_EQ(AS_OK, ASA_FindUserClassInfoByName(h, "Support", &classId, 0, 0, 0));
    EXPECT_EQ(300u, classId);
    AS_Terminate(h);
    admin("ldapdelete", "-r '" + nsDn + "'");
}

TEST_F(Authenticate, BadInputGetsStatusCodes) {
    AS_Handle h = open();
    AS_ObjectId id = 0;
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT,
              AS_AuthenticateUser2(h, kNs, nullptr, kPassword, nullptr, &id, nullptr));
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT,
              AS_AuthenticateUser2(h, kNs, "alice", kPassword, nullptr, nullptr, nullptr));
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT,
              AS_AuthenticateUser2(h, nullptr, "alice", kPassword, nullptr, &id, nullptr));
    EXPECT_EQ(AS_ERR_INVALID_TEXT, signOn(h, "ali\xff\xfe", kPassword));  // not UTF-8
    // The text names the encoding the library reads (an ISO-8859-1 "é" here).
    EXPECT_EQ(AS_ERR_INVALID_TEXT, signOn(h, "chlo\xe9", kPassword));
    EXPECT_EQ("The text is not valid in the character encoding in force, UTF-8.", sessionError(h));
    AS_Terminate(h);
    EXPECT_EQ(AS_ERR_INVALID_HANDLE, signOn(h, "alice", kPassword));
    EXPECT_EQ(AS_ERR_INVALID_HANDLE, AS_Terminate(h));
}

// Asking for REMOTE_USER and a plain sign-on with it: the provider's trusted-environment test.
TEST_F(Authenticate, WebEnvironmentMapsRemoteUserToOsSignon) {
    AS_Handle h = open();
    AS_ObjectId id = 0;
    char* result = nullptr;
    // The domain and case as the directory compares them, no substring match, the account's
    // state holds, and the second namespace does not allow "os" sign-on.
    const struct {
        const char* remoteUser;
        const char* ns;
        int32_t status;
        AS_ObjectId id;
    } cases[] = {{"corp\\ALICE", kNs, AS_OK, 1000},
                 {"bob", kNs, AS_OK, 1001},
                 {"bo", kNs, AS_ERR_BAD_CREDENTIALS, 0},
                 {"locked", kNs, AS_ERR_ACCOUNT_LOCKED, 0},
                 {"disabled", kNs, AS_ERR_ACCOUNT_DISABLED, 0},
                 {"corp\\ALICE", "othertest", AS_ERR_AUTH_MODE_NOT_ALLOWED, 0}};
    for (const auto& c : cases) {
        AS_EnvVar vars[] = {{"REMOTE_USER", c.remoteUser}, {nullptr, nullptr}};
        result = nullptr;
        EXPECT_EQ(c.status,
                  AS_AuthenticateWebUserWithEnv(vars, &result, h, c.ns, nullptr, &id, nullptr))
            << c.remoteUser;
        if (c.status == AS_OK) {
            EXPECT_EQ(c.id, id);
        }
        AS_FreeResult(result);
    }
    AS_Terminate(h);
}

TEST_F(Authenticate, RepeatedFailuresLockTheAccountUntilAnAdministratorUnlocksIt) {
    // A user of the lock-out policy (three failures), made afresh for this run.
    const std::string dn = "uid=lockme,ou=Engineering,ou=ridgetest,@BASE_DN@";
    admin("ldapdelete", "", dn + "\n");
    ASSERT_EQ(0, admin("ldapadd", "",
                       "dn: " + dn +
                           "\nobjectClass: inetOrgPerson\nobjectClass: ridgeUser\nuid: lockme\n"
                           "cn: Lock Me\nsn: Me\nridgeId: 1090\nridgeOSSignon: 6090:lockme\n"
                           "userPassword: Secret#2024\n"
                           "pwdPolicySubentry: cn=lockout,ou=policies,@BASE_DN@\n"));
    AS_Handle h = open();
    // Failures below the limit do not lock: the right password still signs on and resets them.
    EXPECT_EQ(AS_ERR_BAD_CREDENTIALS, signOn(h, "lockme", "wrong-password"));
    EXPECT_EQ(AS_ERR_BAD_CREDENTIALS, signOn(h, "lockme", "wrong-password"));
    ASSERT_EQ(AS_OK, signOn(h, "lockme", kPassword));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(AS_ERR_BAD_CREDENTIALS, signOn(h, "lockme", "wrong-password")) << i;
    // Locked: the right password is refused as locked, on this handle and any other, and so is
    // a sign-on that needs no password.
    EXPECT_EQ(AS_ERR_ACCOUNT_LOCKED, signOn(h, "lockme", kPassword));
    EXPECT_EQ("The account is locked.", sessionError(h));
    AS_Handle other = open();
    EXPECT_EQ(AS_ERR_ACCOUNT_LOCKED, signOn(other, "lockme", kPassword));
    AS_ObjectId id = 0;
    char* result = nullptr;
    AS_EnvVar web[] = {{"REMOTE_USER", "lockme"}, {nullptr, nullptr}};
    EXPECT_EQ(AS_ERR_ACCOUNT_LOCKED,
              AS_AuthenticateWebUserWithEnv(web, &result, h, kNs, nullptr, &id, nullptr));
    // Unlocked by an administrator, the user signs on again.
    ASSERT_EQ(0, admin("ldapmodify", "",
                       "dn: " + dn + "\nchangetype: modify\ndelete: pwdAccountLockedTime\n"));
    EXPECT_EQ(AS_OK, signOn(h, "lockme", kPassword, nullptr, &id));
    EXPECT_EQ(1090u, id);
    AS_Terminate(other);
    AS_Terminate(h);
    admin("ldapdelete", "", dn + "\n");
}

}  // namespace
