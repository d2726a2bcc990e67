// The request-context documents: additional information, the set-namespace-version document
// and the environment list.
#include "ExpectFailure.h"
#include "PYXBase64.h"
#include "VOR_AAA_AdditionalInfo.h"
#include "VOR_AAA_Const.h"
#include "VOR_AAA_Env.h"
#include "VOR_AAA_SetNamespaceVersion.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

using namespace documents_test;

const std::string kBus = VOR_AAA_Const::Text::kBusNamespaceURI;

template <typename Document>
Document loaded(const std::string& text) {
    Document doc;
    doc.Load(text.data(), text.size());
    return doc;
}

TEST(AdditionalInfo, DefaultsHaveTheirExactForm) {
    EXPECT_EQ(VOR_AAA_AdditionalInfo().ToString(),
              "<additionalInfo xmlns=\"" + kBus +
                  "\"><typedLogger>Audit.RTUsage</typedLogger><ancestors><value><item>"
                  "<objectClass>directory</objectClass><searchPath>/directory</searchPath>"
                  "<title>Directory</title></item></value></ancestors><productLocale>en-us"
                  "</productLocale><contentLocale>en-us</contentLocale><tracking><hopCount>"
                  "</hopCount><requestContext> </requestContext><sessionContext>"
                  "</sessionContext><stepContext></stepContext></tracking></additionalInfo>");
}

TEST(AdditionalInfo, AncestorSearchPathsEscapeVoridDelimiters) {
    VOR_AAA_AdditionalInfo info;
    info.GetAncestors() = {{"account", "VORID(\"n\"s:u:authid=1\")", "Bob & Co"}};
    const std::string text = info.ToString();
    EXPECT_NE(text.find("<item><objectClass>account</objectClass><searchPath>"
                        "VORID(&quot;n&amp;quot;s:u:authid=1&quot;)</searchPath>"
                        "<title>Bob &amp; Co</title></item>"),
              std::string::npos)
        << text;
    EXPECT_EQ(loaded<VOR_AAA_AdditionalInfo>(text).GetAncestors(), info.GetAncestors());
}

TEST(AdditionalInfo, RoundTripOfEveryField) {
    VOR_AAA_AdditionalInfo info;
    info.SetTypedLogger(u"Logger\u00e9 a<b");
    info.SetProductLocale("fr");
    info.SetContentLocale("ja-jp");
    info.SetHopCount("2");
    info.SetRequestContext("req&1");
    info.SetSessionContext("s\"1");
    info.SetStepContext("t'1");
    info.GetAncestors() = {{"directory", "/directory", "Directory"},
                           {"namespace", "VORID(\"ns\")", "Ridge"}};
    VOR_AAA_AdditionalInfo back = loaded<VOR_AAA_AdditionalInfo>(info.ToString());
    EXPECT_EQ(back.GetTypedLogger(), I18NString(u"Logger\u00e9 a<b"));
    EXPECT_EQ(back.GetAncestors().size(), 2u);
    // The request context read is appended to its default single space.
    EXPECT_EQ(back.GetRequestContext(), I18NString(" req&1"));
    back.SetRequestContext("req&1");
    EXPECT_EQ(back.ToString(), info.ToString());
}

// What a document leaves out keeps its default; the request context is appended to its default.
TEST(AdditionalInfo, PartialDocumentKeepsDefaultsAndTrackingTextsAppend) {
    auto info = loaded<VOR_AAA_AdditionalInfo>(
        "<additionalInfo><productLocale>fr</productLocale></additionalInfo>");
    EXPECT_EQ(info.GetProductLocale(), I18NString("fr"));
    EXPECT_EQ(info.GetContentLocale(), I18NString("en-us"));
    EXPECT_EQ(info.GetTypedLogger(), I18NString("Audit.RTUsage"));
    EXPECT_EQ(info.GetRequestContext(), I18NString(" "));
    ASSERT_EQ(info.GetAncestors().size(), 1u);
    EXPECT_EQ(info.GetAncestors()[0].searchPath, I18NString("/directory"));

    auto tracked = loaded<VOR_AAA_AdditionalInfo>(
        "<additionalInfo><typedLogger>L</typedLogger><tracking><hopCount>2</hopCount>"
        "<requestContext>r1</requestContext><sessionContext>s1</sessionContext>"
        "<stepContext>t1</stepContext></tracking></additionalInfo>");
    EXPECT_EQ(tracked.GetTypedLogger(), I18NString("L"));
    EXPECT_EQ(tracked.GetHopCount(), I18NString("2"));
    EXPECT_EQ(tracked.GetRequestContext(), I18NString(" r1"));
    EXPECT_EQ(tracked.GetSessionContext(), I18NString("s1"));
    EXPECT_EQ(tracked.GetStepContext(), I18NString("t1"));
}

