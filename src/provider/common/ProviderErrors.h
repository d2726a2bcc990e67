// Building the provider's failures: catalogue messages of the component "VOR_AAA" and
// VOR_AAA_Exception objects holding them, one nesting level deeper per message.
//
//     PYX_THROW(ProviderError(-34, {ProviderMessage(kMsgMissingParameter, {name, key})}),
//               "CFGAPI_Base::GetMandatoryParameterValue");
#pragma once

#include <PYXMessage.h>
#include <VOR_AAA_Exception.h>
#include <VOR_AAA_Interface.h>

#include <cstdint>
#include <initializer_list>

PYXMessage ProviderMessage(uint32_t number, PYXMessageComponents parms = {});

// An exception with the code and the messages, each nested one level below the one before.
VOR_AAA_Exception ProviderError(int32_t code, std::initializer_list<PYXMessage> messages);

// An unrecoverable authentication failure: the lead message as caption and first message, the
// details one level below it.
VOR_AAA_AuthUnrecoverableException UnrecoverableError(const PYXMessage& lead,
                                                      std::initializer_list<PYXMessage> details);

// The unrecoverable failure that wraps another platform exception: its messages follow the lead
// message kMsgAuthUnrecoverable one level deeper.
VOR_AAA_AuthUnrecoverableException WrapUnrecoverable(const PYXMessageSet& cause);

// Library-call failure: kMsgLibraryCallFailed with the result code and the function name.
PYXMessage LibraryCallMessage(int32_t result, const char* function);
// Throws code with the library-call message of the failed function, reported from label.
[[noreturn]] void RaiseLibraryFailure(int32_t code, int32_t result, const char* function,
                                      const char* label);
