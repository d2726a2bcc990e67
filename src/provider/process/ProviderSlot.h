// The process-wide provider slot and audit logger. This slot owns both: it creates the provider
// and sets the logger around it; the provider never reaches back into the slot.
#pragma once

#include "process/BasaltProvider.h"

class LogTypedLogger;

// The provider, created on first use (its construction initialises the directory library).
BasaltProvider& ObtainProvider();
// The provider if one exists, else null.
BasaltProvider* PeekProvider() noexcept;
// Destroys the provider (if any) and empties the slot. The slot is empty afterwards even when
// the directory library's termination fails; that failure is then thrown (code -1).
void DestroyProvider();
// The provider for a request: created if needed; -26 when no alloc routine is stored, -24 when
// it cannot be created (both with kMsgProviderMissing, label "FetchProvider").
BasaltProvider& FetchProvider();

// The audit logger, set while there is a provider (and while it is being created), else null.
LogTypedLogger* GetAuditLogger() noexcept;

inline constexpr const char* kAuditLoggerName = "Audit.RTUsage.VOR.AAA.Provider.Ridge";
inline constexpr const char* kAuditLoggerType = "LogAuditIndication";
