// Credentials document, visa, authenticate document and authenticate response: readers on
// real-shaped input, lookups, the writers' rules and round trips. The host reads visas and
// authenticate responses from the real provider in the integration tests, which hold their
// form.
#include "VOR_AAA_AdditionalInfo.h"
#include "VOR_AAA_AuthDoc.h"
#include "VOR_AAA_AuthResponse.h"
#include "VOR_AAA_Const.h"
#include "VOR_AAA_CredentialsDoc.h"
#include "VOR_AAA_Exception.h"
#include "VOR_AAA_Visa.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using C = VOR_AAA_Const;
using Creds = VOR_AAA_CredentialsDoc;

std::string S(const char* text) {
    return text;
}

template <typename Doc>
void load(Doc& doc, const std::string& text) {
    doc.Load(text.data(), text.size());
}

// ---- credentials ----

TEST(CredentialsDoc, SingleCredentialWritesBackWithoutWrapperAndPrimary) {
    Creds creds;
    load(creds,
         "<credential><namespace>ns</namespace><username>a&amp;b</username>"
         "<primary>true</primary><zeta>z</zeta><alpha>1</alpha></credential>");
    EXPECT_FALSE(creds.IsWrapped());
    const std::string text = creds.ToString();
    EXPECT_EQ(text.find("primary"), std::string::npos) << text;
    Creds read;
    load(read, text);
    I18NString value;
    EXPECT_TRUE(read.GetValue("username", value));
    EXPECT_EQ(value, I18NString("a&b"));
    EXPECT_TRUE(read.GetValue("zeta", value));
}

TEST(CredentialsDoc, ListWithPrimaryPasswordAndCertificate) {
    Creds creds;
    load(creds,
         "<c:credentials xmlns:c=\"urn:c\"><c:credential><c:namespace>ns1</c:namespace>"
         "<c:password/><c:primary>TRUE</c:primary><c:Certificate>CERT</c:Certificate>"
         "<c:deep><c:x>ignored</c:x></c:deep></c:credential><c:credential/>"
         "<c:credential><c:namespace>ns2</c:namespace><c:username>u2</c:username>"
         "<c:password>p2</c:password></c:credential></c:credentials>");
    ASSERT_EQ(creds.GetCredentials().size(), 2u);  // the empty credential adds no entry
    const Creds::Credential& first = creds.GetCredentials()[0];
    EXPECT_TRUE(first.primary);
    EXPECT_TRUE(first.hasPassword);
    EXPECT_EQ(first.values.at(I18NString("deep")), I18NString("ignored"));
    Creds read;
    load(read, creds.ToString());
    ASSERT_EQ(read.GetCredentials().size(), 2u);
    EXPECT_TRUE(read.GetCredentials()[0].primary);
    EXPECT_EQ(read.GetCredentials()[1].values, creds.GetCredentials()[1].values);
}

TEST(CredentialsDoc, LookupsUseTheFirstListedNamespace) {
    Creds creds;
    load(creds,
         "<credentials><credential><namespace>ns1</namespace><password></password>"
         "<role>r1</role></credential><credential><namespace>ns2</namespace>"
         "<username>u2</username></credential></credentials>");
    I18NString value = "before";
    EXPECT_TRUE(creds.GetValue("password", value));  // present, though empty
    EXPECT_TRUE(value.empty());
    EXPECT_FALSE(creds.GetValue("username", value));
    EXPECT_TRUE(creds.GetValue("role", value));
    EXPECT_EQ(value, I18NString("r1"));

    creds.SetNamespaces({"ns2"});
    EXPECT_TRUE(creds.GetValue("username", value));
    EXPECT_EQ(value, I18NString("u2"));
    EXPECT_FALSE(creds.GetValue("password", value));  // no password element at all
    EXPECT_FALSE(Creds().GetValue("namespace", value));
}

TEST(CredentialsDoc, RemovingAnEntryForgetsItsNamespace) {
    Creds creds;
    load(creds,
         "<credentials><credential><namespace>a</namespace></credential>"
         "<credential><namespace>b</namespace></credential></credentials>");
    creds.RemoveCredential(0);
    ASSERT_EQ(creds.GetNamespaces().size(), 1u);
    EXPECT_EQ(creds.GetNamespaces()[0], I18NString("b"));
    Creds other;
    other.Merge(creds);
    I18NString ns;
    EXPECT_TRUE(other.GetValue("namespace", ns));
    EXPECT_EQ(ns, I18NString("b"));
}

// ---- visa ----

// Roles keep their order and duplicates, groups are a sorted set; values and identifiers with
// markup read back as they were.
TEST(Visa, RolesKeepOrderAndDuplicatesGroupsAreASortedSet) {
    VOR_AAA_Visa visa;
    EXPECT_EQ(visa.ToString(), "");  // an empty visa writes nothing
    visa.SetNamespaceID("VORID('a'b')");
    visa.SetVisaID("V1");
    visa.SetUserID("u<1>");
    for (const char* role : {"r2", "r1", "r2"}) {
        visa.AddRole(role);
    }
    for (const char* group : {"g2", "g1", "g2"}) {
        visa.AddGroup(group);
    }
    visa.SetValue("ticket", "T&1");
    visa.SetValue("as_session", "42");
    VOR_AAA_Visa read;
    const std::string text = visa.ToString();
    load(read, text);
    EXPECT_TRUE(read.IsComplete());
    EXPECT_EQ(read.GetNamespaceID(), I18NString("VORID('a'b')"));
    EXPECT_EQ(read.GetUserID(), I18NString("u<1>"));
    EXPECT_EQ(read.GetRoles(), (std::vector<I18NString>{"r2", "r1", "r2"}));
    EXPECT_EQ(read.GetGroups(), (std::set<I18NString>{"g1", "g2"}));
    I18NString value;
    EXPECT_TRUE(read.GetValue("ticket", value));
    EXPECT_EQ(value, I18NString("T&1"));
    EXPECT_EQ(read.ToString(), text);
}

