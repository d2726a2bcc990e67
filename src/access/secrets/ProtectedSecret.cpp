#include "ProtectedSecret.h"

#include <AccessAPI.h>
#include <openssl/crypto.h>
#include <openssl/rand.h>

#include <mutex>
#include <optional>

#include "Aead.h"
#include "Status.h"

namespace ridge::access {

namespace {

// The process's sealing key, made once; it never leaves this file.
const unsigned char* processKey() {
    static unsigned char key[kAeadKeyBytes];
    static std::once_flag made;
    std::call_once(made, [] {
        if (RAND_bytes(key, sizeof key) != 1)
            fail(AS_ERR_INTERNAL, "no random bytes");
    });
    return key;
}

}  // namespace

void wipe(std::string& text) {
    if (!text.empty())
        OPENSSL_cleanse(text.data(), text.size());
    text.clear();
}

ProtectedSecret::ProtectedSecret(std::string_view clear) {
    std::optional<std::string> sealed = aeadSeal(processKey(), {}, clear);
    if (!sealed)
        fail(AS_ERR_INTERNAL, "the secret cannot be sealed");
    m_sealed = std::move(*sealed);
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
    if (secret.m_sealed.size() < kAeadNonceBytes + kAeadTagBytes)
        fail(AS_ERR_INTERNAL, "no secret kept");
    // Opened straight into this object, so the clear text is only ever here.
    if (!aeadOpen(processKey(), {}, secret.m_sealed, m_text))
        fail(AS_ERR_INTERNAL, "the kept secret does not open");
}

ProtectedSecret::Clear::~Clear() {
    wipe(m_text);
}

}  // namespace ridge::access
