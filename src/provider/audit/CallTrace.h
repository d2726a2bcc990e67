// Trace records of directory-library calls made for an authentication, and audit warnings about
// the configuration, both through the process audit logger (null while there is no provider).
#pragma once

#include <PYXMessage.h>
#include <VOR_AAA_AdditionalInfo.h>
#include <cstdint>

#include <string>
#include <utility>
#include <vector>

class LogTypedLogger;

inline constexpr int kTraceLevel = 10000;
inline constexpr int kAuditWarningLevel = 50000;
inline constexpr int kAuditIndicationKind = 7;
inline constexpr const char* kTraceComponent = "AAA.Provider.LDAP";

// One per request: whether tracing is on is decided when the scope opens.
class TraceScope {
public:
    TraceScope(LogTypedLogger* logger, const VOR_AAA_AdditionalInfo& additionalInfo,
               const char* component = kTraceComponent);

    bool IsEnabled() const noexcept { return m_enabled; }
    const VOR_AAA_AdditionalInfo& GetAdditionalInfo() const noexcept { return m_additionalInfo; }
    // operation: "CallStart" or "CallEnd"; text: a trace indication's text.
    void LogTrace(const char* operation, const std::string& text) const;

private:
    bool m_enabled;
    LogTypedLogger* m_logger;
    VOR_AAA_AdditionalInfo m_additionalInfo;
    std::string m_component;
};

// One traced directory call: the inputs before ("CallStart"), the outputs and the result after
// ("CallEnd"); nothing is built when the scope is disabled. Secrets (passwords, tickets,
// certificates) are passed as TraceSecret(value), never as the value itself.
using TraceParameters = std::vector<std::pair<std::string, std::string>>;
void TraceCallStart(const TraceScope& scope, const char* function,
                    const TraceParameters& parameters);
void TraceCallEnd(const TraceScope& scope, const char* function, const TraceParameters& parameters,
                  int32_t result);
// The mask for a secret that was given, empty for one that was not.
std::string TraceSecret(const char* value);

// Writes the message, rendered in the request's product locale, as a configuration warning.
void WriteAuditWarning(const PYXMessage& message, const VOR_AAA_AdditionalInfo& additionalInfo);
