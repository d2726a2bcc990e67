#include "signon/LogonFailures.h"

#include "common/ProviderErrors.h"
#include "common/ProviderMessages.h"
#include "namespace/BasaltNamespace.h"

#include <AccessAPI.h>
#include <PYXThrowable.h>
#include <VOR_AAA_Exception.h>

#include <initializer_list>
#include <utility>

namespace {

constexpr const char* kLabel = "BasaltSession::BasaltSession";
// A code the library documents but reports for no failure of its own today; kept in the table so
// that a library that does report it gets the certificate refusal.
constexpr int32_t kCertificateRefused = -147;

using Nested = std::pair<int, PYXMessage>;

// An unrecoverable failure: lead as caption and first message, then each message at its level.
[[noreturn]] void RaiseUnrecoverable(uint32_t lead, std::initializer_list<Nested> messages) {
    const PYXMessage leadMessage = ProviderMessage(lead);
    VOR_AAA_AuthUnrecoverableException error(leadMessage);
    error.addMessage(leadMessage, 0);
    for (const auto& [level, message] : messages) {
        error.addMessage(message, level);
    }
    PYX_THROW(error, kLabel);
}

PYXMessage Msg(uint32_t number, PYXMessageComponents parms = {}) {
    return ProviderMessage(number, std::move(parms));
}

[[noreturn]] void RaiseLogonAs(const LogonFailureContext& context, const I18NString& userName,
                               bool withCaption) {
    if (withCaption) {
        VOR_AAA_AuthUserRecoverableException_LogonAs prompt(Msg(kMsgCaptionCredentialsAgain),
                                                            context.namespaceID,
                                                            context.displayName, userName, true);
        AddSignOnFailedMessages(prompt);
        PYX_THROW(prompt, kLabel);
    }
    VOR_AAA_AuthUserRecoverableException_LogonAs prompt(context.namespaceID, context.displayName,
                                                        userName);
    AddSignOnFailedMessages(prompt);
    PYX_THROW(prompt, kLabel);
}

}  // namespace

void AddSignOnFailedMessages(VOR_AAA_Exception& e) {
    e.addMessage(Msg(kMsgSignOnFailed), 0);
    e.addMessage(Msg(kMsgCredentialsNotValid), 1);
}

std::vector<std::string> SplitNames(const std::string& list) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(',', start);
        if (end == std::string::npos) {
            end = list.size();
        }
        std::string name = list.substr(start, end - start);
        const auto first = name.find_first_not_of(" \t");
        const auto last = name.find_last_not_of(" \t");
        if (first != std::string::npos) {
            names.push_back(name.substr(first, last - first + 1));
        }
        start = end + 1;
    }
    return names;
}

void RaiseLogonFailure(const BasaltNamespace& ns, int32_t code, const I18NString& action, int mode,
                       const I18NString& userName, const I18NString& errorText) {
    LogonFailureContext context;
    context.namespaceID = ns.GetIdentifier();
    context.displayName = ns.GetDisplayName();
    context.host = ns.GetHost();
    context.port = ns.GetPort();
    context.errorText = errorText;
    if (code == AS_ERR_INVALID_TEXT) {
        context.encodingMismatch = ns.EncodingMismatch();
    }
    RaiseLogonFailure(context, code, action, mode, userName);
}

