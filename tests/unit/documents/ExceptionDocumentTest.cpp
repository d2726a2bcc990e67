// The exception family and the exception document: filling from each kind of exception
// (prompts included), writing and reading back, and the bus header's merge rule. The host reads
// these documents from the real provider in the integration tests, which hold their form.
#include "VOR_AAA_Exception.h"
#include "VOR_AAA_Messages.h"
#include "VOR_AAA_OMException.h"

#include <gtest/gtest.h>

#include <cstring>
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

std::vector<std::string> column(const Doc& doc, I18NString Doc::DisplayObject::*field) {
    std::vector<std::string> values;
    for (const auto& object : doc.GetDisplayObjects()) {
        values.push_back((object.*field).utf8());
    }
    return values;
}

TEST(ExceptionDocumentFill, LogonAsPrompt) {
    Doc doc;
    doc.SetFrom(VOR_AAA_AuthUserRecoverableException_LogonAs("ns1", "Ridge", "bob"), "en-us");
    EXPECT_EQ(doc.GetErrorCode(), -36);
    EXPECT_EQ(doc.GetErrorCodeString(), I18NString("vorAuthUserRecoverable"));
    EXPECT_EQ(doc.GetSeverity(), I18NString("error"));
    EXPECT_EQ(doc.GetCaptions(), std::vector<I18NString>{en(kMsgLogonCaption)});
    EXPECT_EQ(column(doc, &Doc::DisplayObject::type),
              (std::vector<std::string>{"hidden", "display", "text", "textnoecho", "hidden"}));
    EXPECT_EQ(column(doc, &Doc::DisplayObject::name),
              (std::vector<std::string>{"VORNamespace", "VORNamespaceDisplayName", "VORUsername",
                                        "VORPassword", "h_VOR_action"}));
    EXPECT_EQ(column(doc, &Doc::DisplayObject::value),
              (std::vector<std::string>{"ns1", "Ridge", "bob", "", "logonAs"}));
    EXPECT_EQ(column(doc, &Doc::DisplayObject::caption),
              (std::vector<std::string>{"", en(kMsgNamespaceCaption).utf8(),
                                        en(kMsgUserNameCaption).utf8(),
                                        en(kMsgPasswordCaption).utf8(), ""}));
}

TEST(ExceptionDocumentFill, LogonAsWithLeadingCaptionAndFixedUserName) {
    Doc doc;
    doc.SetFrom(VOR_AAA_AuthUserRecoverableException_LogonAs(VOR_AAA_Message(kMsgAuthUnrecoverable),
                                                             "ns1", "Ridge", "bob", false),
                "en-us");
    EXPECT_EQ(doc.GetCaptions(),
              (std::vector<I18NString>{en(kMsgAuthUnrecoverable), en(kMsgLogonCaption)}));
    EXPECT_EQ(doc.GetDisplayObjects().at(2).type, I18NString("display"));

    // Captions are rendered in the request's locale.
    Doc french;
    french.SetFrom(VOR_AAA_AuthUserRecoverableException_LogonAs("ns1", "Ridge", "bob"), "fr-ca");
    EXPECT_EQ(french.GetCaptions().at(0), VOR_AAA_Message(kMsgLogonCaption).render("fr"));
    EXPECT_NE(french.GetCaptions().at(0), en(kMsgLogonCaption));
}

TEST(ExceptionDocumentFill, ChangePasswordPrompt) {
    Doc doc;
    doc.SetFrom(VOR_AAA_AuthUserRecoverableException_ChangePassword2(
                    "ns1", "Ridge", "bob", "uid=bob,o=r", "Bob B", "logonExpired"),
                "en-us");
    EXPECT_EQ(
        column(doc, &Doc::DisplayObject::type),
        (std::vector<std::string>{"hidden", "display", "hidden", "hidden", "display", "textnoecho",
                                  "verifytextnoecho", "verifytextnoecho", "hidden"}));
    EXPECT_EQ(column(doc, &Doc::DisplayObject::name),
              (std::vector<std::string>{"VORNamespace", "VORNamespaceDisplayName", "VORUsername",
                                        "VORUserDN", "VORUserNameForDisplay", "VOROldPassword",
                                        "VORNewPassword", "VORNewPassword", "h_VOR_action"}));
    EXPECT_EQ(column(doc, &Doc::DisplayObject::value),
              (std::vector<std::string>{"ns1", "Ridge", "bob", "uid=bob,o=r", "Bob B", "", "", "",
                                        "logonExpired"}));
    EXPECT_EQ(doc.GetDisplayObjects().at(6).caption, en(kMsgNewPasswordCaption));
    EXPECT_EQ(doc.GetDisplayObjects().at(7).caption, en(kMsgConfirmPasswordCaption));
    EXPECT_TRUE(doc.GetCaptions().empty());
}

