#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "CryptoKeyStore.h"

namespace basalt::crypto {

using Handle = unsigned long;

// One open handle: the key it protects with and its settings. The key is fixed for the handle's
// life, so protect and unprotect need no lock once the handle has been looked up.
struct HandleState {
    std::string serviceId;
    std::shared_ptr<const ProtectionKey> key;
};

// The process-wide bookkeeping of the service: users per service identifier, open handles, and
// the last failure per handle and thread. All members are thread-safe.
class CryptoService {
public:
    static CryptoService& instance();

    void initialize(const std::string& serviceId);
    // Releases the service's handles when its last user terminates; throws if it has none.
    void terminate(const std::string& serviceId);

    Handle openHandle(const std::string& serviceId, const std::filesystem::path& home);
    // Throws CryptoError(VOR_CRYPTO_E_HANDLE) for an unknown handle.
    std::shared_ptr<const HandleState> find(Handle handle) const;

    void recordFailure(Handle handle, const std::string& details);
    // False when nothing was recorded for this handle on the calling thread.
    bool lastFailure(Handle handle, std::string& details) const;

    CryptoService(const CryptoService&) = delete;
    CryptoService& operator=(const CryptoService&) = delete;

private:
    CryptoService();
    ~CryptoService();
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace basalt::crypto
