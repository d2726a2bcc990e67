// The host's own XML handling: what it reads from configurations and responses, and the element
// copy it writes for visa files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "HostDocuments.h"
#include "HostError.h"
#include "ResponsePrinter.h"
#include "XmlScanner.h"
#include "XmlTree.h"

namespace basalt_host {
namespace {

using ::testing::HasSubstr;

class HostDocuments : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_xerces = new XercesSession; }
    static void TearDownTestSuite() { delete s_xerces; }
    static inline XercesSession* s_xerces = nullptr;
};

TEST_F(HostDocuments, CopiedElementCarriesInheritedNamespacesAndEscapes) {
    auto root = parseXml(
        "<r:response xmlns:r=\"urn:r\" xmlns=\"urn:default\" xmlns:x=\"urn:x\">"
        "<visa xmlns=\"urn:visa\" id=\"a&amp;b\"><x:object class='user'>&lt;u&gt;</x:object>"
        "</visa></r:response>",
        "test document");
    const XmlElement* visa = root->child("visa");
    ASSERT_NE(visa, nullptr);
    std::string copy = serializeXml(*visa);
    // Its own default namespace wins over the ancestor's; the prefixes it uses come along.
    EXPECT_EQ(copy,
              "<visa xmlns:r=\"urn:r\" xmlns:x=\"urn:x\" xmlns=\"urn:visa\" id=\"a&amp;b\">"
              "<x:object class=\"user\">&lt;u&gt;</x:object></visa>");
    auto again = parseXml(copy, "copy");
    EXPECT_EQ(again->child("object")->text, "<u>");
    EXPECT_EQ(again->attribute("id"), "a&b");
}

// Every width of UTF-8 comes back as it went in, in names, values and text split by references.
TEST_F(HostDocuments, TextOfEveryWidthSurvivesTheReader) {
    const std::string text = "Jules J\xC3\xA9gou \xE2\x82\xAC \xF0\x9F\x98\x80";
    auto root = parseXml("<r na\xC3\xAFve=\"" + text + "\">" + text + "&amp;" + text + "</r>",
                         "test document");
    EXPECT_EQ(root->attribute("na\xC3\xAFve"), text);
    EXPECT_EQ(root->text, text + "&" + text);
}

TEST_F(HostDocuments, ReaderRejectsMalformedTextAndDoctypes) {
    try {
        parseXml("<a>\n<b></a>", "sample");
        FAIL() << "malformed text accepted";
    } catch (const HostError& error) {
        EXPECT_THAT(error.what(), HasSubstr("the sample is not well-formed XML (line 2"));
    }
    // An entity bomb never gets as far as expansion.
    EXPECT_THROW(parseXml("<!DOCTYPE a [<!ENTITY x \"xxxxxxxx\"><!ENTITY y \"&x;&x;&x;&x;\">]>"
                          "<a>&y;</a>",
                          "sample"),
                 HostError);
    EXPECT_THROW(parseXml("<!DOCTYPE a SYSTEM \"/etc/passwd\"><a/>", "sample"), HostError);
    EXPECT_THROW(parseXml("", "sample"), HostError);
}

