// The exception family and the exception document: filling from each kind of exception
// (prompts included), writing and reading back, and the bus header's merge rule. The host reads
// these documents from the real provider in the integration tests, which hold their form.
#include "VOR_AAA_Exception.h"
#include "VOR_AAA_Messages.h"
#include "VOR_AAA_OMException.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace VOR_AAA_Messages;
using Doc = VOR_AAA_OMException;

I18NString en(uint32_t number) {
    return VOR_AAA_Message(number).render("en-us");
}

Doc fullDocument(bool writeNamespaces = false) {
    Doc doc(writeNamespaces);
    doc.SetSeverity("error");
    doc.SetErrorCode(-36);
    doc.SetErrorCodeString("vorAuthUserRecoverable");
    doc.AddMessage(0, "first <1>");
    doc.AddMessage(2, "second");
    doc.SetSecurityBlob("blob");
    doc.AddCaption("Log on");
    Doc::DisplayObject role;
    role.type = "singleselect";
    role.name = "VORRole";
    role.caption = "Role";
    role.promptOptions = {{"r1", "Admin", true}, {"r2", "User & co", false}};
    doc.AddDisplayObject(role);
    return doc;
}

TEST(ExceptionDocumentWriter, EmptyDocumentWritesNothingAndCaptionsAloneArePromptInfo) {
    Doc doc(true);
    EXPECT_TRUE(doc.IsEmpty());
    EXPECT_EQ(doc.ToString(), "");
    doc.AddMessage(0, "");
    EXPECT_FALSE(doc.IsEmpty());

    Doc captions(true);
    captions.AddCaption("Please log on");
    const std::string text = captions.ToString();
    EXPECT_NE(text.find("<promptInfo"), std::string::npos) << text;
    Doc read;
    read.Load(text.data(), text.size());
    EXPECT_EQ(read.GetCaptions(), captions.GetCaptions());
}

// ---- filling from exceptions ----

Doc filled(const PYXException& e, const char* locale = "en-us") {
    Doc doc;
    doc.SetFrom(e, locale);
    return doc;
}

// The sign-on integration tests hold the fields of the logon and password-change prompts; here
// what they do not show: no secret field echoes or carries a value, each prompt posts back its
// action, and the generate-ticket prompt's fields.
TEST(ExceptionDocumentFill, PromptsHideSecretsAndPostTheirAction) {
    const std::pair<Doc, const char*> prompts[] = {
        {filled(VOR_AAA_AuthUserRecoverableException_LogonAs("ns1", "Ridge", "bob")), "logonAs"},
        {filled(VOR_AAA_AuthUserRecoverableException_ChangePassword2(
             "ns1", "Ridge", "bob", "uid=bob,o=r", "Bob B", "logonExpired")),
         "logonExpired"},
        {filled(VOR_AAA_AuthUserRecoverableException_GenerateTC("ns1", "Ridge", "bob", "Bob B")),
         "generateTC"}};
    for (const auto& [doc, action] : prompts) {
        SCOPED_TRACE(action);
        EXPECT_EQ(doc.GetErrorCode(), -36);
        EXPECT_EQ(doc.GetErrorCodeString(), I18NString("vorAuthUserRecoverable"));
        for (const Doc::DisplayObject& object : doc.GetDisplayObjects()) {
            if (object.name.utf8().find("Password") != std::string::npos) {
                EXPECT_NE(object.type.utf8().find("textnoecho"), std::string::npos) << object.name;
                EXPECT_TRUE(object.value.empty()) << object.name;
            }
        }
        ASSERT_FALSE(doc.GetDisplayObjects().empty());
        EXPECT_EQ(doc.GetDisplayObjects().back().name, I18NString("h_VOR_action"));
        EXPECT_EQ(doc.GetDisplayObjects().back().value, I18NString(action));
    }
    std::vector<std::string> names;
    for (const auto& object : prompts[2].first.GetDisplayObjects()) {
        names.push_back(object.name.utf8());
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"VORNamespace", "VORNamespaceDisplayName", "VORUsername",
                                        "VORUserNameForDisplay", "VORPassword", "h_VOR_action"}));
}

// A leading caption comes before the logon caption; captions follow the request's locale.
TEST(ExceptionDocumentFill, LogonAsCaptionsAndFixedUserName) {
    const Doc doc = filled(VOR_AAA_AuthUserRecoverableException_LogonAs(
        VOR_AAA_Message(kMsgAuthUnrecoverable), "ns1", "Ridge", "bob", false));
    EXPECT_EQ(doc.GetCaptions(),
              (std::vector<I18NString>{en(kMsgAuthUnrecoverable), en(kMsgLogonCaption)}));
    EXPECT_EQ(doc.GetDisplayObjects().at(2).type, I18NString("display"));

    const Doc french =
        filled(VOR_AAA_AuthUserRecoverableException_LogonAs("ns1", "Ridge", "bob"), "fr-ca");
    EXPECT_EQ(french.GetCaptions().at(0), VOR_AAA_Message(kMsgLogonCaption).render("fr"));
    EXPECT_NE(french.GetCaptions().at(0), en(kMsgLogonCaption));
}

// The system challenge's code and blob reach the host in the remote-user sign-on test.
TEST(ExceptionDocumentFill, TheNegotiateChallengeHasItsCode) {
    Doc negotiate;
    negotiate.SetFrom(VOR_AAA_AuthNegotiateRecoverableException("n"), "en-us");
    EXPECT_EQ(negotiate.GetErrorCode(), -51);
    EXPECT_EQ(negotiate.GetErrorCodeString(), I18NString("vorAuthNegotiate"));
}

