// AES-256-GCM, the one form of every secret and record the library keeps sealed: the nonce (12
// random bytes), the tag (16 bytes), then the cipher text. Additional data is bound to the seal
// (it must be given again to open it) but not stored.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ridge::access {

constexpr size_t kAeadKeyBytes = 32;
constexpr size_t kAeadNonceBytes = 12;
constexpr size_t kAeadTagBytes = 16;

// key: kAeadKeyBytes. nullopt when no random nonce could be made or OpenSSL failed.
std::optional<std::string> aeadSeal(const unsigned char* key, std::string_view additional,
                                    std::string_view clear);

// Opens sealed into clear (its bytes are replaced). False, with clear wiped and empty, when
// sealed is too short, damaged, or was made under another key or other additional data.
bool aeadOpen(const unsigned char* key, std::string_view additional, std::string_view sealed,
              std::string& clear);

}  // namespace ridge::access
