// The encryption manager over the platform's data-protection service, with a throwaway home
// directory for the protection key.
#include "ExpectFailure.h"
#include "VOR_AAA_EncryptionManager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace documents_test;

class EncryptionManagerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/om_crypto_homeXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        s_home = pattern;
        setenv("BASALT_HOME", s_home.c_str(), 1);
    }
    static void TearDownTestSuite() {
        std::error_code ignored;
        std::filesystem::remove_all(s_home, ignored);
    }
    static std::string s_home;
};
std::string EncryptionManagerTest::s_home;

TEST_F(EncryptionManagerTest, RoundTripKeepsNonAsciiText) {
    VOR_AAA_EncryptionManager manager;
    const I18NString original(u"p\u00e4ss w\u00f6rd \u4e2d\u6587 \U0001F511");
    I18NString value = original;
    manager.Encrypt(value);
    EXPECT_NE(value, original);
    EXPECT_EQ(value.utf8().find_first_not_of(
                  "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
              std::string::npos);
    manager.Decrypt(value);
    EXPECT_EQ(value, original);

    std::string bytes = "plain";
    manager.Encrypt(bytes);
    manager.Decrypt(bytes);
    EXPECT_EQ(bytes, "plain");

    I18NString empty;  // stays empty both ways
    manager.Encrypt(empty);
    EXPECT_TRUE(empty.empty());
    manager.Decrypt(empty);
    EXPECT_TRUE(empty.empty());
    EXPECT_TRUE(manager.DecryptedParameter(I18NString()).empty());
}

TEST_F(EncryptionManagerTest, BadOrAlteredValuesAreRefusedAndKept) {
    VOR_AAA_EncryptionManager manager;
    // Not Base64: refused before the service is called.
    I18NString value("not base64!");
    if (auto e = ExpectFailure(-19, {kMsgLibraryCallFailed}, [&] { manager.Decrypt(value); })) {
        EXPECT_EQ(Parameter(*e, 0), I18NString("PYXBase64Decode"));
    }
    EXPECT_EQ(value, I18NString("not base64!"));

    // An altered value is refused with the service's details, and left as it was.
    std::string text = "secret";
    manager.Encrypt(text);
    text[text.size() / 2] = text[text.size() / 2] == 'A' ? 'B' : 'A';
    const std::string altered = text;
    if (auto e = ExpectFailure(-19, {kMsgStepFailed, kMsgDetail}, [&] { manager.Decrypt(text); })) {
        EXPECT_EQ(Parameter(*e, 0), I18NString("VOR_UnprotectData"));
        EXPECT_EQ(e->getMessageNestingLevelN(1), 2);
        EXPECT_FALSE(Parameter(*e, 1).empty());
    }
    EXPECT_EQ(text, altered);
}

TEST_F(EncryptionManagerTest, ManagersOfTwoNamespacesShareTheHomeKey) {
    VOR_AAA_EncryptionManager first;
    VOR_AAA_EncryptionManager second;
    I18NString stored = first.EncryptedForStorage("configured value");
    EXPECT_EQ(second.DecryptedParameter(stored), I18NString("configured value"));
}

}  // namespace
