// Message numbers of the provider's catalogue used by the provider core. A number the
// documents raise too keeps the documents' name, brought in here, so each number has one name.
#pragma once

#include "VOR_AAA_Messages.h"

#include <cstdint>

using VOR_AAA_Messages::kMsgAuthUnrecoverable;
using VOR_AAA_Messages::kMsgDetail;
using VOR_AAA_Messages::kMsgDocumentNotParsed;
using VOR_AAA_Messages::kMsgInternalError;
using VOR_AAA_Messages::kMsgLibraryCallFailed;
using VOR_AAA_Messages::kMsgQueryNotAnswered;
using VOR_AAA_Messages::kMsgStepFailed;

enum BasaltMessage : uint32_t {
    kMsgProviderMissing = 0x506530DE,             // provider object missing or not initialised
    kMsgUnknownFailure = 0x506992C8,              // an unknown failure was caught
    kMsgNamespaceNotFound = 0x506CBCCD,           // %1 namespace identifier
    kMsgUnknownNamespaceVersion = 0x5065B7A8,     // set-namespace-version: unknown namespace
    kMsgInvalidArgument = 0x5067A7E4,             // %1 what, %2 its value
    kMsgMissingParameter = 0x506DCBBD,            // %1 instance name, %2 parameter name
    kMsgDuplicateInstance = 0x506AECBA,           // %1 instance name
    kMsgUnicodeConflict = 0x506D330F,             // namespaces disagree about Unicode
    kMsgUtf8AlreadyInForce = 0x506E2D3E,          // %1 namespace display name
    kMsgEncodingMismatch = 0x5062E9C4,            // %1 namespace, %2 its encoding, %3 library's
    kMsgDirectoryOutage = 0x5068E4A1,             // %1 namespace, %2 error text naming servers
    kMsgOfflineSignOn = 0x5068E4A2,               // %1 user: offline sign-on from the cache
    kMsgNoSessionForVisa = 0x5063138B,            // %1 namespace identifier
    kMsgRequestNotCompleted = 0x506045BC,         // details of a failure follow
    kMsgNoVisa = 0x506FD733,                      // the request carries no visa
    kMsgSessionNotEnded = 0x5061D5DC,             // the session could not be removed
    kMsgSignOnFailed = 0x506C3422,                // you could not be signed on
    kMsgCredentialsNotValid = 0x5061CFEE,         // user id or password not valid
    kMsgTrustedCredentialFailed = 0x51798D22,     // a trusted credential could not be made
    kMsgNoCertificate = 0x506F3611,               // no certificate was supplied
    kMsgCredentialFailed = 0x517B0CDD,            // a credential could not be generated
    kMsgPresentedNotValid = 0x5069CA1A,           // credentials, ticket or certificate not valid
    kMsgCredentialPasswordNotValid = 0x50653867,  // generate credential: bad user or password
    kMsgEnterPasswordForTC = 0x506DEDA3,          // enter the password for a trusted credential
    kMsgCertificateNotValid = 0x50686615,         // certificate not valid or expired
    kMsgAccountDisabled = 0x506D90A3,             // the account is disabled
    kMsgAccountLocked = 0x5176E64C,               // the account is locked
    kMsgContactAdministrator = 0x506B7CDB,        // please contact your administrator
    kMsgDirectoryUnavailable = 0x5179E1FE,        // directory server unavailable or failing
    kMsgServerUnreachable = 0x50614F80,           // %1 host, %2 port
    kMsgPasswordExpired = 0x5064D0B3,             // password expired or must be changed
    kMsgTicketExpired = 0x51705196,               // the ticket has expired
    kMsgTicketUnknown = 0x517D561F,               // the ticket is not known
    kMsgTicketNotRefreshable = 0x5175CD38,        // the ticket cannot be refreshed
    kMsgSessionNotReestablished = 0x506D8E6C,     // session not re-established from the visa
    kMsgSessionNotOpened = 0x5066B498,            // %1 result of opening a directory session
    kMsgCaptionUserIdRequired = 0x5173C23A,       // caption: a user id is required
    kMsgCaptionCredentialsAgain = 0x5172D1CE,     // caption: type the credentials again
    kMsgUnsupportedObjectKind = 0x50690298,       // a query for an object of no known kind
};
