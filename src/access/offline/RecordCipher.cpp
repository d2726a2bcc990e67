#include "RecordCipher.h"

#include <AccessAPI.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include "Aead.h"
#include "Status.h"

namespace ridge::access {

namespace {

const unsigned char* bytes(std::string_view s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

}  // namespace

RecordCipher::RecordCipher(std::string key) : m_key(std::move(key)) {
    if (m_key.size() != kAeadKeyBytes)
        fail(AS_ERR_INTERNAL, "offline cache key of the wrong size");
}

RecordCipher::~RecordCipher() {
    OPENSSL_cleanse(m_key.data(), m_key.size());
}

std::string RecordCipher::seal(std::string_view label, std::string_view clear) const {
    std::optional<std::string> sealed = aeadSeal(bytes(m_key), label, clear);
    if (!sealed)
        fail(AS_ERR_INTERNAL, "offline cache record not encrypted");
    return std::move(*sealed);
}

std::optional<std::string> RecordCipher::open(std::string_view label,
                                              std::string_view sealed) const {
    std::string clear;
    if (!aeadOpen(bytes(m_key), label, sealed, clear))
        return std::nullopt;
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
