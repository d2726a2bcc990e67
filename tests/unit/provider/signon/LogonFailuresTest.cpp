// The mapping of refused credential and certificate logons onto authentication exceptions,
// row by row, including the rows a real directory cannot be made to produce (a refused
// certificate code, an invalid handle, a folder or memory failure).
#include "common/ProviderErrors.h"
#include "common/ProviderMessages.h"
#include "signon/LogonFailures.h"

#include <AccessAPI.h>
#include <VOR_AAA_Exception.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

enum Kind { kNothing, kUnrecoverable, kLogonAs, kChangePassword, kGenerateTC };

struct Raised {
    Kind kind = kNothing;
    // (nesting level, message number) in order
    std::vector<std::pair<int, uint32_t>> messages;
    std::vector<uint32_t> captions;
    std::vector<std::string> fields;      // display object names
    std::string actionField;              // value of h_VOR_action
    std::string userField;                // value of VORUsername
    std::vector<std::string> parameters;  // of the message 0x50614F80 or the detail line
};

LogonFailureContext Context() {
    LogonFailureContext context;
    context.namespaceID = "ns";
    context.displayName = "The Namespace";
    context.host = "ldap.example";
    context.port = 1389;
    context.errorText = "Cannot reach ldap.example:1389.";
    return context;
}

Raised MapIn(const LogonFailureContext& context, int32_t code, const char* action, int mode,
             const char* user = "ann") {
    Raised raised;
    try {
        RaiseLogonFailure(context, code, I18NString(action), mode, I18NString(user));
        return raised;
    } catch (VOR_AAA_AuthUnrecoverableException& e) {
        raised.kind = kUnrecoverable;
        for (const PYXMessage& c : e.GetCaptions()) {
            raised.captions.push_back(c.getNumber());
        }
        for (std::size_t i = 0; i < e.getMessageCount(); ++i) {
            const PYXMessage& m = e.getMessageN(i);
            raised.messages.emplace_back(e.getMessageNestingLevelN(i), m.getNumber());
            if (m.getNumber() == kMsgServerUnreachable || m.getNumber() == kMsgDetail) {
                for (const auto& p : m.getComponents().parms()) {
                    raised.parameters.push_back(p.toText().utf8());
                }
            }
        }
    } catch (VOR_AAA_AuthUserRecoverableException& e) {
        if (dynamic_cast<VOR_AAA_AuthUserRecoverableException_LogonAs*>(&e) != nullptr) {
            raised.kind = kLogonAs;
        } else if (dynamic_cast<VOR_AAA_AuthUserRecoverableException_ChangePassword2*>(&e) !=
                   nullptr) {
            raised.kind = kChangePassword;
        } else {
            raised.kind = kGenerateTC;
        }
        for (const PYXMessage& c : e.GetCaptions()) {
            raised.captions.push_back(c.getNumber());
        }
        for (std::size_t i = 0; i < e.getMessageCount(); ++i) {
            raised.messages.emplace_back(e.getMessageNestingLevelN(i),
                                         e.getMessageN(i).getNumber());
        }
        for (const VOR_AAA_DisplayObject& d : e.GetDisplayObjects()) {
            raised.fields.push_back(d.GetName().utf8());
            if (d.GetName() == I18NString("h_VOR_action")) {
                raised.actionField = d.GetValue().utf8();
            }
            if (d.GetName() == I18NString("VORUsername")) {
                raised.userField = d.GetValue().utf8();
            }
        }
    }
    return raised;
}

Raised Map(int32_t code, const char* action, int mode, const char* user = "ann") {
    return MapIn(Context(), code, action, mode, user);
}

using Messages = std::vector<std::pair<int, uint32_t>>;

// The messages without the library's detail lines (checked on their own).
Messages Catalogue(const Raised& r) {
    Messages m;
    for (const auto& entry : r.messages) {
        if (entry.second != kMsgDetail) {
            m.push_back(entry);
        }
    }
    return m;
}

constexpr int kCredential = kLogonModeCredential;
constexpr int kCertificate = kLogonModeCertificate;

TEST(LogonFailures, RowsThatRaiseNothing) {
    EXPECT_EQ(Map(-147, "logon", kCredential).kind, kNothing);
    EXPECT_EQ(Map(AS_ERR_PASSWORD_EXPIRED, "generateCredential", kCredential).kind, kNothing);
    EXPECT_EQ(Map(AS_ERR_MUST_CHANGE_PASSWORD, "logoff", kCredential).kind, kNothing);
}

