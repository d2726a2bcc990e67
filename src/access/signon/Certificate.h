// Certificates: signed, expiring tokens naming namespace, user and user class.
//   text    = Base64(payload) "." Base64(HMAC-SHA256(key, payload))
//   payload = "RC1\n" namespace "\n" user id "\n" class id (0: none) "\n" expiry (epoch seconds)
#pragma once

#include <AccessAPI.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ridge::access {

struct CertificateClaims {
    std::string namespaceName;  // UTF-8
    AS_ObjectId userId = 0;
    AS_ObjectId userClassId = 0;
    int64_t expiry = 0;  // seconds since the epoch
};

std::string makeCertificate(const CertificateClaims& claims, const std::string& key);
// The claims of a certificate that is well-formed, correctly signed with key and not expired at
// now; nullopt otherwise.
std::optional<CertificateClaims> verifyCertificate(std::string_view text, const std::string& key,
                                                   int64_t now);

// Strict standard Base64 (padding required, no line breaks).
std::string base64Encode(std::string_view bytes);
std::optional<std::string> base64Decode(std::string_view text);

}  // namespace ridge::access
