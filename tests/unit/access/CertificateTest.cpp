#include <gtest/gtest.h>

#include "Certificate.h"

using namespace ridge::access;

namespace {

const std::string kKey(32, '\x5a');

CertificateClaims claims() {
    CertificateClaims c;
    c.namespaceName = "ridgetest";
    c.userId = 1000;
    c.userClassId = 101;
    c.expiry = 2000000000;
    return c;
}

TEST(Certificate, RoundTripUntilExpiry) {
    std::string text = makeCertificate(claims(), kKey);
    auto c = verifyCertificate(text, kKey, 1999999999);
    ASSERT_TRUE(c);
    EXPECT_EQ("ridgetest", c->namespaceName);
    EXPECT_EQ(1000u, c->userId);
    EXPECT_EQ(101u, c->userClassId);
    EXPECT_EQ(2000000000, c->expiry);
    EXPECT_FALSE(verifyCertificate(text, kKey, 2000000000));  // expired at its expiry second
}

TEST(Certificate, AnyChangeFails) {
    std::string text = makeCertificate(claims(), kKey);
    EXPECT_FALSE(verifyCertificate(text, std::string(32, '\x5b'), 0));  // other key
    for (size_t i = 0; i < text.size(); ++i) {
        std::string bad = text;
        bad[i] = bad[i] == 'Q' ? 'R' : 'Q';
        EXPECT_FALSE(verifyCertificate(bad, kKey, 0)) << i;
    }
    // A re-signed payload with other claims still needs the key.
    CertificateClaims other = claims();
    other.userId = 1;
    std::string forged = makeCertificate(other, "guessed key");
    EXPECT_FALSE(verifyCertificate(forged, kKey, 0));
    EXPECT_FALSE(verifyCertificate("", kKey, 0));
    EXPECT_FALSE(verifyCertificate(text + ".", kKey, 0));
    EXPECT_FALSE(verifyCertificate(text.substr(0, text.find('.')), kKey, 0));
}

TEST(Certificate, SignedButMalformedPayloadsFail) {
    CertificateClaims extraFields = claims();
    extraFields.namespaceName = "ns\n1\n2";  // a payload of six fields
    CertificateClaims noUser = claims();
    noUser.userId = 0;
    CertificateClaims noNamespace = claims();
    noNamespace.namespaceName.clear();
    for (const CertificateClaims& c : {extraFields, noUser, noNamespace}) {
        EXPECT_FALSE(verifyCertificate(makeCertificate(c, kKey), kKey, 0)) << c.namespaceName;
    }
}

TEST(Base64, StrictDecoding) {
    EXPECT_EQ("", base64Encode(""));
    EXPECT_EQ("Zm9vYg==", base64Encode("foob"));
    EXPECT_EQ("foob", *base64Decode("Zm9vYg=="));
    EXPECT_EQ("fo", *base64Decode("Zm8="));
    EXPECT_FALSE(base64Decode("Zm9vYg"));    // no padding
    EXPECT_FALSE(base64Decode("Zm9vYh=="));  // not canonical
    EXPECT_FALSE(base64Decode("Zm9v\nYg=="));
    EXPECT_FALSE(base64Decode("Zm9v*g=="));
}

}  // namespace
