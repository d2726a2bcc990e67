// The frame every entry runs its work in: the guarded region and the handlers that turn any
// failure into a result code plus an exception document.
#pragma once

#include <I18NString.h>
#include <VOR_AAA_AdditionalInfo.h>
#include <VOR_AAA_Interface.h>

#include <cstdint>
#include <functional>

class VOR_AAA_OMException;
class PYXException;

// Result code of a caught exception: its own code when negative, else -48.
int32_t ResultCodeOf(const PYXException& e);

// Fills an exception document from whatever is in flight (call inside a catch block) and
// returns the result code for it. label names the entry in back traces and messages.
int32_t FillFromCurrentException(VOR_AAA_OMException& document, const char* label,
                                 const I18NString& locale);

// Serializes the document into *out (if out is not null); a failing serialization leaves *out
// null.
void SerializeQuietly(const VOR_AAA_OMException& document, char** out,
                      VOR_AAA_AllocRoutine allocRoutine) noexcept;

// Parses the additional-information text of a request (null or empty keeps the defaults).
void ParseAdditionalInfo(const char* text, VOR_AAA_AdditionalInfo& info);

// One lifecycle entry: additional information parsed, then work() in the guarded region.
// allocRoutine is read after work() returned or failed, so work() may change it; while it is
// null the provider's stored routine serializes the failure.
// Additional information that cannot be read is answered with its failure (result and
// exception document) and work() does not run, unless ignoresUnreadableInfo is set: Terminate
// checks no argument, tears down whatever the request looked like (with the default request
// context) and reports only the outcome of the teardown.
struct EntryContext {
    const char* label;
    const char* additionalInfoText;
    char** exceptionOut;
    VOR_AAA_AllocRoutine allocRoutine = nullptr;
    VOR_AAA_AdditionalInfo additionalInfo;
    bool ignoresUnreadableInfo = false;
};
int32_t RunLifecycleEntry(EntryContext& context, const std::function<int32_t()>& work) noexcept;

// Inside a catch block of work(): the failure in flight as an exception document in the
// context's exception slot; returns its result code. For work that must report a failure
// before it releases what the document needs.
int32_t ReportCurrentFailure(EntryContext& context) noexcept;
