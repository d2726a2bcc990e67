#include "RecordCipher.h"

#include <AccessAPI.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <memory>

#include "Status.h"

namespace ridge::access {

namespace {

constexpr int kNonceBytes = 12;
constexpr int kTagBytes = 16;

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

}  // namespace

RecordCipher::RecordCipher(std::string key) : m_key(std::move(key)) {
    if (m_key.size() != 32)
        fail(AS_ERR_INTERNAL, "offline cache key of the wrong size");
}

RecordCipher::~RecordCipher() {
    OPENSSL_cleanse(m_key.data(), m_key.size());
}

std::string RecordCipher::seal(std::string_view label, std::string_view clear) const {
    std::string sealed(kNonceBytes + kTagBytes + clear.size(), '\0');
    if (RAND_bytes(bytes(sealed), kNonceBytes) != 1)
        fail(AS_ERR_INTERNAL, "no random bytes");
    Cipher ctx(EVP_CIPHER_CTX_new());
    int length = 0;
    if (!ctx ||
        EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, bytes(m_key), bytes(sealed)) !=
            1 ||
        EVP_EncryptUpdate(ctx.get(), nullptr, &length, bytes(label),
                          static_cast<int>(label.size())) != 1 ||
        EVP_EncryptUpdate(ctx.get(), bytes(sealed, kNonceBytes + kTagBytes), &length, bytes(clear),
                          static_cast<int>(clear.size())) != 1 ||
        EVP_EncryptFinal_ex(ctx.get(), nullptr, &length) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, kTagBytes,
                            bytes(sealed, kNonceBytes)) != 1)
        fail(AS_ERR_INTERNAL, "offline cache record not encrypted");
    return sealed;
}

std::optional<std::string> RecordCipher::open(std::string_view label,
                                              std::string_view sealed) const {
    if (sealed.size() < kNonceBytes + kTagBytes)
        return std::nullopt;
    std::string clear(sealed.size() - kNonceBytes - kTagBytes, '\0');
    std::string tag(sealed.substr(kNonceBytes, kTagBytes));
    Cipher ctx(EVP_CIPHER_CTX_new());
    int length = 0;
    if (!ctx ||
        EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, bytes(m_key), bytes(sealed)) !=
            1 ||
        EVP_DecryptUpdate(ctx.get(), nullptr, &length, bytes(label),
                          static_cast<int>(label.size())) != 1 ||
        EVP_DecryptUpdate(ctx.get(), bytes(clear), &length, bytes(sealed, kNonceBytes + kTagBytes),
                          static_cast<int>(clear.size())) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, kTagBytes, tag.data()) != 1 ||
        EVP_DecryptFinal_ex(ctx.get(), nullptr, &length) != 1) {
        OPENSSL_cleanse(clear.data(), clear.size());
        return std::nullopt;
    }
    return clear;
}

std::string RecordCipher::digest(std::string_view text) const {
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (!HMAC(EVP_sha256(), m_key.data(), static_cast<int>(m_key.size()), bytes(text), text.size(),
              mac, &size))
        fail(AS_ERR_INTERNAL, "no digest");
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < size; ++i) {
        out += hex[mac[i] >> 4];
        out += hex[mac[i] & 15];
    }
    return out;
}

}  // namespace ridge::access
