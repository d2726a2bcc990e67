#include "Verifier.h"

#include <AccessAPI.h>
#include <argon2.h>
#include <openssl/rand.h>

#include "Status.h"

namespace ridge::access {

namespace {

constexpr size_t kSaltBytes = 16;
constexpr size_t kHashBytes = 32;

}  // namespace

std::string makeVerifier(const std::string& password, const VerifierCost& cost) {
    unsigned char salt[kSaltBytes];
    if (RAND_bytes(salt, sizeof salt) != 1)
        fail(AS_ERR_INTERNAL, "no random bytes");
    std::string encoded(argon2_encodedlen(cost.time, cost.memoryKib, cost.parallelism, kSaltBytes,
                                          kHashBytes, Argon2_id),
                        '\0');
    const int rc = argon2id_hash_encoded(cost.time, cost.memoryKib, cost.parallelism,
                                         password.data(), password.size(), salt, sizeof salt,
                                         kHashBytes, encoded.data(), encoded.size());
    if (rc != ARGON2_OK)
        fail(AS_ERR_INTERNAL, std::string("password verifier: ") + argon2_error_message(rc));
    encoded.resize(encoded.find('\0'));
    return encoded;
}

bool verifierMatches(const std::string& verifier, const std::string& password) {
    if (verifier.rfind("$argon2id$", 0) != 0)
        return false;
    return argon2id_verify(verifier.c_str(), password.data(), password.size()) == ARGON2_OK;
}

}  // namespace ridge::access
