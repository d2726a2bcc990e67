#include "CryptoBuffers.h"

#include <openssl/crypto.h>

#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include "PYXThread.h"

#include "CryptoError.h"
#include "VOR_Crypto_Interface.h"

namespace basalt::crypto {
namespace {

// Outstanding buffers and their sizes (without the trailing NUL).
struct Outstanding {
    PYXThreadCriticalSection lock;
    std::unordered_map<void*, std::size_t> sizes;
};

Outstanding& outstanding() {
    static Outstanding buffers;
    return buffers;
}

}  // namespace

unsigned char* allocateBuffer(std::size_t size) {
    auto* buffer = static_cast<unsigned char*>(std::malloc(size + 1));
    if (buffer == nullptr) {
        throw CryptoError(VOR_CRYPTO_E_MEMORY,
                          "out of memory allocating " + std::to_string(size) + " bytes");
    }
    buffer[size] = 0;
    try {
        Outstanding& all = outstanding();
        PYXThreadGuard guard(all.lock);
        all.sizes.emplace(buffer, size);
    } catch (...) {
        std::free(buffer);
        throw CryptoError(VOR_CRYPTO_E_MEMORY, "out of memory recording a buffer");
    }
    return buffer;
}

char* copyText(std::string_view text) {
    unsigned char* buffer = allocateBuffer(text.size());
    std::memcpy(buffer, text.data(), text.size());
    return reinterpret_cast<char*>(buffer);
}

bool releaseBuffer(void* buffer) {
    std::size_t size = 0;
    {
        Outstanding& all = outstanding();
        PYXThreadGuard guard(all.lock);
        auto found = all.sizes.find(buffer);
        if (found == all.sizes.end()) {
            return false;
        }
        size = found->second;
        all.sizes.erase(found);
    }
    OPENSSL_cleanse(buffer, size + 1);
    std::free(buffer);
    return true;
}

}  // namespace basalt::crypto
