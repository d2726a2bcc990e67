#include "entry/EntryFrame.h"

#include "common/ProviderErrors.h"
#include "common/ProviderMessages.h"
#include "process/ProviderSlot.h"

#include <PYXThrowable.h>
#include <VOR_AAA_Exception.h>
#include <VOR_AAA_OMException.h>

#include <cstring>
#include <memory>

int32_t ResultCodeOf(const PYXException& e) {
    int32_t code = e.getErrorCode();
    if (const auto* provider = dynamic_cast<const VOR_AAA_Exception*>(&e)) {
        if (provider->GetProviderErrorCode() != 0) {
            code = provider->GetProviderErrorCode();
        }
    }
    return code < 0 ? code : kVOR_AAA_GeneralFailure;
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
        VOR_AAA_Exception wrapped(kVOR_AAA_GeneralFailure,
                                  ProviderMessage(kMsgStepFailed, {label}));
        wrapped.increaseNesting();
        wrapped.addMessage(ProviderMessage(kMsgDetail, {t.getText()}));
        for (std::size_t i = 0; i < t.getBackTraceCount(); ++i) {
            wrapped.addMessage(ProviderMessage(kMsgDetail, {t.getBackTraceLine(i)}));
        }
        document.SetFrom(wrapped, locale);
        return kVOR_AAA_GeneralFailure;
    } catch (...) {
        document.SetFrom(
            VOR_AAA_Exception(kVOR_AAA_GeneralFailure, ProviderMessage(kMsgUnknownFailure)),
            locale);
        return kVOR_AAA_GeneralFailure;
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

int32_t ReportCurrentFailure(EntryContext& context) noexcept {
    try {
        VOR_AAA_OMException document(true);
        const int32_t code = FillFromCurrentException(document, context.label,
                                                      context.additionalInfo.GetProductLocale());
        VOR_AAA_AllocRoutine allocRoutine = context.allocRoutine;
        if (allocRoutine == nullptr) {
            if (const BasaltProvider* provider = PeekProvider()) {
                allocRoutine = provider->GetAllocRoutine();
            }
        }
        SerializeQuietly(document, context.exceptionOut, allocRoutine);
        return code;
    } catch (...) {
        return kVOR_AAA_GeneralFailure;  // not even the document could be built
    }
}

int32_t RunLifecycleEntry(EntryContext& context, const std::function<int32_t()>& work) noexcept {
    std::unique_ptr<PYXThrowable> unreadableInfo;
    try {
        ParseAdditionalInfo(context.additionalInfoText, context.additionalInfo);
    } catch (PYXThrowable& failure) {
        unreadableInfo.reset(failure.clone());
        context.additionalInfo = VOR_AAA_AdditionalInfo();
    } catch (...) {
        unreadableInfo = std::make_unique<VOR_AAA_Exception>(kVOR_AAA_InvalidArgument);
        context.additionalInfo = VOR_AAA_AdditionalInfo();
    }
    if (context.ignoresUnreadableInfo) {
        unreadableInfo.reset();
    }
    int32_t result = kVOR_AAA_Success;
    if (!unreadableInfo) {
        try {
            result = work();
        } catch (...) {
            result = ReportCurrentFailure(context);
        }
    }
    if (unreadableInfo) {
        try {
            unreadableInfo->raise(pyxSourceName(__FILE__), __LINE__, context.label);
        } catch (...) {
            result = ReportCurrentFailure(context);
        }
    }
    return result;
}
