// The mapping of a failed credential or certificate logon onto the provider's authentication
// exceptions, row by row (the directory's result code, the request's action, the logon mode
// and whether a user name was given decide), and the shared pieces of those exceptions.
#pragma once

#include <I18NString.h>
#include <PYXMessage.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class BasaltNamespace;
class VOR_AAA_Exception;

enum BasaltLogonMode : int {
    kLogonModeCredential = 0,
    kLogonModeCertificate = 2,
};

// What the mapping needs of the namespace.
struct LogonFailureContext {
    I18NString namespaceID;
    I18NString displayName;
    I18NString host;
    uint32_t port = 0;
    // The library's text of the failure; the code in decimal when the library gave none.
    I18NString errorText;
    // Set when the namespace's encoding is not the library's: a text the library cannot read
    // (-9) is then explained by it.
    std::optional<PYXMessage> encodingMismatch;
};

// Throws the exception of the row for code, or returns for the rows that raise nothing (-147
// on a credential logon; -129 and -62 for actions other than logon, logonAs and generateTC).
void RaiseLogonFailure(const LogonFailureContext& context, int32_t code, const I18NString& action,
                       int mode, const I18NString& userName);
// The same with the namespace's settings; errorText as kept by the session (empty: the code).
void RaiseLogonFailure(const BasaltNamespace& ns, int32_t code, const I18NString& action, int mode,
                       const I18NString& userName, const I18NString& errorText);

// kMsgSignOnFailed with kMsgCredentialsNotValid one level below it.
void AddSignOnFailedMessages(VOR_AAA_Exception& e);

// The names of a comma-separated list, blanks around each dropped, empty ones skipped.
std::vector<std::string> SplitNames(const std::string& list);
