// Numbers of the catalogue messages (data/home/messages) that the documents raise or write into
// prompts. Tests name them too. The provider core brings the numbers it raises as well into its
// own list under these names, so each number has one name.
#pragma once

#include <cstdint>

namespace VOR_AAA_Messages {

enum : uint32_t {
    kMsgLibraryCallFailed = 0x5060AF61,      // %1 library function, %2 its result
    kMsgStepFailed = 0x5066289F,             // %1 the step that failed
    kMsgDetail = 0x65B15F15,                 // %1 one line of detail
    kMsgInternalError = 0x506C4DF8,          // %1 where, %2 what
    kMsgStringOperationFailed = 0x50611B7D,  // %1 operation, %2 detail
    kMsgDocumentNotParsed = 0x506E500E,      // %1 document name
    kMsgPublicIdentifier = 0x5065B0B0,       // %1 public identifier of the parse failure
    kMsgFilterSyntax = 0x50606AC3,           // %1 the filter predicate
    kMsgQueryNotAnswered = 0x506E865C,       // %1 the search path
    kMsgUnknownAction = 0x517878D8,          // the request names an unknown action
    kMsgActionText = 0x861B8CC2,             // %1 the action named
    kMsgInvalidPassportID = 0x506F4371,      // %1 passport identifier
    // The user could not be authenticated: lead message of unrecoverable failures, and the
    // caption of the invalid-passport prompt.
    kMsgAuthUnrecoverable = 0x51744BBF,
    // Prompt captions.
    kMsgLogonCaption = 0x5172B6F7,
    kMsgNamespaceCaption = 0x51728952,
    kMsgUserNameCaption = 0x51703E12,
    kMsgPasswordCaption = 0x5173574E,
    kMsgOldPasswordCaption = 0x5174CA5B,
    kMsgNewPasswordCaption = 0x51798A14,
    kMsgConfirmPasswordCaption = 0x517BB385,
};

}  // namespace VOR_AAA_Messages
