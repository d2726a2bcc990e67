#include "audit/CallTrace.h"

#include "audit/TraceIndication.h"
#include "process/ProviderSlot.h"

#include <AccessAPI.h>
#include <LogAuditAccessIndication.h>
#include <LogAuditIndication.h>
#include <LogTypedLogger.h>
#include <PYXThrowable.h>

namespace {

void SetIdentifiers(LogAuditIndication& indication, const VOR_AAA_AdditionalInfo& info) {
    indication.setSessionID(info.GetSessionContext());
    indication.setRequestID(info.GetRequestContext());
    indication.setSubRequestID(info.GetHopCount());
    indication.setStepID(info.GetStepContext());
}

// Parameters are traced as the library receives them, in the namespace's encoding: bytes that
// are not UTF-8 (a name in ISO-8859-1, say) are shown as \xNN instead of failing the call.
I18NString TraceText(const std::string& text) {
    try {
        return I18NString(text);
    } catch (PYXException&) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        std::string shown;
        for (const unsigned char c : text) {
            if (c < 0x80) {
                shown += static_cast<char>(c);
            } else {
                shown += {'\\', 'x', kHex[c >> 4], kHex[c & 0xF]};
            }
        }
        return I18NString(shown);
    }
}

}  // namespace

TraceScope::TraceScope(LogTypedLogger* logger, const VOR_AAA_AdditionalInfo& additionalInfo,
                       const char* component)
    : m_enabled(logger != nullptr && logger->isEnabled(kTraceLevel)),
      m_logger(logger),
      m_additionalInfo(additionalInfo),
      m_component(component) {}

void TraceScope::LogTrace(const char* operation, const std::string& text) const {
    if (!m_enabled) {
        return;
    }
    LogAuditIndication indication(I18NString(m_component), kAuditIndicationKind);
    SetIdentifiers(indication, m_additionalInfo);
    indication.setLevel(kTraceLevel);
    indication.setOperation(operation);
    indication.setLogData(TraceText(text));
    m_logger->log(indication);
}

void WriteAuditWarning(const PYXMessage& message, const VOR_AAA_AdditionalInfo& additionalInfo) {
    LogTypedLogger* logger = GetAuditLogger();
    if (logger == nullptr || !logger->isEnabled(kAuditWarningLevel)) {
        return;
    }
    try {
        LogAuditAccessIndication indication("AAA", kAuditIndicationKind);
        const std::string locale = additionalInfo.GetProductLocale().utf8();
        indication.setLogData(message.render(locale.c_str()));
        SetIdentifiers(indication, additionalInfo);
        indication.setLevel(kAuditWarningLevel);
        indication.setOperation("StartService");
        indication.setStatus("Warning");
        logger->log(indication);
    } catch (...) {
        // A warning that cannot be written is not the request's failure.
    }
}

void TraceCallStart(const TraceScope& scope, const char* function,
                    const TraceParameters& parameters) {
    if (!scope.IsEnabled()) {
        return;
    }
    VOR_AAA_IPF_ProviderTraceIndication start(function);
    for (const auto& [name, value] : parameters) {
        start.AddParameter(name, value);
    }
    scope.LogTrace("CallStart", start.Finish());
}

void TraceCallEnd(const TraceScope& scope, const char* function, const TraceParameters& parameters,
                  int32_t result) {
    if (!scope.IsEnabled()) {
        return;
    }
    VOR_AAA_IPF_ProviderTraceIndication end(function);
    for (const auto& [name, value] : parameters) {
        end.AddParameter(name, value);
    }
    // With replicated directory servers, which one served the call (the access library keeps
    // it per thread, and the call has just returned on this one).
    char server[300] = "";
    if (AS_GetLastServer(server, sizeof server) == 0 && server[0] != '\0') {
        end.AddParameter("server", server);
    }
    end.SetReturnValue(static_cast<int64_t>(result));
    scope.LogTrace("CallEnd", end.Finish());
}

std::string TraceSecret(const char* value) {
    return value != nullptr && *value != '\0' ? kTracePasswordMask : "";
}
