// The bus header: exact written forms, the reader on real-shaped input, the action rule, the
// set-cookie merge, lookups and credential decryption.
#include "VOR_AAA_AdditionalInfo.h"
#include "VOR_AAA_BiBusHeader.h"
#include "VOR_AAA_Const.h"
#include "VOR_AAA_EncryptionManager.h"
#include "VOR_AAA_Exception.h"
#include "VOR_AAA_Messages.h"

#include "PYXBase64.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace VOR_AAA_Messages;

using C = VOR_AAA_Const;
using Header = VOR_AAA_BiBusHeader;

std::string S(const char* text) {
    return text;
}
std::string bus() {
    return C::Text::kBusNamespaceURI;
}

Header load(const std::string& text) {
    Header header;
    header.Load(text.data(), text.size());
    return header;
}

std::string defaultInfo() {
    return VOR_AAA_AdditionalInfo().ToString();
}

TEST(BusHeaderWrite, EmptyHeaderHoldsOnlyAdditionalInfoAndEmptyVOR) {
    Header header;
    EXPECT_EQ(header.ToString(), "<bus:biBusHeader>" + defaultInfo() +
                                     "<VOR xsi:type=\"bus:VOR\"></VOR></bus:biBusHeader>");
    std::ostringstream omitted;
    header.Write(omitted, true);
    EXPECT_EQ(omitted.str(), "<bus:biBusHeader><VOR xsi:type=\"bus:VOR\"></VOR></bus:biBusHeader>");
}

TEST(BusHeaderWrite, FullHeaderInExactOrderWithNamespacesAndCounts) {
    Header header(true);
    header.SetSecureState("<s&>");
    header.SetPassportID("P1");
    header.SetPassportShareable(true);
    header.SetUserSessionID("dXNy");
    header.SetAction(Header::kActionLogonAs);
    header.SetSecurityBlob("b<l>ob");
    header.SetTrustedCredential("<credential/>");
    header.SetEncryptedCredential("ZW5j");
    VOR_AAA_CredentialsDoc::Credential entry;
    entry.username = "ann";
    entry.namespaceID = "ns";
    header.GetCredentials().AddCredential(entry);
    header.GetEnvironmentVars().push_back({"REMOTE_USER", "ann"});
    header.GetFormFieldVars().push_back({"VORUsername", "a<b", ""});
    header.GetFormFieldVars().push_back({"VORPassword", "x", "encrypted"});
    header.GetCookieVars().push_back({"c&1", "v\"1"});
    std::ostringstream out;
    header.Write(out, true);
    EXPECT_EQ(
        out.str(),
        "<bus:biBusHeader xmlns:SOAP-ENV=\"" + S(C::Text::kSOAPEnvelopeNamespaceURI) +
            "\" xmlns:SOAP-ENC=\"" + C::Text::kSOAPEncodingNamespaceURI + "\" xmlns:xsd=\"" +
            C::Text::kXMLSchemaNamespaceURI + "\" xmlns:xsi=\"" +
            C::Text::kXMLSchemaInstanceNamespaceURI + "\" xmlns:bus=\"" + bus() + "\">" +
            "<KEP xsi:type=\"bus:KEP\"><secureState><s&></secureState></KEP>"
            "<VOR xsi:type=\"bus:VOR\">"
            "<VORPassport xsi:type=\"bus:VORPassport\"><id xsi:type=\"xsd:string\" "
            "xml:space=\"preserve\">P1</id><shareable xsi:type=\"xsd:boolean\" "
            "xml:space=\"preserve\">true</shareable></VORPassport>"
            "<userSessionID xsi:type=\"xsd:base64Binary\">dXNy</userSessionID>"
            "<action>logonAs</action>"
            "<securityBlob xmlns=\"" +
            C::Text::kSOAPEnvelopeNamespaceURI +
            "\">b&lt;l&gt;ob</securityBlob>"
            "<VORTrustedCredential>&lt;credential/&gt;</VORTrustedCredential>"
            "<VORCredential xsi:type=\"xsd:anyType\">&lt;credential&gt;&lt;encryptedValue&gt;ZW5j"
            "&lt;/encryptedValue&gt;&lt;/credential&gt;</VORCredential>"
            "<credential><username>ann</username><namespace>ns</namespace></credential>"
            "</VOR>"
            "<bus:hdrSession xsi:type=\"bus:hdrSession\">"
            "<bus:environmentVars xsi:type=\"SOAP-ENC:Array\" "
            "SOAP-ENC:arrayType=\"bus:environmentVar[1]\"><item><name xsi:type=\"xsd:string\" "
            "xml:space=\"preserve\">REMOTE_USER</name><value xsi:type=\"xsd:string\" "
            "xml:space=\"preserve\">ann</value></item></bus:environmentVars>"
            "<bus:formFieldVars xsi:type=\"SOAP-ENC:Array\" "
            "SOAP-ENC:arrayType=\"bus:formFieldVar[2]\"><item><name xsi:type=\"xsd:string\" "
            "xml:space=\"preserve\">VORUsername</name><value xsi:type=\"xsd:string\" "
            "xml:space=\"preserve\">a&lt;b</value></item><item><name xsi:type=\"xsd:string\" "
            "xml:space=\"preserve\">VORPassword</name><value xsi:type=\"xsd:string\" "
            "xml:space=\"preserve\">x</value><format xsi:type=\"bus:formatEnum\" "
            "xml:space=\"preserve\">encrypted</format></item></bus:formFieldVars>"
            "<bus:cookieVars xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"bus:cookieVar[1]\">"
            "<item><name xsi:type=\"xsd:string\" xml:space=\"preserve\">c&amp;1</name>"
            "<value xsi:type=\"xsd:string\" xml:space=\"preserve\">v&quot;1</value></item>"
            "</bus:cookieVars></bus:hdrSession></bus:biBusHeader>");
}

