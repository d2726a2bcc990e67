#include "process/ProviderSlot.h"

#include "common/ProviderErrors.h"
#include "common/ProviderMessages.h"

#include <LogTypedLogger.h>
#include <PYXThrowable.h>

#include <atomic>
#include <memory>
#include <mutex>

namespace {

std::atomic<BasaltProvider*> g_provider{nullptr};
std::atomic<LogTypedLogger*> g_auditLogger{nullptr};
// Creation on first use may be reached from several request threads of a host that did not
// initialise first; only one of them creates.
std::mutex g_creationLock;

}  // namespace

BasaltProvider& ObtainProvider() {
    if (BasaltProvider* provider = g_provider.load()) {
        return *provider;
    }
    std::lock_guard<std::mutex> lock(g_creationLock);
    if (BasaltProvider* provider = g_provider.load()) {
        return *provider;
    }
    BasaltProvider* created = nullptr;
    // The logger first: what the provider's construction reports goes to it.
    g_auditLogger.store(LogTypedLogger::getInstance(kAuditLoggerName, kAuditLoggerType));
    try {
        created = new BasaltProvider();
    } catch (const std::bad_alloc&) {
        g_auditLogger.store(nullptr);
        PYX_THROW(PYXOutOfMemoryError(), "ObtainProvider");
    } catch (...) {
        g_auditLogger.store(nullptr);
        throw;
    }
    g_provider.store(created);
    return *created;
}

BasaltProvider* PeekProvider() noexcept {
    return g_provider.load();
}

void DestroyProvider() {
    std::unique_ptr<BasaltProvider> provider(g_provider.exchange(nullptr));
    if (!provider) {
        return;
    }
    std::unique_ptr<PYXThrowable> namespaceFailure;
    const int32_t result = provider->Teardown(&namespaceFailure);
    provider.reset();
    g_auditLogger.store(nullptr);
    if (result != 0) {
        PYX_THROW(ProviderError(kVOR_AAA_DirectoryProcessFailure,
                                {LibraryCallMessage(result, "AS_TesselProcessTerminate")}),
                  "BasaltProvider::~BasaltProvider");
    }
    if (namespaceFailure) {
        namespaceFailure->raise(pyxSourceName(__FILE__), __LINE__, "DestroyProvider");
    }
}

BasaltProvider& FetchProvider() {
    BasaltProvider* provider = nullptr;
    try {
        provider = &ObtainProvider();
    } catch (PYXThrowable& cause) {
        // Keep why creation failed below the lead message.
        VOR_AAA_Exception error =
            ProviderError(kVOR_AAA_NoProvider, {ProviderMessage(kMsgProviderMissing)});
        error.increaseNesting();
        error.transferMessages(cause);
        PYX_THROW(error, "FetchProvider");
    }
    if (provider->GetAllocRoutine() == nullptr) {
        PYX_THROW(ProviderError(kVOR_AAA_NotInitialized, {ProviderMessage(kMsgProviderMissing)}),
                  "FetchProvider");
    }
    return *provider;
}

LogTypedLogger* GetAuditLogger() noexcept {
    return g_auditLogger.load();
}
