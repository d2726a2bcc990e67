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

TEST_F(PasswordChange, ExpiredPasswordIsChangedOnGraceSignOns) {
    adminReset("chpwexp");
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));  // the policy's age is 1 s
    AS_Handle h = open();
    // The policy grants 3 grace sign-ons: the sign-on uses one and reports the expiry.
    ASSERT_EQ(AS_ERR_PASSWORD_EXPIRED, signOn(h, "chpwexp", kPassword));
    int32_t grace = 0, expiresIn = 0;
    ASSERT_EQ(AS_OK, ASA_GetSessionPasswordPolicy(h, &grace, &expiresIn));
    EXPECT_EQ(2, grace);
    EXPECT_EQ("The password has expired.", sessionError(h));  // kept by the policy read
    EXPECT_EQ(AS_ERR_NOT_AUTHENTICATED, ASA_FindUserInfo(h, 1009, nullptr, nullptr, nullptr));
    EXPECT_EQ(AS_ERR_BAD_CREDENTIALS,
              AS_ChangeExpiredBasicSignonPassword(h, kNs, "chpwexp", "wrong-old", "Whatever#123"));
    // Each change binds as the user on a grace sign-on; the policy still checks the new one.
    EXPECT_EQ(AS_ERR_PASSWORD_TOO_SHORT,
              AS_ChangeExpiredBasicSignonPassword(h, kNs, "chpwexp", kPassword, "Ab#1"));
    std::string next = freshPassword();
    ASSERT_EQ(AS_OK,
              AS_ChangeExpiredBasicSignonPassword(h, kNs, "chpwexp", kPassword, next.c_str()))
        << sessionError(h);
    // The new password is the one now (it may have expired again already).
    int32_t status = signOn(h, "chpwexp", next.c_str());
    EXPECT_TRUE(status == AS_OK || status == AS_ERR_PASSWORD_EXPIRED) << status;
    EXPECT_EQ(AS_ERR_BAD_CREDENTIALS, signOn(h, "chpwexp", kPassword));
    AS_Terminate(h);
}

// The last grace sign-on is still one that only lets the password be changed: it reports none
// left and the handle cannot read; the one after it has no grace left at all.
TEST_F(PasswordChange, TheLastGraceSignOnAdmitsNoReadAndTheNextHasNoneLeft) {
    ASSERT_NO_FATAL_FAILURE(addUserWithPolicy(
        "lastgrace", 1093, "pwdMaxAge: 1\npwdGraceAuthNLimit: 2\npwdAllowUserChange: TRUE\n"));
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    AS_Handle h = open();
    for (int32_t left : {1, 0, -1}) {
        EXPECT_EQ(AS_ERR_PASSWORD_EXPIRED, signOn(h, "lastgrace", kPassword)) << left;
        int32_t grace = 99, expiresIn = 0;
        ASSERT_EQ(AS_OK, ASA_GetSessionPasswordPolicy(h, &grace, &expiresIn));
        EXPECT_EQ(left, grace);
        EXPECT_EQ(AS_ERR_NOT_AUTHENTICATED, ASA_FindUserInfo(h, 1093, nullptr, nullptr, nullptr))
            << left;
    }
    // No grace sign-on left to change it with.
    EXPECT_EQ(AS_ERR_PASSWORD_EXPIRED,
              AS_ChangeExpiredBasicSignonPassword(h, kNs, "lastgrace", kPassword, "Whatever#123"));
    AS_Terminate(h);
    removeUserAndPolicy("lastgrace");
}

TEST_F(PasswordChange, WithoutGraceSignOnsOnlyAnAdministratorSetsAnExpiredPassword) {
    ASSERT_NO_FATAL_FAILURE(addUserWithPolicy(
        "nograce", 1091, "pwdMaxAge: 1\npwdGraceAuthNLimit: 0\npwdAllowUserChange: TRUE\n"));
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    AS_Handle h = open();
    ASSERT_EQ(AS_ERR_PASSWORD_EXPIRED, signOn(h, "nograce", kPassword));
    int32_t grace = 0, expiresIn = 0;
    ASSERT_EQ(AS_OK, ASA_GetSessionPasswordPolicy(h, &grace, &expiresIn));
    EXPECT_EQ(-1, grace);
    EXPECT_EQ(AS_ERR_PASSWORD_EXPIRED,
              AS_ChangeExpiredBasicSignonPassword(h, kNs, "nograce", kPassword, "Whatever#123"));
    EXPECT_NE(std::string::npos, sessionError(h).find("an administrator must set a new password"))
        << sessionError(h);
    EXPECT_NE(std::string::npos, sessionError(h, "fr").find("un administrateur doit"));
    // The password was not changed.
    EXPECT_EQ(AS_ERR_PASSWORD_EXPIRED, signOn(h, "nograce", kPassword));
    AS_Terminate(h);
    removeUserAndPolicy("nograce");
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

TEST_F(PasswordChange, PasswordResetByAdministratorMustBeChanged) {
    adminReset("chpwmust");
    AS_Handle h = open();
    ASSERT_EQ(AS_ERR_MUST_CHANGE_PASSWORD, signOn(h, "chpwmust", kPassword));
    EXPECT_EQ(AS_ERR_PASSWORD_TOO_SHORT,
              AS_ForceChangeBasicSignonPassword(h, kNs, "chpwmust", kPassword, "short"));
    std::string next = freshPassword();
    ASSERT_EQ(AS_OK, AS_ForceChangeBasicSignonPassword(h, kNs, "chpwmust", kPassword, next.c_str()))
        << sessionError(h);
    EXPECT_EQ(AS_OK, signOn(h, "chpwmust", next.c_str()));
    AS_Terminate(h);
}

}  // namespace