TEST(BusHeaderWrite, ProviderCookiesReplaceReceivedOnesWithTheSameIdentity) {
    Header header;
    header.GetSetCookieVars().push_back({"AS_TICKET", "old", "/", "0", "d", "false"});
    header.GetSetCookieVars().push_back({"AS_TICKET", "other", "/x", "", "", ""});
    header.AddNewSetCookieVar({"AS_TICKET", "new", "/", "-1", "d", "false"});
    std::ostringstream out;
    header.Write(out, true);
    EXPECT_EQ(out.str(),
              "<bus:biBusHeader><VOR xsi:type=\"bus:VOR\"></VOR>"
              "<bus:hdrSession xsi:type=\"bus:hdrSession\"><bus:setCookieVars "
              "xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"bus:setCookieVar[2]\">"
              "<item><name xsi:type=\"xsd:string\" xml:space=\"preserve\">AS_TICKET</name>"
              "<value xsi:type=\"xsd:string\" xml:space=\"preserve\">new</value>"
              "<path xsi:type=\"xsd:string\" xml:space=\"preserve\">/</path>"
              "<maxAge xsi:type=\"xsd:int\">-1</maxAge>"
              "<domain xsi:type=\"xsd:string\" xml:space=\"preserve\">d</domain>"
              "<secure xsi:type=\"xsd:boolean\">false</secure></item>"
              "<item><name xsi:type=\"xsd:string\" xml:space=\"preserve\">AS_TICKET</name>"
              "<value xsi:type=\"xsd:string\" xml:space=\"preserve\">other</value>"
              "<path xsi:type=\"xsd:string\" xml:space=\"preserve\">/x</path></item>"
              "</bus:setCookieVars></bus:hdrSession></bus:biBusHeader>");
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

TEST(BusHeaderRead, LoadingAgainReplacesTheContent) {
    Header header = load(kRequestHeader);
    const std::string second = "<biBusHeader><VOR><action>logoff</action></VOR></biBusHeader>";
    header.Load(second.data(), second.size());
    EXPECT_EQ(header.GetAction(), Header::kActionLogoff);
    EXPECT_TRUE(header.GetFormFieldVars().empty());
    EXPECT_FALSE(header.GetCredentials().HasCredentials());
    EXPECT_TRUE(header.GetPassportID().empty());
}

TEST(BusHeaderRead, NamespaceFallsBackToTheCredentials) {
    const Header header = load(
        "<biBusHeader><VOR><credential><namespace>ns1</namespace></credential></VOR>"
        "</biBusHeader>");
    I18NString ns;
    EXPECT_TRUE(header.GetNamespaceID(ns));
    EXPECT_EQ(ns, I18NString("ns1"));
    EXPECT_FALSE(Header().GetNamespaceID(ns));
}

TEST(BusHeaderRead, OtherRootYieldsAnEmptyHeader) {
    const Header header = load("<envelope><VOR><action>logon</action></VOR></envelope>");
    EXPECT_EQ(header.GetAction(), Header::kActionNone);
    EXPECT_EQ(header.ToString(), Header().ToString());
}

TEST(BusHeaderRead, ActionTexts) {
    EXPECT_EQ(
        load("<biBusHeader><VOR><action>clonePassport</action></VOR></biBusHeader>").GetAction(),
        Header::kActionClonePassport);
    EXPECT_EQ(load("<biBusHeader><VOR><action></action></VOR></biBusHeader>").GetAction(),
              Header::kActionNone);
    const std::string upper = "<biBusHeader><VOR><action>LOGON</action></VOR></biBusHeader>";
    Header header;
    try {
        header.Load(upper.data(), upper.size());
        FAIL() << "an unknown action must fail the load";
    } catch (VOR_AAA_AuthUnrecoverableException& e) {
        EXPECT_EQ(e.getErrorCode(), -38);
        ASSERT_EQ(e.getMessageCount(), 2u);
        EXPECT_EQ(e.getMessageN(0).getNumber(), kMsgUnknownAction);
        EXPECT_EQ(e.getMessageN(1).getNumber(), kMsgActionText);
        EXPECT_EQ(e.getMessageN(1).getComponents().getParm(0).toText(), I18NString("LOGON"));
    }
    EXPECT_EQ(header.GetAction(), Header::kActionNone);
}

TEST(BusHeaderRead, MalformedTextFailsWithTheParseError) {
    Header header;
    const std::string text = "<biBusHeader><VOR></biBusHeader>";
    try {
        header.Load(text.data(), text.size());
        FAIL();
    } catch (VOR_AAA_Exception& e) {
        EXPECT_EQ(e.getErrorCode(), -19);
    }
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

TEST(BusHeaderException, AddedFailuresMergeAndTravelInsideVOR) {
    Header header;
    VOR_AAA_AuthUnrecoverableException first;
    first.addMessage(VOR_AAA_Message(kMsgInvalidPassportCaption));
    header.AddException(first, "en-us");
    VOR_AAA_Exception second(-48);
    second.addMessage(VOR_AAA_Message(kMsgInternalError));
    header.AddException(second, "en-us");

    const auto& messages = header.GetException().GetMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].nestingLevel, 0);  // the new failure first ...
    EXPECT_EQ(messages[1].nestingLevel, 1);  // ... the unrecoverable one nested below it
    std::ostringstream out;
    header.Write(out, true);
    EXPECT_EQ(out.str(), "<bus:biBusHeader><VOR xsi:type=\"bus:VOR\">" +
                             header.GetException().ToString() + "</VOR></bus:biBusHeader>");
}

