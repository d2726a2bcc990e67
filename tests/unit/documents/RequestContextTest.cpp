// The request-context documents: additional information, the set-namespace-version document
// and the environment list.
#include "PYXBase64.h"
#include "VOR_AAA_AdditionalInfo.h"
#include "VOR_AAA_Const.h"
#include "VOR_AAA_Env.h"
#include "VOR_AAA_SetNamespaceVersion.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

const std::string kBus = VOR_AAA_Const::Text::kBusNamespaceURI;

template <typename Document>
Document loaded(const std::string& text) {
    Document doc;
    doc.Load(text.data(), text.size());
    return doc;
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
    // An ancestor's search path has its VORID delimiters escaped inside the quotes.
    info.GetAncestors() = {{"account", "VORID(\"n\"s:u:authid=1\")", "Bob & Co"}};
    EXPECT_NE(info.ToString().find("<searchPath>VORID(&quot;n&amp;quot;s:u:authid=1&quot;)"
                                   "</searchPath>"),
              std::string::npos)
        << info.ToString();
    VOR_AAA_AdditionalInfo back = loaded<VOR_AAA_AdditionalInfo>(info.ToString());
    EXPECT_EQ(back.GetAncestors(), info.GetAncestors());
    EXPECT_EQ(back.GetTypedLogger(), I18NString(u"Logger\u00e9 a<b"));
    // The request context read is appended to its default single space.
    EXPECT_EQ(back.GetRequestContext(), I18NString(" req&1"));
    back.SetRequestContext("req&1");
    EXPECT_EQ(back.ToString(), info.ToString());
}

// What a document leaves out keeps its default, the ancestors until the first one is read; the
// reader takes other prefixes, unknown elements and text split by a comment.
TEST(AdditionalInfo, ReaderKeepsDefaultsUntilReplaced) {
    auto partial = loaded<VOR_AAA_AdditionalInfo>(
        "<additionalInfo><productLocale>fr</productLocale></additionalInfo>");
    EXPECT_EQ(partial.GetProductLocale(), I18NString("fr"));
    EXPECT_EQ(partial.GetContentLocale(), I18NString("en-us"));
    EXPECT_EQ(partial.GetTypedLogger(), I18NString("Audit.RTUsage"));
    EXPECT_EQ(partial.GetAncestors().at(0).searchPath, I18NString("/directory"));

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

// ---- set-namespace-version ----

TEST(SetNamespaceVersion, ExactFormRoundTripAndOnlyKnownVersions) {
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

    // Only known format versions are kept.
    const char* uri = VOR_AAA_Const::Text::kNamespaceFormatURI2;
    auto known = loaded<VOR_AAA_SetNamespaceVersion>(
        std::string("<setNamespceVersionDocument><namespaceVersion>") + uri +
        "</namespaceVersion><namespaceID>ns1</namespaceID></setNamespceVersionDocument>");
    EXPECT_EQ(known.GetNamespaceVersion(), I18NString(uri));
    EXPECT_EQ(known.GetNamespaceID(), I18NString("ns1"));
    auto unknown = loaded<VOR_AAA_SetNamespaceVersion>(
        std::string("<setNamespceVersionDocument><namespaceVersion>") +
        VOR_AAA_Const::Text::kNamespaceFormatURI1 +
        " </namespaceVersion></setNamespceVersionDocument>");
    EXPECT_TRUE(unknown.GetNamespaceVersion().empty());
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
    EXPECT_TRUE(empty.Decode(empty.Encode()));  // an empty list is valid
    EXPECT_TRUE(empty.IsValid());
    EXPECT_TRUE(empty.GetEntries().empty());
    VOR_AAA_Env env;
    env.Add("b=2");
    env.Add("a=1");
    env.Add("a=1");
    EXPECT_EQ(env.Encode(), base64("Type=1 , a=1 , b=2"));
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
          base64("A=1 , Type=1"), std::string("")}) {
        EXPECT_FALSE(env.Decode(bad)) << bad;
        EXPECT_FALSE(env.IsValid());
        EXPECT_TRUE(env.GetEntries().empty());
    }
}

}  // namespace
