#include "ProviderErrors.h"

#include "ProviderMessages.h"

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

PYXMessage LibraryCallMessage(int32_t result, const char* function) {
    return ProviderMessage(kMsgLibraryCallFailed, {std::to_string(result), function});
}