// ---- authenticate document ----

// As a framework sends it: default namespace, a header with form fields, a visa.
std::string frameworkAuthenticateDocument() {
    return "<authenticateDocument xmlns=\"" + S(C::Text::kAAANamespaceURI) +
           "\" passportID=\"PASS1\">"
           "<bus:biBusHeader xmlns:bus=\"" +
           C::Text::kBusNamespaceURI +
           "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
           "<additionalInfo><productLocale>de-de</productLocale></additionalInfo>"
           "<bus:VOR xsi:type=\"bus:VOR\"><action>logon</action><future>x</future></bus:VOR>"
           "<bus:hdrSession><bus:formFieldVars><item><name>VORNamespace</name>"
           "<value>ridge</value></item><item><name>VORUsername</name><value>ann</value></item>"
           "</bus:formFieldVars><bus:setCookieVars><item><name>k</name><value>v</value>"
           "</item></bus:setCookieVars></bus:hdrSession></bus:biBusHeader>"
           "<visa namespaceID=\"ridge\"><object id=\"V\" class=\"visa\">"
           "<object id=\"u1\" class=\"user\"/></object></visa>"
           "</authenticateDocument>";
}

TEST(AuthDoc, ReadsWhatAFrameworkSends) {
    VOR_AAA_AuthDoc doc;
    load(doc, frameworkAuthenticateDocument());
    EXPECT_EQ(doc.GetAction(), VOR_AAA_BiBusHeader::kActionLogon);
    EXPECT_EQ(doc.GetPassportID(), I18NString("PASS1"));
    EXPECT_EQ(doc.GetAdditionalInfo().GetProductLocale(), I18NString("de-de"));
    I18NString value;
    doc.GetNamespaceID(value);
    EXPECT_EQ(value, I18NString("ridge"));
    EXPECT_TRUE(doc.GetFormFieldValue("VORUsername", value));
    EXPECT_EQ(value, I18NString("ann"));
    ASSERT_NE(doc.GetVisa(), nullptr);
    EXPECT_TRUE(doc.OwnsVisa());
    EXPECT_EQ(doc.GetVisa()->GetUserID(), I18NString("u1"));
    EXPECT_TRUE(doc.GetVisa()->IsComplete());

    VOR_AAA_AuthDoc copy(doc);  // the copy owns a visa of its own
    ASSERT_NE(copy.GetVisa(), nullptr);
    EXPECT_NE(copy.GetVisa(), doc.GetVisa());
    EXPECT_EQ(copy.ToString(), doc.ToString());
}

std::string withFormNamespace(const std::string& afterHeader) {
    return "<authenticateDocument><biBusHeader><hdrSession><formFieldVars><item>"
           "<name>VORNamespace</name><value>form</value></item></formFieldVars></hdrSession>"
           "</biBusHeader>" +
           afterHeader + "</authenticateDocument>";
}

TEST(AuthDoc, TrustedCredentialValuesComeFromTheHeaderTextOnly) {
    VOR_AAA_AuthDoc doc;
    load(doc, withFormNamespace("<credential><namespace>own</namespace>"
                                "<Certificate>C</Certificate></credential>"));
    ASSERT_TRUE(doc.GetTrustedCredentialDoc().HasCredentials());
    I18NString value;
    EXPECT_FALSE(doc.GetTrustedCredentialValue("Certificate", value));
    EXPECT_FALSE(doc.GetTrustedCredentialValue("namespace", value));

    doc.SetTrustedCredential(
        "<credential><namespace>hdr</namespace><Certificate>H</Certificate></credential>");
    EXPECT_TRUE(doc.GetTrustedCredentialValue("Certificate", value));
    EXPECT_EQ(value, I18NString("H"));
    doc.GetNamespaceID(value);
    EXPECT_EQ(value, I18NString("hdr"));
}

// ---- authenticate response ----

TEST(AuthResponse, RoundTripWithVisaExceptionAndVariables) {
    VOR_AAA_AuthResponse response;
    VOR_AAA_Visa visa;
    visa.SetNamespaceID("ns");
    visa.SetUserID("u");
    visa.SetValue("as_session", "7");
    response.SetVisa(visa);
    response.GetException().SetErrorCode(-36);
    response.GetException().AddMessage(0, "log on");
    response.AddCredentialValue("username", "ann");
    response.AddCredentialValue("role", "r1");
    response.AddCredentialValue("role", "r&2");
    response.AddCredentialValue("none", "");
    response.AddSetCookieVar("AS_TICKET", "T<1>", "/", "-1", "d", "true");
    response.AddFormFieldVar("f", "v&w");
    const std::string text = response.ToString();
    EXPECT_NE(text.find("<none/>"), std::string::npos) << text;  // a name without a value
    VOR_AAA_AuthResponse read;
    load(read, text);
    EXPECT_EQ(read.ToString(), text);
    EXPECT_EQ(read.GetException().GetErrorCode(), -36);
    ASSERT_EQ(read.GetSetCookieVars().size(), 1u);
    EXPECT_EQ(read.GetSetCookieVars()[0].value, I18NString("T<1>"));
}

}  // namespace