TEST(ExceptionDocumentFill, GenerateTCPrompt) {
    Doc doc;
    doc.SetFrom(VOR_AAA_AuthUserRecoverableException_GenerateTC("ns1", "Ridge", "bob", "Bob B"),
                "en-us");
    EXPECT_EQ(column(doc, &Doc::DisplayObject::name),
              (std::vector<std::string>{"VORNamespace", "VORNamespaceDisplayName", "VORUsername",
                                        "VORUserNameForDisplay", "VORPassword", "h_VOR_action"}));
    EXPECT_EQ(doc.GetDisplayObjects().back().value, I18NString("generateTC"));
    EXPECT_EQ(doc.GetDisplayObjects().at(4).type, I18NString("textnoecho"));
}

TEST(ExceptionDocumentFill, InvalidPassportNestsItsMessage) {
    Doc doc;
    doc.SetFrom(VOR_AAA_InvalidPassportID("p-17"), "en-us");
    EXPECT_EQ(doc.GetErrorCode(), -38);
    EXPECT_EQ(doc.GetErrorCodeString(), I18NString("vorAuthUnrecoverable"));
    EXPECT_EQ(doc.GetCaptions(), std::vector<I18NString>{en(kMsgAuthUnrecoverable)});
    ASSERT_EQ(doc.GetMessages().size(), 1u);
    EXPECT_EQ(doc.GetMessages()[0].nestingLevel, 1);
    EXPECT_EQ(doc.GetMessages()[0].text,
              (VOR_AAA_Message(kMsgInvalidPassportID) << I18NString("p-17")).render("en-us"));
    EXPECT_NE(doc.GetMessages()[0].text.utf8().find("p-17"), std::string::npos);
}

TEST(ExceptionDocumentFill, ChallengesCarryTheirBlob) {
    Doc system;
    system.SetFrom(VOR_AAA_AuthSystemRecoverableException("Y2hhbGxlbmdl"), "en-us");
    EXPECT_EQ(system.GetErrorCode(), -37);
    EXPECT_EQ(system.GetErrorCodeString(), I18NString("vorAuthSystemRecoverable"));
    EXPECT_EQ(system.GetSecurityBlob(), I18NString("Y2hhbGxlbmdl"));
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

TEST(ExceptionFamily, ClonesKeepTypePromptsAndCaptions) {
    VOR_AAA_AuthUserRecoverableException_LogonAs original("ns1", "Ridge", "bob");
    std::unique_ptr<PYXThrowable> copy(original.clone());
    auto* logon = dynamic_cast<VOR_AAA_AuthUserRecoverableException_LogonAs*>(copy.get());
    ASSERT_NE(logon, nullptr);
    EXPECT_STREQ(copy->className(), "VOR_AAA_AuthUserRecoverableException_LogonAs");
    EXPECT_EQ(logon->GetDisplayObjects().size(), 5u);
    EXPECT_EQ(logon->GetCaptions().size(), 1u);
    try {
        copy->raise("here.cpp", 7, "test");
    } catch (VOR_AAA_AuthUserRecoverableException& e) {
        EXPECT_EQ(e.getErrorCode(), -36);
        EXPECT_EQ(e.getBackTrace().back().function, "test");
    }
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

TEST(ExceptionDocumentReader, OtherRootGivesAnEmptyDocumentAndLoadReplaces) {
    Doc doc = fullDocument();
    const char* text = "<notAnException><severity>error</severity></notAnException>";
    doc.Load(text, std::strlen(text));
    EXPECT_TRUE(doc.IsEmpty());
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
    const I18NString earlier = doc.GetMessages().at(0).text;
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

TEST(ExceptionDocumentMerge, PromptsOfTheNewFailureAreNotTaken) {
    Doc doc;
    doc.AddException(VOR_AAA_AuthUserRecoverableException_LogonAs("ns", "N", "u"), "en-us");
    EXPECT_EQ(doc.GetErrorCode(), -36);
    EXPECT_EQ(doc.GetCaptions().size(), 1u);
    EXPECT_TRUE(doc.GetDisplayObjects().empty());
}

}  // namespace