TEST(ExceptionDocumentFill, ProviderCodeWinsAndPlatformSeverityIsNamed) {
    VOR_AAA_Exception provider(-30, VOR_AAA_Message(kMsgInternalError));
    provider.setErrorCode(5);
    Doc doc;
    doc.SetFrom(provider, "en-us");
    EXPECT_EQ(doc.GetErrorCode(), -30);

    PYXException warning(kPYXSeverityWarning, I18NString("careful"));
    Doc plain;
    plain.SetFrom(warning, "en-us");
    EXPECT_EQ(plain.GetSeverity(), I18NString("warning"));
    EXPECT_EQ(plain.GetErrorCode(), 0);
    ASSERT_EQ(plain.GetMessages().size(), 1u);
    EXPECT_EQ(plain.ToString().find("<errorCode"), std::string::npos);
}

// ---- reading ----

// Standing alone the document needs its namespace declarations (the prefixes of its xsi:type
// attributes must be bound); embedded, the envelope declares them.
TEST(ExceptionDocumentReader, RoundTripKeepsEverything) {
    const Doc original = fullDocument(true);
    const std::string text = original.ToString();
    Doc read;
    read.Load(text.data(), text.size());
    EXPECT_EQ(read.GetSeverity(), original.GetSeverity());
    EXPECT_EQ(read.GetErrorCodeString(), original.GetErrorCodeString());
    EXPECT_EQ(read.GetMessages(), original.GetMessages());
    EXPECT_EQ(read.GetSecurityBlob(), original.GetSecurityBlob());
    EXPECT_EQ(read.GetCaptions(), original.GetCaptions());
    EXPECT_EQ(read.GetDisplayObjects(), original.GetDisplayObjects());
    read.SetWriteNamespaces(true);
    EXPECT_EQ(read.ToString(), text);
}

TEST(ExceptionDocumentReader, PrefixesUnknownElementsAndSplitText) {
    const std::string text =
        "<b:exception xmlns:b=\"urn:b\"><b:severity>fa<![CDATA[ta]]>l</b:severity>"
        "<other><errorCode>99</errorCode></other><b:errorCode>-38 and more</b:errorCode>"
        "<b:messages><b:item><b:nestingLevel>x</b:nestingLevel><junk>j</junk>"
        "<b:messageString>a &amp; b</b:messageString></b:item></b:messages>"
        "<b:promptInfo><b:displayObjects><b:item><b:name>n</b:name><b:promptOptions>"
        "<b:item><b:id>VORID(\"ns:u:authid=1&amp;quot;\")</b:id><b:default>TRUE</b:default>"
        "</b:item></b:promptOptions></b:item></b:displayObjects></b:promptInfo>"
        "</b:exception>";
    Doc doc;
    doc.Load(text.data(), text.size());
    EXPECT_EQ(doc.GetSeverity(), I18NString("fatal"));
    EXPECT_EQ(doc.GetErrorCode(), -38);
    ASSERT_EQ(doc.GetMessages().size(), 1u);
    EXPECT_EQ(doc.GetMessages()[0].nestingLevel, 0);
    EXPECT_EQ(doc.GetMessages()[0].text, I18NString("a & b"));
    ASSERT_EQ(doc.GetDisplayObjects().size(), 1u);
    const auto& option = doc.GetDisplayObjects()[0].promptOptions.at(0);
    EXPECT_EQ(option.id, I18NString("VORID(\"ns:u:authid=1\"\")"));
    EXPECT_FALSE(option.isDefault);
}

// ---- the bus header's merge ----

TEST(ExceptionDocumentMerge, ReplacesAnythingButAnUnrecoverableFailure) {
    Doc doc;
    doc.SetFrom(VOR_AAA_AuthSystemRecoverableException("blob"), "en-us");
    VOR_AAA_Exception next(-48, VOR_AAA_Message(kMsgInternalError));
    doc.AddException(next, "en-us");
    EXPECT_EQ(doc.GetErrorCode(), -48);
    EXPECT_TRUE(doc.GetErrorCodeString().empty());
    EXPECT_TRUE(doc.GetSecurityBlob().empty());
    ASSERT_EQ(doc.GetMessages().size(), 1u);
    EXPECT_EQ(doc.GetMessages()[0].text, en(kMsgInternalError));
}

TEST(ExceptionDocumentMerge, NewFailureHeadsAndEarlierUnrecoverableNestsBelow) {
    Doc doc;
    doc.SetFrom(VOR_AAA_InvalidPassportID("p-1"), "en-us");  // one message at level 1
    EXPECT_EQ(doc.GetErrorCode(), -38);
    EXPECT_EQ(doc.GetCaptions(), std::vector<I18NString>{en(kMsgAuthUnrecoverable)});
    const I18NString earlier = doc.GetMessages().at(0).text;
    EXPECT_EQ(earlier,
              (VOR_AAA_Message(kMsgInvalidPassportID) << I18NString("p-1")).render("en-us"));
    VOR_AAA_Exception next(-48);
    next.addMessage(VOR_AAA_Message(kMsgInternalError));
    next.increaseNesting();
    next.addMessage(VOR_AAA_Message(kMsgDetail) << "detail");
    doc.AddException(next, "en-us");
    ASSERT_EQ(doc.GetMessages().size(), 3u);
    EXPECT_EQ(doc.GetMessages()[0], (Doc::Message{0, en(kMsgInternalError)}));
    EXPECT_EQ(doc.GetMessages()[1].nestingLevel, 1);
    EXPECT_EQ(doc.GetMessages()[2], (Doc::Message{1 + 2, earlier}));
    EXPECT_EQ(doc.GetErrorCodeString(), I18NString("vorAuthUnrecoverable"));
}

}  // namespace
