// The one AES-256-GCM seal of the library's records and kept secrets: what was sealed before
// still opens (known answers made by another implementation); refusals are pinned through
// RecordCipher in OfflineStoreTest.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "Aead.h"
#include "ProtectedSecret.h"
#include "RecordCipher.h"
#include "Status.h"

using namespace ridge::access;

namespace {

std::string fromHex(std::string_view hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    }
    return bytes;
}

// Key 32 times 'k', nonce 00..0b: an offline record of user "u:1", and a secret sealed without
// additional data.
constexpr std::string_view kRecord =
    "000102030405060708090a0b955aa3078971628fbb28f6d9e1b6ff3a11ff874763bee91b61a171eb08ac6b3d"
    "dac29807f244a6a7ee1080c6950ad546c95d4195b458";
constexpr std::string_view kSecret =
    "000102030405060708090a0b394aa8e90231dbced098b05e3e40ffd808b49a4a29a3e31631fe27";

TEST(Aead, WhatWasSealedBeforeStillOpens) {
    const std::string key(32, 'k');
    EXPECT_EQ(RecordCipher(key).open("u:1", fromHex(kRecord)),
              std::optional<std::string>("{\"signon\":\"alice\",\"cn\":\"Alice Anders\"}"));
    const auto* raw = reinterpret_cast<const unsigned char*>(key.data());
    std::string clear = "stale";
    EXPECT_TRUE(aeadOpen(raw, {}, fromHex(kSecret), clear));
    EXPECT_EQ(clear, "bind-secret");
}

TEST(ProtectedSecret, RevealsWhatItKeptOnlyWhileKept) {
    ProtectedSecret secret("pa55 w\xc3\xb6rd");
    EXPECT_EQ(secret.reveal().text(), "pa55 w\xc3\xb6rd");
    ProtectedSecret moved = std::move(secret);
    EXPECT_EQ(moved.reveal().text(), "pa55 w\xc3\xb6rd");
    EXPECT_EQ(ProtectedSecret("").reveal().text(), "");
    moved.clear();
    EXPECT_THROW(moved.reveal(), AccessError);
}

}  // namespace
