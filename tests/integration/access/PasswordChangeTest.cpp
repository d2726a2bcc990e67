// Password change through the password modify operation, with the policy's rejections. Each
// test first resets its user's password as the directory administrator, so runs repeat.
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "AccessTestSupport.h"

using namespace access_test;

namespace {

class PasswordChange : public DirectoryTest {
protected:
    // Sets userPassword of uid=<uid> below ou=Sales as administrator (which also marks it for a
    // change when the user's policy says so).
    // The policy's password history has one-second timestamps: the same password entered twice
    // within a second collides there, so the reset keeps a second apart from other changes.
    void adminReset(const std::string& uid) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1100));
        ASSERT_EQ(0, admin("ldapmodify", "",
                           "dn: " + userDn(uid) +
                               "\nchangetype: modify\nreplace: userPassword\nuserPassword: " +
                               kPassword + "\n"));
        std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    }
    static std::string freshPassword() {
        std::random_device rd;
        return "Run#" + std::to_string(rd()) + "x";
    }

    // uid=<uid> below ou=Sales (password kPassword) under a password policy of its own,
    // cn=<uid><pid> in ou=policies, whose lines after pwdAttribute are policyLines. What a run
    // before left of either is removed first; removeUserAndPolicy removes both.
    void addUserWithPolicy(const std::string& uid, int ridgeId, const std::string& policyLines) {
        removeUserAndPolicy(uid);
        ASSERT_EQ(
            0, admin("ldapadd", "",
                     "dn: " + policyDn(uid) +
                         "\nobjectClass: organizationalRole\nobjectClass: pwdPolicy\ncn: " + uid +
                         std::to_string(::getpid()) + "\npwdAttribute: userPassword\n" +
                         policyLines + "\ndn: " + userDn(uid) +
                         "\nobjectClass: inetOrgPerson\nobjectClass: ridgeUser\nuid: " + uid +
                         "\ncn: " + uid + "\nsn: " + uid + "\nridgeId: " + std::to_string(ridgeId) +
                         "\nuserPassword: " + kPassword + "\npwdPolicySubentry: " + policyDn(uid) +
                         "\n"));
    }
    void removeUserAndPolicy(const std::string& uid) {
        admin("ldapdelete", "", userDn(uid) + "\n" + policyDn(uid) + "\n");
    }
    static std::string userDn(const std::string& uid) {
        return "uid=" + uid + ",ou=Sales,ou=ridgetest,@BASE_DN@";
    }
    static std::string policyDn(const std::string& uid) {
        return "cn=" + uid + std::to_string(::getpid()) + ",ou=policies,@BASE_DN@";
    }
};

TEST_F(PasswordChange, PolicyRejectionsAndSuccess) {
    adminReset("chpw");
    AS_Handle h = open();
    EXPECT_EQ(AS_ERR_PASSWORD_TOO_SHORT,
              AS_ChangeExpiredBasicSignonPassword(h, kNs, "chpw", kPassword, "Ab#1"));
    EXPECT_EQ(AS_ERR_PASSWORD_TOO_SHORT,
              AS_ChangeExpiredBasicSignonPassword(h, kNs, "chpw", kPassword, ""));
    EXPECT_EQ(AS_ERR_BAD_CREDENTIALS,
              AS_ChangeExpiredBasicSignonPassword(h, kNs, "chpw", "wrong-old", "Whatever#123"));
    EXPECT_EQ(AS_ERR_USER_NOT_FOUND, AS_ChangeExpiredBasicSignonPassword(
                                         h, kNs, "no-such-user", kPassword, "Whatever#123"));
    EXPECT_EQ(AS_ERR_ACCOUNT_LOCKED,
              AS_ChangeExpiredBasicSignonPassword(h, kNs, "locked", kPassword, "Whatever#123"));
    EXPECT_EQ(AS_ERR_ACCOUNT_DISABLED,
              AS_ChangeExpiredBasicSignonPassword(h, kNs, "disabled", kPassword, "Whatever#123"));
    // A pre-hashed value cannot be checked for quality, so the policy refuses it.
    EXPECT_EQ(AS_ERR_PASSWORD_QUALITY,
              AS_ChangeExpiredBasicSignonPassword(h, kNs, "chpw", kPassword,
                                                  "{SSHA}b3Ricm9rZW4taGFzaA=="));
    EXPECT_NE("", sessionError(h));

    std::string next = freshPassword();
    ASSERT_EQ(AS_OK, AS_ChangeExpiredBasicSignonPassword(h, kNs, "chpw", kPassword, next.c_str()))
        << sessionError(h);
    EXPECT_EQ(AS_ERR_BAD_CREDENTIALS, signOn(h, "chpw", kPassword));
    EXPECT_EQ(AS_OK, signOn(h, "chpw", next.c_str()));
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    // Back to the previous password: in the history.
    EXPECT_EQ(AS_ERR_PASSWORD_IN_HISTORY,
              AS_ForceChangeBasicSignonPassword(h, kNs, "chpw", next.c_str(), kPassword));
    AS_Terminate(h);
}

TEST_F(PasswordChange, SignOnReportsWhenThePasswordExpiresSoon) {
    ASSERT_NO_FATAL_FAILURE(addUserWithPolicy(
        "warned", 1092, "pwdMaxAge: 86400\npwdExpireWarning: 90000\npwdAllowUserChange: TRUE\n"));
    AS_Handle h = open();
    int32_t grace = 0, expiresIn = 0;
    ASSERT_EQ(AS_OK, signOn(h, "warned", kPassword));
    ASSERT_EQ(AS_OK, ASA_GetSessionPasswordPolicy(h, &grace, &expiresIn));
    EXPECT_EQ(-1, grace);
    EXPECT_GT(expiresIn, 86000);
    EXPECT_LE(expiresIn, 86400);
    // A password without expiry warns of nothing; neither does a sign-on by ticket.
    char ticket[AS_TICKET_SIZE] = "";
    ASSERT_EQ(AS_OK, signOn(h, "bob", kPassword, nullptr, nullptr, ticket));
    ASSERT_EQ(AS_OK, ASA_GetSessionPasswordPolicy(h, &grace, &expiresIn));
    EXPECT_EQ(-1, expiresIn);
    ASSERT_EQ(AS_OK, signOn(h, "warned", kPassword));
    char* result = nullptr;
    ASSERT_EQ(AS_OK, AS_ValidateTicket2(h, ticket, kNs, &result));
    AS_FreeResult(result);
    ASSERT_EQ(AS_OK, ASA_GetSessionPasswordPolicy(h, &grace, &expiresIn));
    EXPECT_EQ(-1, expiresIn);
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, ASA_GetSessionPasswordPolicy(h, nullptr, &expiresIn));
    AS_Terminate(h);
    removeUserAndPolicy("warned");
}

}  // namespace
