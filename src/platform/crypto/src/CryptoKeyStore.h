#pragma once

#include <array>
#include <filesystem>
#include <memory>

namespace basalt::crypto {

inline constexpr std::size_t kKeySize = 32;

// The protection key of one home directory; cleared when the last user lets go of it.
struct ProtectionKey {
    std::array<unsigned char, kKeySize> bytes{};
    ~ProtectionKey();
};

// Folder and file of the key below a home directory.
std::filesystem::path keyFolderOf(const std::filesystem::path& home);
std::filesystem::path keyFileOf(const std::filesystem::path& home);

// The key of the home directory: read from <home>/keys/protect.key or, when there is none yet,
// created there atomically (so racing processes all end up with the one that won). The folder is
// made 0700 and the file 0600; either being open to other users is refused. Keys already in use
// in this process are shared. Throws CryptoError(VOR_CRYPTO_E_KEY) with the reason.
std::shared_ptr<const ProtectionKey> loadProtectionKey(const std::filesystem::path& home);

}  // namespace basalt::crypto
