// The parts of the offline cache that need no directory: the encryption of its records, the
// LMDB store (modes, prefixes; a damaged file: tests/integration/replicas) and the Argon2id
// verifier. (A user's record round trip: tests/integration/replicas, OfflineSignOnTest.)
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "OfflineStore.h"
#include "RecordCipher.h"
#include "TempDirectory.h"
#include "Verifier.h"

using namespace ridge::access;

namespace {

unsigned modeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 0777 : 0;
}

TEST(RecordCipher, OpensOnlyWhatItSealedUnderTheSameKeyAndLabel) {
    const RecordCipher cipher(std::string(32, 'k'));
    const std::string clear = "{\"signon\":\"alice\",\"cn\":\"Alice Anders\"}";
    const std::string sealed = cipher.seal("u:1", clear);
    EXPECT_EQ(std::string::npos, sealed.find("alice"));
    EXPECT_EQ(clear, cipher.open("u:1", sealed));
    // Moved under another user's name, damaged, or read with another home's key: nothing.
    EXPECT_FALSE(cipher.open("u:2", sealed));
    std::string flipped = sealed;
    flipped.back() ^= 1;
    EXPECT_FALSE(cipher.open("u:1", flipped));
    EXPECT_FALSE(cipher.open("u:1", sealed.substr(0, 20)));
    EXPECT_FALSE(RecordCipher(std::string(32, 'j')).open("u:1", sealed));
    // Two seals of one text differ (a fresh nonce each).
    EXPECT_NE(sealed, cipher.seal("u:1", clear));
    EXPECT_EQ(cipher.digest("alice"), cipher.digest("alice"));
    EXPECT_NE(cipher.digest("alice"), RecordCipher(std::string(32, 'j')).digest("alice"));
}

TEST(OfflineStore, KeepsItsFilesPrivateAndListsByPrefix) {
    TempDirectory home;
    OfflineStore store(home.str() + "/cache", nullptr);
    EXPECT_EQ(0700u, modeOf(home.str() + "/cache"));
    store.put("u:b", "2");
    store.put("u:a", "1");
    store.put("t:a", "ticket");
    EXPECT_EQ(0600u, modeOf(home.str() + "/cache/data.mdb"));
    EXPECT_EQ("1", store.get("u:a"));
    EXPECT_FALSE(store.get("u:c"));
    std::vector<std::string> seen;
    store.forEach("u:", [&](std::string_view k, std::string_view v) {
        seen.push_back(std::string(k) + "=" + std::string(v));
    });
    EXPECT_EQ((std::vector<std::string>{"u:a=1", "u:b=2"}), seen);
    store.update("u:a", [](std::optional<std::string> old) {
        return std::optional<std::string>(old.value_or("none") + "+");
    });
    EXPECT_EQ("1+", store.get("u:a"));
    EXPECT_TRUE(store.remove("u:a"));
    EXPECT_FALSE(store.remove("u:a"));
    EXPECT_EQ(1u, store.removeAll("u:"));
    EXPECT_EQ("ticket", store.get("t:a"));
    EXPECT_EQ(1u, store.removeAll(""));
}

TEST(Verifier, AcceptsOnlyItsPassword) {
    const VerifierCost cheap{1, 1024, 1};
    const std::string v = makeVerifier("Secret#2024", cheap);
    EXPECT_EQ(0u, v.rfind("$argon2id$v=19$m=1024,t=1,p=1$", 0)) << v;
    EXPECT_EQ(std::string::npos, v.find("Secret#2024"));
    EXPECT_TRUE(verifierMatches(v, "Secret#2024"));
    EXPECT_FALSE(verifierMatches(v, "Secret#2025"));
    EXPECT_FALSE(verifierMatches(v, ""));
    EXPECT_NE(v, makeVerifier("Secret#2024", cheap));  // salted
    // Another algorithm's text is no verifier of ours.
    EXPECT_FALSE(verifierMatches("$argon2i$v=19$m=1024,t=1,p=1$c2FsdHNhbHQ$aGFzaA", "x"));
    EXPECT_FALSE(verifierMatches("", "Secret#2024"));
}

}  // namespace
