#include "CryptoService.h"

#include <map>
#include <thread>
#include <unordered_map>
#include <vector>
#include "PYXThread.h"

#include "CryptoError.h"
#include "VOR_Crypto_Interface.h"

namespace basalt::crypto {
namespace {

// Failures without a handle (handle 0) belong to the thread alone.
thread_local std::string t_lastFailureWithoutHandle;
thread_local bool t_hasFailureWithoutHandle = false;

}  // namespace

struct CryptoService::Impl {
    struct Service {
        int users = 0;
        std::vector<Handle> handles;
    };
    struct Entry {
        std::shared_ptr<const HandleState> state;
        std::map<std::thread::id, std::string> failures;
    };

    mutable PYXThreadCriticalSection lock;
    std::map<std::string, Service> services;
    std::unordered_map<Handle, Entry> handles;
    // Handles are never reused, so a stale handle can never reach another caller's state.
    Handle nextHandle = 1;
};

CryptoService::CryptoService() : m_impl(std::make_unique<Impl>()) {}
CryptoService::~CryptoService() = default;

CryptoService& CryptoService::instance() {
    static CryptoService service;
    return service;
}

void CryptoService::initialize(const std::string& serviceId) {
    PYXThreadGuard guard(m_impl->lock);
    ++m_impl->services[serviceId].users;
}

void CryptoService::terminate(const std::string& serviceId) {
    PYXThreadGuard guard(m_impl->lock);
    auto found = m_impl->services.find(serviceId);
    if (found == m_impl->services.end()) {
        throw CryptoError(VOR_CRYPTO_E_NOT_INITIALIZED,
                          "the service \"" + serviceId + "\" is not initialised");
    }
    if (--found->second.users == 0) {
        for (Handle handle : found->second.handles) {
            m_impl->handles.erase(handle);
        }
        m_impl->services.erase(found);
    }
}

Handle CryptoService::openHandle(const std::string& serviceId, const std::filesystem::path& home) {
    {
        PYXThreadGuard guard(m_impl->lock);
        if (m_impl->services.count(serviceId) == 0) {
            throw CryptoError(VOR_CRYPTO_E_NOT_INITIALIZED,
                              "the service \"" + serviceId + "\" is not initialised");
        }
    }
    // Loading may touch the file system; it is done outside the service lock.
    auto state = std::make_shared<HandleState>();
    state->serviceId = serviceId;
    state->key = loadProtectionKey(home);

    PYXThreadGuard guard(m_impl->lock);
    auto service = m_impl->services.find(serviceId);
    if (service == m_impl->services.end()) {
        throw CryptoError(VOR_CRYPTO_E_NOT_INITIALIZED,
                          "the service \"" + serviceId + "\" was terminated meanwhile");
    }
    Handle handle = m_impl->nextHandle++;
    m_impl->handles[handle].state = std::move(state);
    service->second.handles.push_back(handle);
    return handle;
}

std::shared_ptr<const HandleState> CryptoService::find(Handle handle) const {
    PYXThreadGuard guard(m_impl->lock);
    auto found = m_impl->handles.find(handle);
    if (found == m_impl->handles.end()) {
        throw CryptoError(VOR_CRYPTO_E_HANDLE,
                          "the handle " + std::to_string(handle) + " is not open");
    }
    return found->second.state;
}

void CryptoService::recordFailure(Handle handle, const std::string& details) {
    PYXThreadGuard guard(m_impl->lock);
    auto found = m_impl->handles.find(handle);
    if (found != m_impl->handles.end()) {
        found->second.failures[std::this_thread::get_id()] = details;
        return;
    }
    t_lastFailureWithoutHandle = details;
    t_hasFailureWithoutHandle = true;
}

bool CryptoService::lastFailure(Handle handle, std::string& details) const {
    if (handle == 0) {
        details = t_lastFailureWithoutHandle;
        return t_hasFailureWithoutHandle;
    }
    PYXThreadGuard guard(m_impl->lock);
    auto found = m_impl->handles.find(handle);
    if (found == m_impl->handles.end()) {
        return false;
    }
    auto failure = found->second.failures.find(std::this_thread::get_id());
    if (failure == found->second.failures.end()) {
        return false;
    }
    details = failure->second;
    return true;
}

}  // namespace basalt::crypto