TEST(AdditionalInfo, FirstAncestorReadReplacesTheDefaultList) {
    auto info = loaded<VOR_AAA_AdditionalInfo>(
        "<x:additionalInfo xmlns:x=\"urn:x\"><x:ancestors><x:value>"
        "<x:item><x:objectClass>a</x:objectClass><x:title>A</x:title></x:item>"
        "<x:item><x:searchPath>VORID(&quot;p&amp;quot;q&quot;)</x:searchPath><x:unknown>u"
        "</x:unknown></x:item></x:value></x:ancestors><x:tracking><x:hopCount>1</x:hopCount>"
        "<x:stepContext>s<!-- split -->t</x:stepContext></x:tracking></x:additionalInfo>");
    ASSERT_EQ(info.GetAncestors().size(), 2u);
    EXPECT_EQ(info.GetAncestors()[0], (VOR_AAA_Ancestor{"a", "", "A"}));
    EXPECT_EQ(info.GetAncestors()[1].searchPath, I18NString("VORID(\"p\"q\")"));
    EXPECT_EQ(info.GetHopCount(), I18NString("1"));
    EXPECT_EQ(info.GetStepContext(), I18NString("st"));
}

TEST(AdditionalInfo, EmptyElementsClearAndWrongNestingIsIgnored) {
    auto info = loaded<VOR_AAA_AdditionalInfo>(
        "<additionalInfo><typedLogger/><tracking><productLocale>xx</productLocale>"
        "<requestContext/></tracking><wrapper><contentLocale>yy</contentLocale></wrapper>"
        "</additionalInfo>");
    EXPECT_TRUE(info.GetTypedLogger().empty());
    EXPECT_EQ(info.GetRequestContext(), I18NString(" "));
    EXPECT_EQ(info.GetProductLocale(), I18NString("en-us"));
    EXPECT_EQ(info.GetContentLocale(), I18NString("en-us"));
}

// ---- set-namespace-version ----

TEST(SetNamespaceVersion, ExactFormAndRoundTripOfADelimitedIdentifier) {
    VOR_AAA_SetNamespaceVersion doc;
    doc.SetNamespaceID("VORID(\"a\"b\") & c");
    doc.SetNamespaceVersion(VOR_AAA_Const::Text::kNamespaceFormatURI3);
    const std::string text = doc.ToString();
    EXPECT_EQ(text, std::string("<setNamespceVersionDocument><namespaceID>VORID(&quot;a&amp;quot;b"
                                "&quot;) &amp; c</namespaceID><namespaceVersion>") +
                        VOR_AAA_Const::Text::kNamespaceFormatURI3 +
                        "</namespaceVersion></setNamespceVersionDocument>");
    auto back = loaded<VOR_AAA_SetNamespaceVersion>(text);
    EXPECT_EQ(back.GetNamespaceID(), doc.GetNamespaceID());
    EXPECT_EQ(back.GetNamespaceVersion(), doc.GetNamespaceVersion());
}

