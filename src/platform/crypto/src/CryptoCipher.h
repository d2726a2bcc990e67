#pragma once

#include <cstddef>
#include <vector>

#include "CryptoKeyStore.h"

namespace basalt::crypto {

// Protected form: one format byte, a random 96-bit nonce, the AES-256-GCM cipher text and the
// 128-bit tag. The format byte is authenticated too, so every byte of the form is covered.
inline constexpr unsigned char kFormatVersion = 1;
inline constexpr std::size_t kNonceSize = 12;
inline constexpr std::size_t kTagSize = 16;
inline constexpr std::size_t kOverhead = 1 + kNonceSize + kTagSize;

// Both write into a buffer from allocateBuffer and return it with its size; they throw
// CryptoError (VOR_CRYPTO_E_CIPHER, VOR_CRYPTO_E_TAMPERED, VOR_CRYPTO_E_ARGUMENT).
struct CipherOutput {
    unsigned char* data = nullptr;
    std::size_t size = 0;
};

CipherOutput seal(const ProtectionKey& key, const unsigned char* clear, std::size_t length);
CipherOutput open(const ProtectionKey& key, const unsigned char* sealed, std::size_t length);

}  // namespace basalt::crypto
