#include "CryptoCipher.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "CryptoBuffers.h"
#include "CryptoError.h"
#include "VOR_Crypto_Interface.h"

namespace basalt::crypto {
namespace {

struct ContextDeleter {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
using Context = std::unique_ptr<EVP_CIPHER_CTX, ContextDeleter>;

// Owns an output buffer until it is handed to the caller.
class PendingBuffer {
public:
    explicit PendingBuffer(std::size_t size) : m_data(allocateBuffer(size)) {}
    PendingBuffer(const PendingBuffer&) = delete;
    PendingBuffer& operator=(const PendingBuffer&) = delete;
    ~PendingBuffer() {
        if (m_data != nullptr) {
            releaseBuffer(m_data);
        }
    }
    unsigned char* get() const { return m_data; }
    unsigned char* release() { return std::exchange(m_data, nullptr); }

private:
    unsigned char* m_data;
};

[[noreturn]] void cipherFailure(const char* step) {
    unsigned long code = ERR_get_error();
    char reason[256] = "no reason given";
    if (code != 0) {
        ERR_error_string_n(code, reason, sizeof reason);
    }
    ERR_clear_error();
    throw CryptoError(VOR_CRYPTO_E_CIPHER,
                      std::string("AES-256-GCM ") + step + " failed: " + reason);
}

Context newContext() {
    Context context(EVP_CIPHER_CTX_new());
    if (!context) {
        cipherFailure("context creation");
    }
    return context;
}

// Fetched once: OpenSSL 3 looks the algorithm up again on every init given EVP_aes_256_gcm(),
// which cost as much as sealing a visa value. Null (no provider) makes the init fail.
const EVP_CIPHER* aes256Gcm() {
    static EVP_CIPHER* const cipher = EVP_CIPHER_fetch(nullptr, "AES-256-GCM", nullptr);
    return cipher;
}

void checkLength(std::size_t length) {
    if (length > static_cast<std::size_t>(INT_MAX) - kOverhead) {
        throw CryptoError(VOR_CRYPTO_E_ARGUMENT,
                          "data of " + std::to_string(length) + " bytes is too long to protect");
    }
}

}  // namespace

CipherOutput seal(const ProtectionKey& key, const unsigned char* clear, std::size_t length) {
    checkLength(length);
    PendingBuffer out(length + kOverhead);
    unsigned char* header = out.get();
    unsigned char* nonce = header + 1;
    unsigned char* body = nonce + kNonceSize;
    unsigned char* tag = body + length;
    header[0] = kFormatVersion;
    if (RAND_bytes(nonce, static_cast<int>(kNonceSize)) != 1) {
        cipherFailure("nonce generation");
    }

    Context context = newContext();
    int produced = 0;
    if (EVP_EncryptInit_ex(context.get(), aes256Gcm(), nullptr, key.bytes.data(), nonce) != 1) {
        cipherFailure("initialisation");
    }
    if (EVP_EncryptUpdate(context.get(), nullptr, &produced, header, 1) != 1) {
        cipherFailure("header authentication");
    }
    if (length > 0 &&
        EVP_EncryptUpdate(context.get(), body, &produced, clear, static_cast<int>(length)) != 1) {
        cipherFailure("encryption");
    }
    if (EVP_EncryptFinal_ex(context.get(), body + length, &produced) != 1) {
        cipherFailure("finalisation");
    }
    if (EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_GET_TAG, static_cast<int>(kTagSize), tag) !=
        1) {
        cipherFailure("tag computation");
    }
    return {out.release(), length + kOverhead};
}

CipherOutput open(const ProtectionKey& key, const unsigned char* sealed, std::size_t length) {
    if (length < kOverhead) {
        throw CryptoError(VOR_CRYPTO_E_TAMPERED, "protected data of " + std::to_string(length) +
                                                     " bytes is too short to be genuine");
    }
    checkLength(length - kOverhead);
    if (sealed[0] != kFormatVersion) {
        throw CryptoError(VOR_CRYPTO_E_TAMPERED,
                          "protected data has an unknown format " + std::to_string(sealed[0]));
    }
    const unsigned char* nonce = sealed + 1;
    const unsigned char* body = nonce + kNonceSize;
    const std::size_t bodyLength = length - kOverhead;
    unsigned char tag[kTagSize];
    std::memcpy(tag, body + bodyLength, kTagSize);

    PendingBuffer out(bodyLength);
    Context context = newContext();
    int produced = 0;
    if (EVP_DecryptInit_ex(context.get(), aes256Gcm(), nullptr, key.bytes.data(), nonce) != 1) {
        cipherFailure("initialisation");
    }
    if (EVP_DecryptUpdate(context.get(), nullptr, &produced, sealed, 1) != 1) {
        cipherFailure("header authentication");
    }
    if (bodyLength > 0 && EVP_DecryptUpdate(context.get(), out.get(), &produced, body,
                                            static_cast<int>(bodyLength)) != 1) {
        cipherFailure("decryption");
    }
    if (EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_TAG, static_cast<int>(kTagSize), tag) !=
        1) {
        cipherFailure("tag setting");
    }
    if (EVP_DecryptFinal_ex(context.get(), out.get() + bodyLength, &produced) != 1) {
        ERR_clear_error();
        // The released buffer is cleared, so no unauthenticated clear text survives.
        throw CryptoError(VOR_CRYPTO_E_TAMPERED,
                          "protected data does not authenticate: it was altered or protected "
                          "with another key");
    }
    return {out.release(), bodyLength};
}

}  // namespace basalt::crypto
