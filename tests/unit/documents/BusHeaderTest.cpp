// The bus header: the reader on real-shaped input, the action rule, the set-cookie merge,
// lookups and credential decryption. Only the provider reads bus headers (the host writes its
// own), so the writer is held to what it reads back, not to a copy of its text.
#include "ExpectFailure.h"
#include "VOR_AAA_AdditionalInfo.h"
#include "VOR_AAA_BiBusHeader.h"
#include "VOR_AAA_EncryptionManager.h"

#include "PYXBase64.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace documents_test;
using Header = VOR_AAA_BiBusHeader;

Header load(const std::string& text) {
    Header header;
    header.Load(text.data(), text.size());
    return header;
}

// A cookie the provider sets replaces a received one of the same name, path and domain.
TEST(BusHeaderWrite, ProviderCookiesReplaceReceivedOnesWithTheSameIdentity) {
    Header header(true);
    header.GetSetCookieVars().push_back({"AS_TICKET", "old", "/", "0", "d", "false"});
    header.GetSetCookieVars().push_back({"AS_TICKET", "other", "/x", "", "", ""});
    header.AddNewSetCookieVar({"AS_TICKET", "new", "/", "-1", "d", "false"});
    EXPECT_EQ(load(header.ToString()).GetSetCookieVars(),
              (std::vector<VOR_AAA_SetCookieVar>{{"AS_TICKET", "new", "/", "-1", "d", "false"},
                                                 {"AS_TICKET", "other", "/x", "", "", ""}}));
}

// A header as a framework sends it: its own prefixes, unknown elements, text split by
// entities and CDATA.
const char* const kRequestHeader =
    "<b:biBusHeader xmlns:b=\"urn:any\" xmlns:SOAP-ENV=\"urn:env\">"
    "<b:additionalInfo><b:productLocale>fr-ca</b:productLocale></b:additionalInfo>"
    "<b:unknown><name>ignored</name></b:unknown>"
    "<b:KEP><b:secureState>st&amp;1</b:secureState></b:KEP>"
    "<b:VOR><b:VORPassport><b:id>PASS</b:id><b:shareable>true</b:shareable></b:VORPassport>"
    "<b:action>logon</b:action><b:securityBlob>bl<![CDATA[<ob>]]></b:securityBlob>"
    "<b:VORTrustedCredential>&lt;credential/&gt;</b:VORTrustedCredential>"
    "<b:userSessionID>dXNy</b:userSessionID>"
    "<b:VORCredential>&lt;credential&gt;x&lt;/credential&gt;</b:VORCredential>"
    "<b:credentials><b:credential><b:username>ann</b:username><b:password></b:password>"
    "<b:namespace>ns</b:namespace><b:primary>TRUE</b:primary></b:credential></b:credentials>"
    "</b:VOR>"
    "<b:hdrSession>"
    "<b:formFieldVars><item><name>VORNamespace</name><value>VORID(\"a&amp;quot;b\")</value>"
    "</item><item><value>no name</value></item><item><name>VORUsername</name></item>"
    "<item><name>VORPassword</name><value>p&lt;w</value><format>encrypted</format></item>"
    "</b:formFieldVars>"
    "<b:environmentVars><item><name>REMOTE_USER</name><value>ann</value></item>"
    "</b:environmentVars>"
    "<b:cookieVars><item><name>AS_TICKET</name><value>T1</value></item></b:cookieVars>"
    "<b:setCookieVars><item><name>k</name><value>v</value><path>/</path><maxAge>5</maxAge>"
    "<domain>d</domain><secure>true</secure><extra>x</extra></item></b:setCookieVars>"
    "</b:hdrSession></b:biBusHeader>";

TEST(BusHeaderRead, RealShapedHeaderFillsEveryField) {
    const Header header = load(kRequestHeader);
    EXPECT_EQ(header.GetAdditionalInfo().GetProductLocale(), I18NString("fr-ca"));
    EXPECT_EQ(header.GetSecureState(), I18NString("st&1"));
    EXPECT_EQ(header.GetPassportID(), I18NString("PASS"));
    EXPECT_EQ(header.GetAction(), Header::kActionLogon);
    EXPECT_EQ(header.GetSecurityBlob(), I18NString("bl<ob>"));
    EXPECT_EQ(header.GetTrustedCredential(), I18NString("<credential/>"));
    EXPECT_EQ(header.GetUserSessionID(), I18NString("dXNy"));
    EXPECT_TRUE(header.GetEncryptedCredential().empty());  // not read back

    ASSERT_EQ(header.GetCredentials().GetCredentials().size(), 1u);
    const auto& entry = header.GetCredentials().GetCredentials()[0];
    EXPECT_EQ(entry.username, I18NString("ann"));
    EXPECT_TRUE(entry.hasPassword);
    EXPECT_TRUE(entry.primary);

    // The item without a name is dropped; the one without a value is kept.
    ASSERT_EQ(header.GetFormFieldVars().size(), 3u);
    EXPECT_EQ(header.GetFormFieldVars()[1], (VOR_AAA_FormFieldVar{"VORUsername", "", ""}));
    EXPECT_EQ(header.GetFormFieldVars()[2],
              (VOR_AAA_FormFieldVar{"VORPassword", "p<w", "encrypted"}));
    ASSERT_EQ(header.GetSetCookieVars().size(), 1u);
    EXPECT_EQ(header.GetSetCookieVars()[0],
              (VOR_AAA_SetCookieVar{"k", "v", "/", "5", "d", "true"}));

    I18NString value;
    EXPECT_TRUE(header.GetFormFieldValue("VORNamespace", value));
    EXPECT_EQ(value, I18NString("VORID(\"a\"b\")"));
    EXPECT_TRUE(header.GetNamespaceID(value));
    EXPECT_EQ(value, I18NString("VORID(\"a\"b\")"));
    EXPECT_TRUE(header.GetCookieValue("AS_TICKET", value));
    EXPECT_EQ(value, I18NString("T1"));
    EXPECT_TRUE(header.GetEnvironmentValue("REMOTE_USER", value));
    EXPECT_FALSE(header.GetFormFieldValue("VORRole", value));
}

