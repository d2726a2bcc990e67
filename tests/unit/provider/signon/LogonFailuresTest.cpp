// The mapping of refused credential and certificate logons onto authentication exceptions,
// row by row, including the rows a real directory cannot be made to produce (a refused
// certificate code, an invalid handle, a folder or memory failure). The rows a directory does
// produce are also signed on against slapd (tests/integration/signon).
#include "common/ProviderMessages.h"
#include "signon/LogonFailures.h"

#include <AccessAPI.h>
#include <VOR_AAA_Exception.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

enum Kind { kNothing, kUnrecoverable, kLogonAs, kChangePassword, kGenerateTC };
using Messages = std::vector<std::pair<int, uint32_t>>;  // (nesting level, message number)

struct Raised {
    Kind kind = kNothing;
    Messages messages;
    std::vector<uint32_t> captions;
    std::vector<std::string> fields;      // display object names
    std::string actionField;              // value of h_VOR_action
    std::string userField;                // value of VORUsername
    std::vector<std::string> parameters;  // of kMsgServerUnreachable and the detail lines
    bool fieldCaptionsInFrench = true;
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

// The captions of a prompt's fields are all translated: one missing in French would fall back
// to the English text.
bool InFrench(const PYXMessage& caption) {
    return caption.render("fr") != caption.render("en");
}

Raised MapIn(const LogonFailureContext& context, int32_t code, const char* action, int mode,
             const char* user = "ann") {
    Raised raised;
    try {
        RaiseLogonFailure(context, code, I18NString(action), mode, I18NString(user));
    } catch (VOR_AAA_AuthException& e) {
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
        auto* recoverable = dynamic_cast<VOR_AAA_AuthUserRecoverableException*>(&e);
        if (recoverable == nullptr) {
            raised.kind = kUnrecoverable;
            return raised;
        }
        raised.kind = dynamic_cast<VOR_AAA_AuthUserRecoverableException_LogonAs*>(&e) ? kLogonAs
                      : dynamic_cast<VOR_AAA_AuthUserRecoverableException_ChangePassword2*>(&e)
                          ? kChangePassword
                          : kGenerateTC;
        for (const VOR_AAA_DisplayObject& d : recoverable->GetDisplayObjects()) {
            raised.fields.push_back(d.GetName().utf8());
            if (d.GetCaption() && !InFrench(*d.GetCaption())) {
                raised.fieldCaptionsInFrench = false;
            }
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

constexpr int kCredential = kLogonModeCredential;
constexpr int kCertificate = kLogonModeCertificate;

struct Row {
    int32_t code;
    const char* action;
    Kind kind;
    const Messages& messages;
};

// Every row of a credential logon by "ann" that a directory does not produce on a plain logon (a
// wrong password, a locked or disabled account, an expired password: tests/integration/signon),
// then the rows that depend on the user name or the logon mode.
TEST(LogonFailures, EachRowRaisesItsKindWithItsMessages) {
    const Messages none;
    const Messages unreachable = {{0, kMsgDirectoryUnavailable},
                                  {1, kMsgRequestNotCompleted},
                                  {2, kMsgServerUnreachable},
                                  {3, kMsgDetail}};
    const Messages unavailable = {{0, kMsgDirectoryUnavailable},
                                  {1, kMsgRequestNotCompleted},
                                  {3, kMsgDetail},
                                  {4, kMsgContactAdministrator}};
    const Messages badHandle = {{0, kMsgDirectoryUnavailable},
                                {1, kMsgRequestNotCompleted},
                                {2, kMsgContactAdministrator},
                                {3, kMsgDetail}};
    const Messages other = {
        {0, kMsgCredentialsNotValid}, {1, kMsgRequestNotCompleted}, {2, kMsgDetail}};
    const Messages expired = {{0, kMsgSignOnFailed}, {1, kMsgPasswordExpired}};
    const Messages badPassword = {{0, kMsgCredentialFailed}, {1, kMsgCredentialPasswordNotValid}};
    const Messages enterForTC = {{0, kMsgSignOnFailed}, {1, kMsgEnterPasswordForTC}};
    const Messages signOnFailed = {{0, kMsgSignOnFailed}, {1, kMsgCredentialsNotValid}};
    const Messages presented = {{0, kMsgCredentialFailed}, {1, kMsgPresentedNotValid}};
    const Messages presentedForTC = {
        {0, kMsgTrustedCredentialFailed}, {1, kMsgRequestNotCompleted}, {2, kMsgPresentedNotValid}};
    const Messages certificate = {
        {0, kMsgAuthUnrecoverable}, {1, kMsgCertificateNotValid}, {2, kMsgDetail}};
    std::vector<Row> rows = {
        {-147, "logon", kNothing, none},
        {AS_ERR_PASSWORD_EXPIRED, "generateCredential", kNothing, none},
        {AS_ERR_MUST_CHANGE_PASSWORD, "logoff", kNothing, none},
        {AS_ERR_SERVER_UNREACHABLE, "logon", kUnrecoverable, unreachable},
        {AS_ERR_TIMEOUT, "logon", kUnrecoverable, unavailable},
        {AS_ERR_SERVER, "logon", kUnrecoverable, unavailable},
        {AS_ERR_NO_MEMORY, "logon", kUnrecoverable, unavailable},
        {AS_ERR_INVALID_HANDLE, "logon", kUnrecoverable, badHandle},
        {AS_ERR_FOLDER_NOT_FOUND, "logon", kUnrecoverable, other},
        {AS_ERR_AUTH_MODE_NOT_ALLOWED, "logon", kUnrecoverable, other},
        {AS_ERR_INTERNAL, "logon", kUnrecoverable, other},
        // A text the library cannot read, in a namespace of the library's encoding (another
        // encoding is named between the two: tests/integration/signon).
        {AS_ERR_INVALID_TEXT, "generateTC", kUnrecoverable, other},
        {AS_ERR_PASSWORD_EXPIRED, "logonAs", kChangePassword, expired},
        {AS_ERR_MUST_CHANGE_PASSWORD, "generateTC", kChangePassword, expired},
        {AS_ERR_BAD_CREDENTIALS, "generateCredential", kUnrecoverable, badPassword},
        {AS_ERR_BAD_CREDENTIALS, "generateTC", kGenerateTC, enterForTC},
    };
    // A refused ticket, certificate or class is judged by the action, not by the code.
    for (int32_t code :
         {AS_ERR_INVALID_CERTIFICATE, AS_ERR_UNKNOWN_TICKET, AS_ERR_USER_CLASS_NOT_ALLOWED}) {
        rows.push_back({code, "generateCredential", kUnrecoverable, presented});
        rows.push_back({code, "generateTC", kUnrecoverable, presentedForTC});
        rows.push_back({code, "logon", kLogonAs, signOnFailed});
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.code << " " << row.action);
        const Raised r = Map(row.code, row.action, kCredential);
        EXPECT_EQ(r.kind, row.kind);
        EXPECT_EQ(r.messages, row.messages);
        EXPECT_TRUE(r.fieldCaptionsInFrench);
        if (r.kind != kNothing && r.kind != kUnrecoverable) {
            EXPECT_EQ(r.userField, "ann");
            EXPECT_EQ(r.fields.back(), "h_VOR_action");
        }
    }
    // Typed credentials refused: the prompt asks for them again; an empty form has only the
    // standard caption.
    const Raised named = Map(AS_ERR_UNKNOWN_TICKET, "logon", kCredential);
    EXPECT_EQ(named.captions.front(), kMsgCaptionCredentialsAgain);
    const Raised anonymous = Map(AS_ERR_UNKNOWN_TICKET, "logon", kCredential, "");
    EXPECT_EQ(anonymous.kind, kLogonAs);
    EXPECT_EQ(anonymous.captions.size(), 1u);
    // Every certificate refusal is unrecoverable with the certificate message.
    for (int32_t code : {-147, AS_ERR_INVALID_CERTIFICATE, AS_ERR_UNKNOWN_TICKET,
                         AS_ERR_USER_CLASS_NOT_ALLOWED, AS_ERR_AUTH_MODE_NOT_ALLOWED}) {
        const Raised r = Map(code, "logon", kCertificate, "");
        EXPECT_EQ(r.kind, kUnrecoverable) << code;
        EXPECT_EQ(r.messages, certificate) << code;
    }
}

TEST(LogonFailures, PromptsAndMessagesCarryTheirDetails) {
    // The change prompt sends the form back to the action that asked.
    EXPECT_EQ(Map(AS_ERR_MUST_CHANGE_PASSWORD, "generateTC", kCredential).actionField,
              "generateTC");
    EXPECT_EQ(Map(AS_ERR_BAD_CREDENTIALS, "generateTC", kCredential).actionField, "generateTC");
    // The server's address, then the library's words.
    EXPECT_EQ(
        Map(AS_ERR_SERVER_UNREACHABLE, "logon", kCredential).parameters,
        (std::vector<std::string>{"ldap.example", "1389", "Cannot reach ldap.example:1389."}));
    const Raised certificate = Map(AS_ERR_INVALID_CERTIFICATE, "logon", kCertificate, "");
    EXPECT_EQ(certificate.captions, std::vector<uint32_t>{kMsgAuthUnrecoverable});
    EXPECT_EQ(certificate.parameters, std::vector<std::string>{"Cannot reach ldap.example:1389."});
    // An empty library text becomes the code.
    LogonFailureContext silent = Context();
    silent.errorText = "";
    EXPECT_EQ(MapIn(silent, AS_ERR_INTERNAL, "logon", kCredential).parameters,
              std::vector<std::string>{"-20"});
}

}  // namespace
