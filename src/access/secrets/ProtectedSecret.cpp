#include "ProtectedSecret.h"

#include <AccessAPI.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <memory>
#include <mutex>

#include "Status.h"

namespace ridge::access {

namespace {

constexpr int kKeyBytes = 32;
constexpr int kNonceBytes = 12;
constexpr int kTagBytes = 16;

struct CipherFree {
    void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};
using Cipher = std::unique_ptr<EVP_CIPHER_CTX, CipherFree>;

// The process's sealing key, made once; it never leaves this file.
const unsigned char* processKey() {
    static unsigned char key[kKeyBytes];
    static std::once_flag made;
    std::call_once(made, [] {
        if (RAND_bytes(key, sizeof key) != 1)
            fail(AS_ERR_INTERNAL, "no random bytes");
    });
    return key;
}

const unsigned char* bytes(const std::string& s, size_t offset = 0) {
    return reinterpret_cast<const unsigned char*>(s.data()) + offset;
}
unsigned char* bytes(std::string& s, size_t offset = 0) {
    return reinterpret_cast<unsigned char*>(s.data()) + offset;
}

}  // namespace

void wipe(std::string& text) {
    if (!text.empty())
        OPENSSL_cleanse(text.data(), text.size());
    text.clear();
}

ProtectedSecret::ProtectedSecret(std::string_view clear) {
    std::string sealed(kNonceBytes + kTagBytes + clear.size(), '\0');
    if (RAND_bytes(bytes(sealed), kNonceBytes) != 1)
        fail(AS_ERR_INTERNAL, "no random bytes");
    Cipher ctx(EVP_CIPHER_CTX_new());
    int length = 0;
    if (!ctx ||
        EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, processKey(), bytes(sealed)) !=
            1 ||
        EVP_EncryptUpdate(ctx.get(), bytes(sealed, kNonceBytes + kTagBytes), &length,
                          reinterpret_cast<const unsigned char*>(clear.data()),
                          static_cast<int>(clear.size())) != 1 ||
        EVP_EncryptFinal_ex(ctx.get(), nullptr, &length) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, kTagBytes,
                            bytes(sealed, kNonceBytes)) != 1)
        fail(AS_ERR_INTERNAL, "the secret cannot be sealed");
    m_sealed = std::move(sealed);
}

ProtectedSecret::~ProtectedSecret() {
    clear();
}

ProtectedSecret::ProtectedSecret(ProtectedSecret&& other) noexcept
    : m_sealed(std::move(other.m_sealed)) {
    other.m_sealed.clear();
}

ProtectedSecret& ProtectedSecret::operator=(ProtectedSecret&& other) noexcept {
    if (this != &other) {
        clear();
        m_sealed = std::move(other.m_sealed);
        other.m_sealed.clear();
    }
    return *this;
}

void ProtectedSecret::clear() {
    wipe(m_sealed);
}

ProtectedSecret::Clear ProtectedSecret::reveal() const {
    return Clear(*this);
}

ProtectedSecret::Clear::Clear(const ProtectedSecret& secret) {
    const std::string& sealed = secret.m_sealed;
    if (sealed.size() < static_cast<size_t>(kNonceBytes + kTagBytes))
        fail(AS_ERR_INTERNAL, "no secret kept");
    // Decrypted in place, so the clear text is only ever in this object.
    m_text.assign(sealed.size() - kNonceBytes - kTagBytes, '\0');
    std::string tag = sealed.substr(kNonceBytes, kTagBytes);
    Cipher ctx(EVP_CIPHER_CTX_new());
    int length = 0;
    if (!ctx ||
        EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, processKey(), bytes(sealed)) !=
            1 ||
        EVP_DecryptUpdate(ctx.get(), bytes(m_text), &length, bytes(sealed, kNonceBytes + kTagBytes),
                          static_cast<int>(m_text.size())) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, kTagBytes, bytes(tag)) != 1 ||
        EVP_DecryptFinal_ex(ctx.get(), nullptr, &length) != 1) {
        wipe(m_text);
        fail(AS_ERR_INTERNAL, "the kept secret does not open");
    }
}

ProtectedSecret::Clear::~Clear() {
    wipe(m_text);
}

}  // namespace ridge::access
