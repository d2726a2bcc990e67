#include "EntryFrame.h"

#include "ProviderErrors.h"
#include "ProviderMessages.h"

#include <PYXThrowable.h>
#include <VOR_AAA_Exception.h>
#include <VOR_AAA_OMException.h>

#include <cstring>

int32_t ResultCodeOf(const PYXException& e) {
    int32_t code = e.getErrorCode();
    if (const auto* provider = dynamic_cast<const VOR_AAA_Exception*>(&e)) {
        if (provider->GetProviderErrorCode() != 0) {
            code = provider->GetProviderErrorCode();
        }
    }
    return code < 0 ? code : -48;
}

int32_t FillFromCurrentException(VOR_AAA_OMException& document, const char* label,
                                 const I18NString& locale) {
    try {
        throw;
    } catch (PYXException& e) {
        e.addBackTrace(pyxSourceName(__FILE__), __LINE__, label);
        document.SetFrom(e, locale);
        return ResultCodeOf(e);
    } catch (PYXThrowable& t) {
        t.addBackTrace(pyxSourceName(__FILE__), __LINE__, label);
        VOR_AAA_Exception wrapped(-48, ProviderMessage(kMsgThrowableCaught, {label}));
        wrapped.increaseNesting();
        wrapped.addMessage(ProviderMessage(kMsgDetailLine, {t.getText()}));
        for (std::size_t i = 0; i < t.getBackTraceCount(); ++i) {
            wrapped.addMessage(ProviderMessage(kMsgDetailLine, {t.getBackTraceLine(i)}));
        }
        document.SetFrom(wrapped, locale);
        return -48;
    } catch (...) {
        document.SetFrom(VOR_AAA_Exception(-48, ProviderMessage(kMsgUnknownFailure)), locale);
        return -48;
    }
}

void SerializeQuietly(const VOR_AAA_OMException& document, char** out,
                      VOR_AAA_AllocRoutine allocRoutine) noexcept {
    if (out == nullptr) {
        return;
    }
    *out = nullptr;
    if (allocRoutine == nullptr) {
        return;
    }
    try {
        document.Serialize(out, allocRoutine);
    } catch (...) {
        *out = nullptr;  // the host gave no memory: only the result code reports the failure
    }
}

void ParseAdditionalInfo(const char* text, VOR_AAA_AdditionalInfo& info) {
    if (text == nullptr || *text == '\0') {
        return;
    }
    info.Load(text, std::strlen(text));
}

int32_t RunLifecycleEntry(EntryContext& context, const std::function<int32_t()>& work) noexcept {
    try {
        // A text that cannot be read is reported like any other failure of the entry, in the
        // default locale.
        ParseAdditionalInfo(context.additionalInfoText, context.additionalInfo);
        return work();
    } catch (...) {
        try {
            VOR_AAA_OMException document;
            const int32_t code = FillFromCurrentException(
                document, context.label, context.additionalInfo.GetProductLocale());
            SerializeQuietly(document, context.exceptionOut, context.allocRoutine);
            return code;
        } catch (...) {
            return -48;  // not even the document could be built
        }
    }
}
