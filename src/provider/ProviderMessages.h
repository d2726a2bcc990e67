// Message numbers of the provider's catalogue used by the provider core.
#pragma once

#include <cstdint>

enum BasaltMessage : uint32_t {
    kMsgProviderMissing = 0x506530DE,            // provider object missing or not initialised
    kMsgThrowableCaught = 0x5066289F,            // %1 function label or step
    kMsgDetailLine = 0x65B15F15,                 // %1 one line of detail
    kMsgUnknownFailure = 0x506992C8,             // an unknown failure was caught
    kMsgNamespaceNotFound = 0x506CBCCD,          // %1 namespace identifier
    kMsgUnknownNamespaceVersion = 0x5065B7A8,    // set-namespace-version: unknown namespace
    kMsgInvalidArgument = 0x5067A7E4,            // %1 what, %2 its value
    kMsgLibraryCallFailed = 0x5060AF61,          // %1 result code, %2 library function
    kMsgMissingParameter = 0x506DCBBD,           // %1 instance name, %2 parameter name
    kMsgDuplicateInstance = 0x506AECBA,          // %1 instance name
    kMsgUnicodeConflict = 0x506D330F,            // namespaces disagree about Unicode
    kMsgUtf8AlreadyInForce = 0x506E2D3E,         // %1 namespace display name
    kMsgNamespacePropertiesFailed = 0x506C4DF8,  // %1 what was read, %2 error text
    kMsgDocumentParseFailed = 0x506E500E,        // %1 document name
    kMsgNoSessionForVisa = 0x5063138B,           // %1 namespace identifier
    kMsgQueryNotAnswered = 0x506E865C,           // %1 search path
    kMsgAuthUnrecoverable = 0x51744BBF,          // lead message of unrecoverable failures
};
