// Sign-on against the fixture directory: basic signon and password with the password policy's
// outcomes, user classes, web environment, password change, and filter injection attempts.
#include <cstring>
#include <string>

#include "AccessTestSupport.h"

using namespace access_test;

namespace {

class Authenticate : public DirectoryTest {};

TEST_F(Authenticate, BasicSignonYieldsUserIdAndTicket) {
    AS_Handle h = open();
    AS_ObjectId id = 0;
    char ticket[AS_TICKET_SIZE] = "";
    ASSERT_EQ(AS_OK, signOn(h, "alice", kPassword, nullptr, &id, ticket));
    EXPECT_EQ(1000u, id);
    EXPECT_EQ(32u, std::strlen(ticket));
    EXPECT_EQ("", sessionError(h));
    // Non-ASCII signon in the encoding in force (UTF-8 here).
    ASSERT_EQ(AS_OK, signOn(h, "chloé", kPassword, nullptr, &id));
    EXPECT_EQ(1002u, id);
    EXPECT_EQ(AS_OK, AS_Terminate(h));
}

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
    EXPECT_EQ(AS_ERR_NAMESPACE_NOT_FOUND,
              signOn(h, "alice", kPassword, nullptr, nullptr, nullptr, "no-such-namespace"));
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

TEST_F(Authenticate, FilterAndDnInjectionAttemptsFail) {
    AS_Handle h = open();
    // Each would match alice (or every user) if it reached a filter unescaped.
    for (const char* attempt :
         {"*", "a*", "alice)(uid=*", "*)(|(uid=*", "alice\\2a", "al*ce", "alice)(objectClass=*"}) {
        EXPECT_EQ(AS_ERR_BAD_CREDENTIALS, signOn(h, attempt, kPassword)) << attempt;
    }
    EXPECT_EQ(AS_ERR_USER_CLASS_NOT_ALLOWED, signOn(h, "bob", kPassword, "*"));
    EXPECT_EQ(AS_ERR_USER_CLASS_NOT_ALLOWED, signOn(h, "bob", kPassword, "Managers)(cn=*"));
    // A namespace name that would change the DN if not escaped.
    EXPECT_EQ(AS_ERR_NAMESPACE_NOT_FOUND,
              signOn(h, "alice", kPassword, nullptr, nullptr, nullptr, "x,ou=ridgetest"));
    // The special-character user itself signs on exactly.
    AS_ObjectId id = 0;
    EXPECT_EQ(AS_OK, signOn(h, "o*(d)\\,=+\"<>;", kPassword, nullptr, &id));
    EXPECT_EQ(1007u, id);
    AS_Terminate(h);
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
    EXPECT_EQ(AS_ERR_INVALID_HANDLE, signOn(h + 1000, "alice", kPassword));
    AS_Terminate(h);
    EXPECT_EQ(AS_ERR_INVALID_HANDLE, signOn(h, "alice", kPassword));
    EXPECT_EQ(AS_ERR_INVALID_HANDLE, AS_Terminate(h));
}

TEST_F(Authenticate, WebEnvironmentMapsRemoteUserToOsSignon) {
    AS_Handle h = open();
    AS_ObjectId id = 0;
    char* result = nullptr;
    AS_EnvVar none[] = {{"REQUEST_METHOD", "GET"}, {nullptr, nullptr}};
    ASSERT_EQ(AS_MORE_ENV_NEEDED,
              AS_AuthenticateWebUserWithEnv(none, &result, h, kNs, nullptr, &id, nullptr));
    ASSERT_NE(nullptr, result);
    EXPECT_STREQ("REMOTE_USER", result);
    EXPECT_EQ(AS_OK, AS_FreeResult(result));

    AS_EnvVar alice[] = {{"REMOTE_USER", "corp\\ALICE"}, {nullptr, nullptr}};
    char ticket[AS_TICKET_SIZE] = "";
    ASSERT_EQ(AS_OK, AS_AuthenticateWebUserWithEnv(alice, &result, h, kNs, "Staff", &id, ticket));
    EXPECT_EQ(1000u, id);
    EXPECT_EQ(32u, std::strlen(ticket));
    AS_FreeResult(result);

    AS_EnvVar bob[] = {{"REMOTE_USER", "bob"}, {nullptr, nullptr}};
    EXPECT_EQ(AS_OK, AS_AuthenticateWebUserWithEnv(bob, &result, h, kNs, nullptr, &id, nullptr));
    EXPECT_EQ(1001u, id);
    AS_EnvVar partial[] = {{"REMOTE_USER", "bo"}, {nullptr, nullptr}};  // no substring match
    EXPECT_EQ(AS_ERR_BAD_CREDENTIALS,
              AS_AuthenticateWebUserWithEnv(partial, &result, h, kNs, nullptr, &id, nullptr));
    AS_EnvVar star[] = {{"REMOTE_USER", "*"}, {nullptr, nullptr}};
    EXPECT_EQ(AS_ERR_BAD_CREDENTIALS,
              AS_AuthenticateWebUserWithEnv(star, &result, h, kNs, nullptr, &id, nullptr));
    AS_EnvVar locked[] = {{"REMOTE_USER", "locked"}, {nullptr, nullptr}};
    EXPECT_EQ(AS_ERR_ACCOUNT_LOCKED,
              AS_AuthenticateWebUserWithEnv(locked, &result, h, kNs, nullptr, &id, nullptr));
    AS_EnvVar disabled[] = {{"REMOTE_USER", "disabled"}, {nullptr, nullptr}};
    EXPECT_EQ(AS_ERR_ACCOUNT_DISABLED,
              AS_AuthenticateWebUserWithEnv(disabled, &result, h, kNs, nullptr, &id, nullptr));
    // The second namespace does not allow "os" sign-on.
    EXPECT_EQ(AS_ERR_AUTH_MODE_NOT_ALLOWED,
              AS_AuthenticateWebUserWithEnv(alice, &result, h, "othertest", nullptr, &id, nullptr));
    EXPECT_EQ(nullptr, result);
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

TEST_F(Authenticate, NamespacePropertiesAreRead) {
    AS_Handle h = open();
    char product[AS_NSPROP_BUFFER_SIZE], content[AS_NSPROP_BUFFER_SIZE],
        modes[AS_NSPROP_BUFFER_SIZE];
    ASSERT_EQ(AS_OK, AS_GetNamespaceProperties2(h, kNs, 21, product, 22, content, 7, modes, 0));
    EXPECT_STREQ("en-us", product);
    EXPECT_STREQ("fr-fr", content);
    EXPECT_STREQ("basic,os", modes);
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, AS_GetNamespaceProperties2(h, kNs, 99, product, 0));
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, AS_GetNamespaceProperties2(h, kNs, 21, nullptr, 0));
    EXPECT_EQ(AS_ERR_NAMESPACE_NOT_FOUND, AS_GetNamespaceProperties2(h, "none", 21, product, 0));
    AS_Terminate(h);
}

}  // namespace