TEST(BusHeaderDecrypt, Base64FailureIsReportedBeforeTheService) {
    I18NString clear = "unchanged";
    try {
        Header::decryptValue(0, "not base64!", clear);
        FAIL();
    } catch (VOR_AAA_Exception& e) {
        EXPECT_EQ(e.getErrorCode(), -19);
        ASSERT_EQ(e.getMessageCount(), 1u);
        EXPECT_EQ(e.getMessageN(0).getNumber(), kMsgLibraryCallFailed);
        EXPECT_EQ(e.getMessageN(0).getComponents().getParm(0).toText(),
                  I18NString("PYXBase64Decode"));
    }
    EXPECT_EQ(clear, I18NString("unchanged"));
    Header::decryptValue(0, "", clear);  // nothing to do, no service call
    EXPECT_EQ(clear, I18NString("unchanged"));
}

TEST(BusHeaderDecrypt, ForeignDataFailsWithTheServiceDetails) {
    I18NString clear;
    try {
        Header::decryptValue(0, "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA", clear);
        FAIL();
    } catch (VOR_AAA_Exception& e) {
        EXPECT_EQ(e.getErrorCode(), -19);
        ASSERT_GE(e.getMessageCount(), 1u);
        const uint32_t first = e.getMessageN(0).getNumber();
        EXPECT_TRUE(first == kMsgStepFailed || first == kMsgLibraryCallFailed);
        EXPECT_EQ(e.getMessageN(0).getComponents().getParm(0).toText(),
                  I18NString("VOR_UnprotectData"));
    }
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