TEST(LogonFailures, CertificateRefusalsAreUnrecoverableWithTheCertificateMessage) {
    for (int32_t code : {-147, AS_ERR_INVALID_CERTIFICATE, AS_ERR_UNKNOWN_TICKET,
                         AS_ERR_USER_CLASS_NOT_ALLOWED, AS_ERR_AUTH_MODE_NOT_ALLOWED}) {
        const Raised r = Map(code, "logon", kCertificate, "");
        EXPECT_EQ(r.kind, kUnrecoverable) << code;
        EXPECT_EQ(r.captions, std::vector<uint32_t>{kMsgAuthUnrecoverable}) << code;
        EXPECT_EQ(Catalogue(r),
                  (Messages{{0, kMsgAuthUnrecoverable}, {1, kMsgCertificateNotValid}}))
            << code;
        // The library's reason follows below.
        EXPECT_EQ(r.parameters, std::vector<std::string>{"Cannot reach ldap.example:1389."});
    }
}

TEST(LogonFailures, AccountStatesAndTheDirectoryItself) {
    EXPECT_EQ(
        Catalogue(Map(AS_ERR_ACCOUNT_DISABLED, "logon", kCredential)),
        (Messages{
            {0, kMsgAccountDisabled}, {1, kMsgRequestNotCompleted}, {2, kMsgAccountDisabled}}));
    EXPECT_EQ(
        Catalogue(Map(AS_ERR_ACCOUNT_LOCKED, "logon", kCredential)),
        (Messages{
            {0, kMsgContactAdministrator}, {1, kMsgRequestNotCompleted}, {2, kMsgAccountLocked}}));
    const Raised unreachable = Map(AS_ERR_SERVER_UNREACHABLE, "logon", kCredential);
    EXPECT_EQ(Catalogue(unreachable), (Messages{{0, kMsgDirectoryUnavailable},
                                                {1, kMsgRequestNotCompleted},
                                                {2, kMsgServerUnreachable}}));
    EXPECT_EQ(
        unreachable.parameters,
        (std::vector<std::string>{"ldap.example", "1389", "Cannot reach ldap.example:1389."}));
    for (int32_t code : {AS_ERR_TIMEOUT, AS_ERR_SERVER, AS_ERR_NO_MEMORY}) {
        const Raised r = Map(code, "logon", kCredential);
        EXPECT_EQ(r.messages, (Messages{{0, kMsgDirectoryUnavailable},
                                        {1, kMsgRequestNotCompleted},
                                        {3, kMsgDetail},
                                        {4, kMsgContactAdministrator}}))
            << code;
    }
    EXPECT_EQ(Catalogue(Map(AS_ERR_INVALID_HANDLE, "logon", kCredential)),
              (Messages{{0, kMsgDirectoryUnavailable},
                        {1, kMsgRequestNotCompleted},
                        {2, kMsgContactAdministrator}}));
    EXPECT_EQ(Catalogue(Map(AS_ERR_FOLDER_NOT_FOUND, "logon", kCredential)),
              (Messages{{0, kMsgCredentialsNotValid}, {1, kMsgRequestNotCompleted}}));
    EXPECT_EQ(Catalogue(Map(AS_ERR_AUTH_MODE_NOT_ALLOWED, "logon", kCredential)),
              (Messages{{0, kMsgCredentialsNotValid}, {1, kMsgRequestNotCompleted}}));
    // Anything else: the library's text right below the standard pair.
    const Raised other = Map(AS_ERR_INTERNAL, "logon", kCredential);
    EXPECT_EQ(
        other.messages,
        (Messages{{0, kMsgCredentialsNotValid}, {1, kMsgRequestNotCompleted}, {2, kMsgDetail}}));
}

TEST(LogonFailures, AnExpiredPasswordPromptsForTheChangeOnSignOnActionsOnly) {
    for (const char* action : {"logon", "logonAs"}) {
        const Raised r = Map(AS_ERR_PASSWORD_EXPIRED, action, kCredential);
        EXPECT_EQ(r.kind, kChangePassword) << action;
        EXPECT_EQ(r.actionField, "logonAs");
        EXPECT_EQ(r.userField, "ann");
        EXPECT_EQ(r.messages, (Messages{{0, kMsgSignOnFailed}, {1, kMsgPasswordExpired}}));
    }
    const Raised tc = Map(AS_ERR_MUST_CHANGE_PASSWORD, "generateTC", kCredential);
    EXPECT_EQ(tc.kind, kChangePassword);
    EXPECT_EQ(tc.actionField, "generateTC");
}