// The gateway's scanner reads what the tree reader reads (references, line ends, white space in
// attributes, CDATA, comments, prefixes, every width of UTF-8) and refuses what is not XML.
TEST_F(HostDocuments, ScannerReadsAsTheTreeReaderDoes) {
    for (std::string text :
         {"<?xml version=\"1.0\"?><!-- c --><a x='1' y=\"&lt;&#233;&#x20AC;\">t<b/>u"
          "<![CDATA[<&]]><?p i?>v</a>\n",
          "<a>\r\nline\rtwo<b at=\"x\ty\r\nz&#10;\">&amp;&quot;&apos;&gt;</b> </a>",
          "<p:a xmlns:p=\"urn:p\"><p:b p:c=\"d\">J\xC3\xA9gou \xE2\x82\xAC "
          "\xF0\x9F\x98\x80</p:b></p:a>"}) {
        XmlScanner scanner(text, "sample");
        scanner.root();
        EXPECT_EQ(serializeXml(*scanner.element()), serializeXml(*parseXml(text, "sample")));
    }
    for (std::string text : {"",
                             " ",
                             "<a>",
                             "<a></b>",
                             "<a><b></a></b>",
                             "<a/><b/>",
                             "<a/>x",
                             "x<a/>",
                             "<a x=1/>",
                             "<a x='1' x='2'/>",
                             "<a x='<'/>",
                             "<a b='c'd='e'/>",
                             "<1a/>",
                             "<a>&bogus;</a>",
                             "<a>&amp</a>",
                             "<a>&#0;</a>",
                             "<a>&#xD800;</a>",
                             "<a>\x01</a>",
                             "<a>\xC3</a>",
                             "<a>\xC0\xAF</a>",
                             "<a><!-- x</a>",
                             "<a><![CDATA[x</a>",
                             "<!DOCTYPE a><a/>"}) {
        EXPECT_THROW(
            {
                XmlScanner scanner(text, "sample");
                scanner.root();
                scanner.element();
            },
            HostError)
            << text;
    }
    try {
        XmlScanner scanner("<a>\n<b></a>", "sample");
        scanner.root();
        scanner.element();
        FAIL() << "malformed text accepted";
    } catch (const HostError& error) {
        EXPECT_THAT(error.what(), HasSubstr("the sample is not well-formed XML (line 2"));
    }
}

// The visa travels as written, with the declarations in scope from its ancestors.
TEST_F(HostDocuments, ScannerCopiesAnElementToStandAlone) {
    XmlScanner scanner(
        "<r:response xmlns:r=\"urn:r\" xmlns=\"urn:default\"><x/><visa xmlns=\"urn:visa\" "
        "id='a&amp;b'><r:object/></visa></r:response>",
        "sample");
    scanner.root();
    ASSERT_TRUE(scanner.nextChild(1));
    ASSERT_TRUE(scanner.nextChild(1));
    EXPECT_EQ(scanner.copy(),
              "<visa xmlns:r=\"urn:r\" xmlns=\"urn:visa\" id='a&amp;b'><r:object/></visa>");
    EXPECT_FALSE(scanner.nextChild(1));
}

TEST_F(HostDocuments, ConfigurationIdFollowsTheProvidersReadingRules) {
    EXPECT_EQ(configurationId("<i><parameter name=\"id\"><value>a</value></parameter>"
                              "<parameter name=\"id\"><value>b</value></parameter></i>"),
              "b");
    EXPECT_EQ(configurationId("<i><parameter name=\"id\"/></i>"), std::nullopt);
    EXPECT_EQ(configurationId("<i><other><parameter name=\"id\"><value>a</value></parameter>"
                              "</other></i>"),
              std::nullopt);
    EXPECT_EQ(configurationId("not xml"), std::nullopt);
}

TEST_F(HostDocuments, QueryResponseMembersParametersAndNils) {
    auto response = parseXml(
        "<queryResponse xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><queryResult>"
        "<item xsi:type=\"cm:group\" searchPath=\"g1\"><members><value>"
        "<item xsi:type=\"cm:account\" searchPath=\"u1\"><defaultName><value>Ann</value>"
        "</defaultName></item><item xsi:type=\"cm:account\" searchPath=\"u2\"/></value>"
        "</members><securityMembers xsi:nil=\"true\"/></item>"
        "<item xsi:type=\"cm:account\" searchPath=\"u1\"><parameters><value><item>"
        "<name>lang</name><value><item><inclusive>true</inclusive><display>English</display>"
        "<use>en</use></item><item><inclusive>true</inclusive><display xsi:nil=\"true\"/>"
        "<use>fr</use></item></value></item></value></parameters></item>"
        "</queryResult></queryResponse>",
        "response");
    EXPECT_EQ(describeQueryResponse(*response),
              "objects: 2\ngroup: g1\n  members: account Ann [u1], account u2\n"
              "  securityMembers: (none)\naccount: u1\n  parameters: lang = English (en) | fr\n");
}

}  // namespace
}  // namespace basalt_host