TEST(BusHeaderRead, ActionTexts) {
    EXPECT_EQ(load("<biBusHeader><VOR><action></action></VOR></biBusHeader>").GetAction(),
              Header::kActionNone);
    const std::string upper = "<biBusHeader><VOR><action>LOGON</action></VOR></biBusHeader>";
    Header header;
    if (auto e = ExpectFailure<VOR_AAA_AuthUnrecoverableException>(
            -38, {kMsgUnknownAction, kMsgActionText},
            [&] { header.Load(upper.data(), upper.size()); })) {
        EXPECT_EQ(Parameter(*e, 1), I18NString("LOGON"));
    }
    EXPECT_EQ(header.GetAction(), Header::kActionNone);
}

TEST(BusHeaderRoundTrip, WrittenHeaderReadsBackToTheSameText) {
    Header header(true);
    header.SetPassportID("P");
    header.SetAction(Header::kActionGenerateCredential);
    header.SetSecureState("s");
    header.SetSecurityBlob("<blob & \"q\">");
    header.SetTrustedCredential("t");
    header.SetUserSessionID("u");
    header.GetAdditionalInfo().SetContentLocale("de");
    header.GetFormFieldVars().push_back({"f", "v ' \t", "fmt"});
    header.GetEnvironmentVars().push_back({"e", ""});
    header.GetCookieVars().push_back({"c", "v"});
    header.GetSetCookieVars().push_back({"s", "v", "/", "1", "d", "true"});
    VOR_AAA_CredentialsDoc::Credential entry;
    entry.username = "u";
    entry.namespaceID = "ns";
    entry.values[I18NString("role")] = "r";
    header.GetCredentials().AddCredential(entry);
    const std::string text = header.ToString();
    Header read(true);
    read.Load(text.data(), text.size());
    // The request context read is appended to the default single space.
    EXPECT_EQ(read.GetAdditionalInfo().GetRequestContext(), I18NString("  "));
    read.GetAdditionalInfo().SetRequestContext(" ");
    EXPECT_EQ(read.ToString(), text);
}

class BusHeaderCrypto : public ::testing::Test {
protected:
    void SetUp() override {
        m_home = std::filesystem::temp_directory_path() /
                 ("bus_header_home_" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_home);
        ::setenv("BASALT_HOME", m_home.c_str(), 1);
        ASSERT_EQ(
            VOR_CryptoInitialize(VOR_AAA_EncryptionManager::kInitializeDocument, 0, &m_result), 0);
        ASSERT_EQ(VOR_PersistentInitialize2(&m_handle, VOR_AAA_EncryptionManager::kServiceID, 0,
                                            &m_result),
                  0);
        ASSERT_EQ(VOR_SetInfo(m_handle, VOR_AAA_EncryptionManager::kSetInfoDocument, &m_result), 0);
    }
    void TearDown() override {
        VOR_CryptoTerminate(VOR_AAA_EncryptionManager::kTerminateDocument, 0, &m_result);
        ::unsetenv("BASALT_HOME");
        std::filesystem::remove_all(m_home);
    }
    // Protects text and returns it as Base64, the form the framework sends.
    I18NString protect(const std::string& text) {
        unsigned char* out = nullptr;
        size_t outLength = 0;
        EXPECT_GE(VOR_ProtectData(m_handle, text.data(), text.size(), &out, &outLength, 0), 0);
        std::string encoded(PYXBase64EncodedSize(outLength), '\0');
        PYXBase64Encode(out, outLength, encoded.data());
        VOR_CryptoFree(out, 0);
        return I18NString(encoded);
    }

    std::filesystem::path m_home;
    char* m_result = nullptr;
    VOR_CryptoHandle m_handle = 0;
};

TEST_F(BusHeaderCrypto, EncryptedCredentialAndFormFieldsAreDecrypted) {
    Header header;
    header.SetEncryptedCredential(
        protect("<credential><username>ann</username><password>pw</password>"
                "<namespace>ns</namespace></credential>"));
    header.GetFormFieldVars().push_back({"VORPassword",
                                         protect("s\xC3\xA9"
                                                 "cret"),
                                         "encrypted"});
    header.GetFormFieldVars().push_back({"VORUsername", "plain", ""});
    header.DecryptCredentials(m_handle);

    EXPECT_TRUE(header.GetEncryptedCredential().empty());
    I18NString value;
    EXPECT_TRUE(header.GetCredentials().GetValue("password", value));
    EXPECT_EQ(value, I18NString("pw"));
    EXPECT_EQ(header.GetFormFieldVars()[0], (VOR_AAA_FormFieldVar{"VORPassword",
                                                                  "s\xC3\xA9"
                                                                  "cret",
                                                                  ""}));
    EXPECT_EQ(header.GetFormFieldVars()[1], (VOR_AAA_FormFieldVar{"VORUsername", "plain", ""}));
}

}  // namespace
