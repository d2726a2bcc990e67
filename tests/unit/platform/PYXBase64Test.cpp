#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PYXBase64.h"

namespace {

std::string encode(const std::string& bytes) {
    // One guard byte past the encoded size: the encoder must not touch it.
    std::string out(PYXBase64EncodedSize(bytes.size()) + 1, '#');
    const std::size_t written = PYXBase64Encode(bytes.data(), bytes.size(), out.data(), 0);
    EXPECT_EQ(written, PYXBase64EncodedSize(bytes.size()));
    EXPECT_EQ(out.back(), '#');
    out.pop_back();
    return out;
}

// Decodes into an exactly sized buffer; returns the result code.
int decode(const std::string& text, std::string& bytes, std::size_t capacity = 64) {
    bytes.assign(capacity, '\0');
    std::size_t length = capacity;
    const int result = PYXBase64Decode(text.c_str(), bytes.data(), &length);
    if (result == kPYXBase64Ok) {
        bytes.resize(length);
    }
    return result;
}

TEST(PYXBase64, KnownVectorsAndSizes) {
    // RFC 4648 test vectors: every padding case.
    const std::pair<const char*, const char*> vectors[] = {{"", ""},
                                                           {"f", "Zg=="},
                                                           {"fo", "Zm8="},
                                                           {"foo", "Zm9v"},
                                                           {"foob", "Zm9vYg=="},
                                                           {"fooba", "Zm9vYmE="},
                                                           {"foobar", "Zm9vYmFy"}};
    for (const auto& [plain, coded] : vectors) {
        EXPECT_EQ(encode(plain), coded);
        std::string back;
        ASSERT_EQ(decode(coded, back), kPYXBase64Ok) << coded;
        EXPECT_EQ(back, plain);
    }
    // Binary data of every length: tests/unit/documents (the encryption manager's values).
}

TEST(PYXBase64, WhiteSpaceIsIgnoredAnywhere) {
    std::string back;
    ASSERT_EQ(decode("  Zm 9v\r\nYg ==\n", back), kPYXBase64Ok);
    EXPECT_EQ(back, "foob");
}

TEST(PYXBase64, BadTextIsRefused) {
    std::string back;
    EXPECT_EQ(decode("Zm9v!mFy", back), kPYXBase64InvalidCharacter);
    EXPECT_EQ(decode("Zm9-", back), kPYXBase64InvalidCharacter);  // URL-safe alphabet: no
    EXPECT_EQ(decode("Zg", back), kPYXBase64InvalidLength);       // padding is required
    EXPECT_EQ(decode("Zg=a", back), kPYXBase64InvalidPadding);
    EXPECT_EQ(decode("Zg==Zm9v", back), kPYXBase64InvalidPadding);
    EXPECT_EQ(decode("====", back), kPYXBase64InvalidPadding);
    EXPECT_EQ(decode("Zm9vYmFy", back, 5), kPYXBase64BufferTooSmall);
    EXPECT_EQ(decode("Zm9vYg==", back, 4), kPYXBase64Ok);  // exactly enough
    std::size_t length = 4;
    EXPECT_EQ(PYXBase64Decode(nullptr, back.data(), &length), kPYXBase64NullArgument);
    EXPECT_EQ(PYXBase64Decode("Zg==", back.data(), nullptr), kPYXBase64NullArgument);
}

}  // namespace