TEST(SetNamespaceVersion, OnlyKnownFormatVersionsAreKept) {
    for (const char* uri :
         {VOR_AAA_Const::Text::kNamespaceFormatURI1, VOR_AAA_Const::Text::kNamespaceFormatURI2}) {
        auto doc = loaded<VOR_AAA_SetNamespaceVersion>(
            std::string("<setNamespceVersionDocument><namespaceVersion>") + uri +
            "</namespaceVersion><namespaceID>ns1</namespaceID></setNamespceVersionDocument>");
        EXPECT_EQ(doc.GetNamespaceVersion(), I18NString(uri));
        EXPECT_EQ(doc.GetNamespaceID(), I18NString("ns1"));
    }
    auto unknown = loaded<VOR_AAA_SetNamespaceVersion>(
        std::string("<setNamespceVersionDocument><namespaceVersion>") +
        VOR_AAA_Const::Text::kNamespaceFormatURI1 +
        " </namespaceVersion></setNamespceVersionDocument>");
    EXPECT_TRUE(unknown.GetNamespaceVersion().empty());
}

TEST(SetNamespaceVersion, CorrectlySpelledRootIsNotTheDocument) {
    auto doc = loaded<VOR_AAA_SetNamespaceVersion>(
        "<setNamespaceVersionDocument><namespaceID>ns1</namespaceID>"
        "</setNamespaceVersionDocument>");
    EXPECT_TRUE(doc.GetNamespaceID().empty());
    VOR_AAA_SetNamespaceVersion bad;
    if (auto e = ExpectFailure(-19, {kMsgDocumentNotParsed, kMsgPublicIdentifier, kMsgDetail},
                               [&] { bad.Load("<setNamespceVersionDocument>", 28); })) {
        EXPECT_EQ(Parameter(*e, 0), I18NString("setNamespaceVersion"));
    }
}

// ---- environment list ----

std::string base64(const std::string& plain) {
    std::string out(PYXBase64EncodedSize(plain.size()), '\0');
    PYXBase64Encode(plain.data(), plain.size(), out.data(), 0);
    return out;
}

TEST(Env, EncodesHeaderAndNamesInOrder) {
    VOR_AAA_Env empty;
    EXPECT_EQ(empty.Encode(), base64("Type=1 , "));
    VOR_AAA_Env env;
    env.Add("b=2");
    env.Add("a=1");
    env.Add("a=1");
    EXPECT_EQ(env.Encode(), base64("Type=1 , a=1 , b=2"));
}

TEST(Env, EmptyListDecodesValidWithoutEntries) {
    VOR_AAA_Env env;
    EXPECT_TRUE(env.Decode(VOR_AAA_Env().Encode()));
    EXPECT_TRUE(env.IsValid());
    EXPECT_TRUE(env.GetEntries().empty());
}

TEST(Env, RoundTripWithEscapedEqualsAndCommas) {
    VOR_AAA_Env env;
    env.Add("REMOTE_USER=bob");
    env.Add("QUERY=a\\=b\\,c");
    env.Add("PATH=x=y,z");
    env.Add("NAME=J\xc3\xbcrgen");
    env.Add("FLAG");
    env.Add("WIN=C:\\dir\\n");
    VOR_AAA_Env back;
    ASSERT_TRUE(back.Decode(env.Encode()));
    const std::map<std::string, std::string> expected = {
        {"FLAG", ""},       {"NAME", "J\xc3\xbcrgen"}, {"PATH", "x=y,z"},
        {"QUERY", "a=b,c"}, {"REMOTE_USER", "bob"},    {"WIN", "C:\\dir\\n"}};
    EXPECT_EQ(back.GetEntries(), expected);
}

// The header's type is read as a number; anything else about it makes the list invalid.
TEST(Env, InvalidTextYieldsNoEntries) {
    VOR_AAA_Env env;
    ASSERT_TRUE(env.Decode(base64("Type=01 , A=1")));
    EXPECT_EQ(env.GetEntries(), (std::map<std::string, std::string>{{"A", "1"}}));
    for (const std::string& bad :
         {std::string("not base64!"), base64("Type=2 , A=1"), base64("Type=1, A=1"),
          base64("A=1 , Type=1"), base64("Type=11 , A=1"), base64("Type=0 , A=1"),
          base64("Type= , A=1"), std::string("")}) {
        EXPECT_FALSE(env.Decode(bad)) << bad;
        EXPECT_FALSE(env.IsValid());
        EXPECT_TRUE(env.GetEntries().empty());
    }
}

}  // namespace
