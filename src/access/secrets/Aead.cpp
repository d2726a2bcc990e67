#include "Aead.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <memory>

namespace ridge::access {

namespace {

struct CipherFree {
    void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};
using Cipher = std::unique_ptr<EVP_CIPHER_CTX, CipherFree>;

const unsigned char* bytes(std::string_view s, size_t offset = 0) {
    return reinterpret_cast<const unsigned char*>(s.data()) + offset;
}
unsigned char* bytes(std::string& s, size_t offset = 0) {
    return reinterpret_cast<unsigned char*>(s.data()) + offset;
}

// Additional data is given only when there is some: GCM with none and with an empty one are
// the same seal.
bool addAdditional(EVP_CIPHER_CTX* ctx, std::string_view additional, bool encrypt) {
    if (additional.empty())
        return true;
    int length = 0;
    const int size = static_cast<int>(additional.size());
    return encrypt ? EVP_EncryptUpdate(ctx, nullptr, &length, bytes(additional), size) == 1
                   : EVP_DecryptUpdate(ctx, nullptr, &length, bytes(additional), size) == 1;
}

// Fetched once: OpenSSL 3 looks the algorithm up again on every init given EVP_aes_256_gcm().
const EVP_CIPHER* aes256Gcm() {
    static EVP_CIPHER* const cipher = EVP_CIPHER_fetch(nullptr, "AES-256-GCM", nullptr);
    return cipher;
}

}  // namespace

std::optional<std::string> aeadSeal(const unsigned char* key, std::string_view additional,
                                    std::string_view clear) {
    constexpr size_t kHead = kAeadNonceBytes + kAeadTagBytes;
    std::string sealed(kHead + clear.size(), '\0');
    if (RAND_bytes(bytes(sealed), kAeadNonceBytes) != 1)
        return std::nullopt;
    Cipher ctx(EVP_CIPHER_CTX_new());
    int length = 0;
    if (!ctx || EVP_EncryptInit_ex(ctx.get(), aes256Gcm(), nullptr, key, bytes(sealed)) != 1 ||
        !addAdditional(ctx.get(), additional, true) ||
        EVP_EncryptUpdate(ctx.get(), bytes(sealed, kHead), &length, bytes(clear),
                          static_cast<int>(clear.size())) != 1 ||
        EVP_EncryptFinal_ex(ctx.get(), nullptr, &length) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, kAeadTagBytes,
                            bytes(sealed, kAeadNonceBytes)) != 1)
        return std::nullopt;
    return sealed;
}

bool aeadOpen(const unsigned char* key, std::string_view additional, std::string_view sealed,
              std::string& clear) {
    constexpr size_t kHead = kAeadNonceBytes + kAeadTagBytes;
    auto failed = [&clear] {
        if (!clear.empty())
            OPENSSL_cleanse(clear.data(), clear.size());
        clear.clear();
        return false;
    };
    if (sealed.size() < kHead)
        return failed();
    clear.assign(sealed.size() - kHead, '\0');
    std::string tag(sealed.substr(kAeadNonceBytes, kAeadTagBytes));
    Cipher ctx(EVP_CIPHER_CTX_new());
    int length = 0;
    if (!ctx || EVP_DecryptInit_ex(ctx.get(), aes256Gcm(), nullptr, key, bytes(sealed)) != 1 ||
        !addAdditional(ctx.get(), additional, false) ||
        EVP_DecryptUpdate(ctx.get(), bytes(clear), &length, bytes(sealed, kHead),
                          static_cast<int>(clear.size())) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, kAeadTagBytes, tag.data()) != 1 ||
        EVP_DecryptFinal_ex(ctx.get(), nullptr, &length) != 1)
        return failed();
    return true;
}

}  // namespace ridge::access