TEST(LogonFailures, RefusedCredentialsDependOnTheActionAndTheUserName) {
    for (int32_t code :
         {AS_ERR_INVALID_CERTIFICATE, AS_ERR_UNKNOWN_TICKET, AS_ERR_USER_CLASS_NOT_ALLOWED}) {
        EXPECT_EQ(Map(code, "generateCredential", kCredential).messages,
                  (Messages{{0, kMsgCredentialFailed}, {1, kMsgPresentedNotValid}}));
        EXPECT_EQ(Map(code, "generateTC", kCredential).messages,
                  (Messages{{0, kMsgTrustedCredentialFailed},
                            {1, kMsgRequestNotCompleted},
                            {2, kMsgPresentedNotValid}}));
        const Raised anonymous = Map(code, "logon", kCredential, "");
        EXPECT_EQ(anonymous.kind, kLogonAs);
        EXPECT_EQ(anonymous.captions.size(), 1u);  // the standard caption only
        const Raised named = Map(code, "logon", kCredential);
        EXPECT_EQ(named.kind, kLogonAs);
        EXPECT_EQ(named.captions.front(), kMsgCaptionCredentialsAgain);
        EXPECT_EQ(named.userField, "ann");
        EXPECT_EQ(named.messages, (Messages{{0, kMsgSignOnFailed}, {1, kMsgCredentialsNotValid}}));
    }
    EXPECT_EQ(Map(AS_ERR_BAD_CREDENTIALS, "generateCredential", kCredential).messages,
              (Messages{{0, kMsgCredentialFailed}, {1, kMsgCredentialPasswordNotValid}}));
    const Raised tc = Map(AS_ERR_BAD_CREDENTIALS, "generateTC", kCredential);
    EXPECT_EQ(tc.kind, kGenerateTC);
    EXPECT_EQ(tc.messages, (Messages{{0, kMsgSignOnFailed}, {1, kMsgEnterPasswordForTC}}));
    EXPECT_EQ(tc.actionField, "generateTC");
    const Raised logon = Map(AS_ERR_BAD_CREDENTIALS, "logon", kCredential);
    EXPECT_EQ(logon.kind, kLogonAs);
    EXPECT_EQ(logon.captions.front(), kMsgCaptionCredentialsAgain);
    EXPECT_EQ(logon.fields.back(), "h_VOR_action");
}

// A text the library cannot read (-9): when the namespace's encoding is not the library's, the
// message naming both goes between the standard pair and the library's own words.
TEST(LogonFailures, UnreadableTextIsExplainedByTheEncodingsWhenTheyDiffer) {
    LogonFailureContext context = Context();
    context.errorText = "The text is not valid in the character encoding in force, UTF-8.";
    for (const char* action : {"logon", "logonAs", "generateTC"}) {
        context.encodingMismatch =
            ProviderMessage(kMsgEncodingMismatch, {"The Namespace", "ISO-8859-1", "UTF-8"});
        const Raised mismatch = MapIn(context, AS_ERR_INVALID_TEXT, action, kCredential);
        EXPECT_EQ(mismatch.kind, kUnrecoverable) << action;
        EXPECT_EQ(mismatch.captions, std::vector<uint32_t>{kMsgCredentialsNotValid}) << action;
        EXPECT_EQ(mismatch.messages, (Messages{{0, kMsgCredentialsNotValid},
                                               {1, kMsgRequestNotCompleted},
                                               {2, kMsgEncodingMismatch},
                                               {3, kMsgDetail}}))
            << action;
        EXPECT_EQ(mismatch.parameters, std::vector<std::string>{context.errorText.utf8()});

        context.encodingMismatch.reset();
        const Raised plain = MapIn(context, AS_ERR_INVALID_TEXT, action, kCredential);
        EXPECT_EQ(
            plain.messages,
            (Messages{{0, kMsgCredentialsNotValid}, {1, kMsgRequestNotCompleted}, {2, kMsgDetail}}))
            << action;
        EXPECT_EQ(plain.parameters, std::vector<std::string>{context.errorText.utf8()});
    }
}

TEST(LogonFailures, AnEmptyLibraryTextBecomesTheCode) {
    LogonFailureContext context = Context();
    context.errorText = "";
    try {
        RaiseLogonFailure(context, AS_ERR_INTERNAL, "logon", kCredential, "ann");
        FAIL();
    } catch (VOR_AAA_AuthUnrecoverableException& e) {
        ASSERT_EQ(e.getMessageCount(), 3u);
        EXPECT_EQ(e.getMessageN(2).getComponents().getParm(0).toText(), I18NString("-20"));
    }
}

TEST(LogonFailures, RequiredVariableListsAreSplitAtCommas) {
    EXPECT_EQ(SplitNames("REMOTE_USER"), std::vector<std::string>{"REMOTE_USER"});
    EXPECT_EQ(SplitNames(" A , B,,C "), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_TRUE(SplitNames(" , ").empty());
}

}  // namespace
