#include "common/ProviderErrors.h"

#include "common/ProviderMessages.h"

#include <PYXThrowable.h>

PYXMessage ProviderMessage(uint32_t number, PYXMessageComponents parms) {
    VOR_AAA_Message message(number);
    for (const PYXMessageParm& parm : parms.parms()) {
        message.addParm(parm);
    }
    return message;
}

VOR_AAA_Exception ProviderError(int32_t code, std::initializer_list<PYXMessage> messages) {
    VOR_AAA_Exception error(code);
    bool first = true;
    for (const PYXMessage& message : messages) {
        if (!first) {
            error.increaseNesting();
        }
        error.addMessage(message);
        first = false;
    }
    return error;
}

VOR_AAA_AuthUnrecoverableException UnrecoverableError(const PYXMessage& lead,
                                                      std::initializer_list<PYXMessage> details) {
    VOR_AAA_AuthUnrecoverableException error(lead);
    error.addMessage(lead);
    error.increaseNesting();
    for (const PYXMessage& detail : details) {
        error.addMessage(detail);
    }
    return error;
}

PYXMessage LibraryCallMessage(int32_t result, const char* function) {
    return ProviderMessage(kMsgLibraryCallFailed, {std::to_string(result), function});
}

void RaiseLibraryFailure(int32_t code, int32_t result, const char* function, const char* label) {
    PYX_THROW(ProviderError(code, {LibraryCallMessage(result, function)}), label);
}

VOR_AAA_AuthUnrecoverableException WrapUnrecoverable(const PYXMessageSet& cause) {
    VOR_AAA_AuthUnrecoverableException wrapped =
        UnrecoverableError(ProviderMessage(kMsgAuthUnrecoverable), {});
    wrapped.transferMessages(cause);
    return wrapped;
}