void RaiseLogonFailure(const LogonFailureContext& context, int32_t code, const I18NString& action,
                       int mode, const I18NString& userName) {
    const bool certificate = mode == kLogonModeCertificate;
    const bool generateTC = action == I18NString("generateTC");
    const bool generateCredential = action == I18NString("generateCredential");
    // The library's own words (host and port, the certificate problem, ...) go one level below
    // the catalogue message that states the failure.
    const I18NString errorText =
        context.errorText.empty() ? I18NString(std::to_string(code)) : context.errorText;
    const Nested libraryText{3, Msg(kMsgDetail, {errorText})};
    switch (code) {
        case kCertificateRefused:
            if (certificate) {
                RaiseUnrecoverable(kMsgAuthUnrecoverable,
                                   {{1, Msg(kMsgCertificateNotValid)}, {2, libraryText.second}});
            }
            return;
        case AS_ERR_ACCOUNT_DISABLED:
            RaiseUnrecoverable(kMsgAccountDisabled, {{1, Msg(kMsgRequestNotCompleted)},
                                                     {2, Msg(kMsgAccountDisabled)},
                                                     {3, libraryText.second}});
        case AS_ERR_ACCOUNT_LOCKED:
            RaiseUnrecoverable(kMsgContactAdministrator, {{1, Msg(kMsgRequestNotCompleted)},
                                                          {2, Msg(kMsgAccountLocked)},
                                                          {3, libraryText.second}});
        case AS_ERR_PASSWORD_EXPIRED:
        case AS_ERR_MUST_CHANGE_PASSWORD:
            if (action == I18NString("logon") || action == I18NString("logonAs") || generateTC) {
                VOR_AAA_AuthUserRecoverableException_ChangePassword2 prompt(
                    context.namespaceID, context.displayName, userName, I18NString(), userName,
                    I18NString(generateTC ? "generateTC" : "logonAs"));
                prompt.addMessage(Msg(kMsgSignOnFailed), 0);
                prompt.addMessage(Msg(kMsgPasswordExpired), 1);
                PYX_THROW(prompt, kLabel);
            }
            return;
        case AS_ERR_SERVER_UNREACHABLE:
            RaiseUnrecoverable(
                kMsgDirectoryUnavailable,
                {{1, Msg(kMsgRequestNotCompleted)},
                 {2, Msg(kMsgServerUnreachable, {context.host, std::to_string(context.port)})},
                 libraryText});
        case AS_ERR_TIMEOUT:
        case AS_ERR_SERVER:
        case AS_ERR_NO_MEMORY:
            RaiseUnrecoverable(kMsgDirectoryUnavailable, {{1, Msg(kMsgRequestNotCompleted)},
                                                          libraryText,
                                                          {4, Msg(kMsgContactAdministrator)}});
        case AS_ERR_INVALID_CERTIFICATE:
        case AS_ERR_UNKNOWN_TICKET:
        case AS_ERR_USER_CLASS_NOT_ALLOWED:
            if (generateCredential) {
                RaiseUnrecoverable(kMsgCredentialFailed, {{1, Msg(kMsgPresentedNotValid)}});
            }
            if (generateTC) {
                RaiseUnrecoverable(kMsgTrustedCredentialFailed, {{1, Msg(kMsgRequestNotCompleted)},
                                                                 {2, Msg(kMsgPresentedNotValid)}});
            }
            if (certificate) {
                RaiseUnrecoverable(kMsgAuthUnrecoverable,
                                   {{1, Msg(kMsgCertificateNotValid)}, {2, libraryText.second}});
            }
            RaiseLogonAs(context, userName, !userName.empty());
        case AS_ERR_AUTH_MODE_NOT_ALLOWED:
            if (certificate) {
                RaiseUnrecoverable(kMsgAuthUnrecoverable,
                                   {{1, Msg(kMsgCertificateNotValid)}, {2, libraryText.second}});
            }
            RaiseUnrecoverable(kMsgCredentialsNotValid,
                               {{1, Msg(kMsgRequestNotCompleted)}, {2, libraryText.second}});
        case AS_ERR_FOLDER_NOT_FOUND:
            RaiseUnrecoverable(kMsgCredentialsNotValid,
                               {{1, Msg(kMsgRequestNotCompleted)}, {2, libraryText.second}});
        case AS_ERR_INVALID_TEXT:
            if (context.encodingMismatch) {
                RaiseUnrecoverable(kMsgCredentialsNotValid, {{1, Msg(kMsgRequestNotCompleted)},
                                                             {2, *context.encodingMismatch},
                                                             libraryText});
            }
            RaiseUnrecoverable(kMsgCredentialsNotValid,
                               {{1, Msg(kMsgRequestNotCompleted)}, {2, libraryText.second}});
        case AS_ERR_INVALID_HANDLE:
            RaiseUnrecoverable(kMsgDirectoryUnavailable, {{1, Msg(kMsgRequestNotCompleted)},
                                                          {2, Msg(kMsgContactAdministrator)},
                                                          {3, libraryText.second}});
        case AS_ERR_BAD_CREDENTIALS:
            if (generateCredential) {
                RaiseUnrecoverable(kMsgCredentialFailed,
                                   {{1, Msg(kMsgCredentialPasswordNotValid)}});
            }
            if (generateTC) {
                VOR_AAA_AuthUserRecoverableException_GenerateTC prompt(
                    context.namespaceID, context.displayName, userName, userName);
                prompt.addMessage(Msg(kMsgSignOnFailed), 0);
                prompt.addMessage(Msg(kMsgEnterPasswordForTC), 1);
                PYX_THROW(prompt, kLabel);
            }
            RaiseLogonAs(context, userName, true);
        default:
            RaiseUnrecoverable(kMsgCredentialsNotValid,
                               {{1, Msg(kMsgRequestNotCompleted)}, {2, libraryText.second}});
    }
}
