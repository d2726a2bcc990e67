// The host's own XML handling: what it reads from configurations and responses, the element
// copy it writes for visa files, the queries it writes and the tables it prints.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "HostDocuments.h"
#include "HostError.h"
#include "ObjectTable.h"
#include "QueryDocuments.h"
#include "ResponsePrinter.h"
#include "XmlScanner.h"
#include "XmlTree.h"

namespace basalt_host {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

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

// Both readers: the tree the CLI reads answers into, and the scanner the gateway reads them
// with. They read the same (references, line ends, white space in attributes, CDATA,
// comments, prefixes, every width of UTF-8 split by references) and refuse what is not XML,
// a DOCTYPE (and so an entity bomb) first of all.
TEST_F(HostDocuments, ReadersAgreeOnXmlAndRefuseWhatIsNot) {
    const std::string wide = "Jules J\xC3\xA9gou \xE2\x82\xAC \xF0\x9F\x98\x80";
    auto root = parseXml("<r na\xC3\xAFve=\"" + wide + "\">" + wide + "&amp;" + wide + "</r>", "t");
    EXPECT_EQ(root->attribute("na\xC3\xAFve"), wide);
    EXPECT_EQ(root->text, wide + "&" + wide);
    for (const std::string& text : std::vector<std::string>{
             "<?xml version=\"1.0\"?><!-- c --><a x='1' y=\"&lt;&#233;&#x20AC;\">t<b/>u"
             "<![CDATA[<&]]><?p i?>v</a>\n",
             "<a>\r\nline\rtwo<b at=\"x\ty\r\nz&#10;\">&amp;&quot;&apos;&gt;</b> </a>",
             "<p:a xmlns:p=\"urn:p\" na\xC3\xAFve=\"" + wide + "\"><p:b p:c=\"d\">" + wide +
                 "&amp;" + wide + "</p:b></p:a>"}) {
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
                             "<a><!-- x</a>",
                             "<a><![CDATA[x</a>",
                             "<!DOCTYPE a SYSTEM \"/etc/passwd\"><a/>",
                             "<!DOCTYPE a [<!ENTITY x \"xx\"><!ENTITY y \"&x;&x;\">]><a>&y;</a>"}) {
        EXPECT_THROW(parseXml(text, "sample"), HostError) << text;
        EXPECT_THROW(
            {
                XmlScanner scanner(text, "sample");
                scanner.root();
                scanner.element();
            },
            HostError)
            << text;
    }
    for (bool scanner : {false, true}) {
        try {
            if (scanner) {
                XmlScanner reader("<a>\n<b></a>", "sample");
                reader.root();
                reader.element();
            } else {
                parseXml("<a>\n<b></a>", "sample");
            }
            FAIL() << "malformed text accepted";
        } catch (const HostError& error) {
            EXPECT_THAT(error.what(), HasSubstr("the sample is not well-formed XML (line 2"));
        }
    }
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

TEST_F(HostDocuments, QueryCarriesPathPropertiesAndPagingOnlyWhenSet) {
    QuerySpec request;
    request.searchPath = withFilters("VORID('ns')/*", {"@name='O''Brien & <co>'", "@x='y'"});
    request.properties = {"defaultName", "email"};
    auto query = parseXml(queryDocument(request), "query");
    const XmlElement* search = query->find("search");
    ASSERT_NE(search, nullptr);
    // The path survives XML escaping exactly as typed.
    EXPECT_EQ(search->text, "VORID('ns')/*[@name='O''Brien & <co>'][@x='y']");
    std::vector<std::string> items;
    for (const XmlElement* item : query->find("properties")->childrenNamed("item")) {
        items.push_back(item->text);
    }
    EXPECT_EQ(items, (std::vector<std::string>{"defaultName", "email"}));
    EXPECT_EQ(query->find("options"), nullptr);

    request.skip = 20;
    request.max = 10;
    auto paged = parseXml(queryDocument(request), "query");
    EXPECT_EQ(paged->find("skipObjects")->text, "20");
    EXPECT_EQ(paged->find("maxObjects")->text, "10");
    request.skip = 0;
    EXPECT_THAT(queryDocument(request), Not(HasSubstr("skipObjects")));
}

TEST_F(HostDocuments, ResponseRowsAndTheirTable) {
    auto response = parseXml(
        "<cm:queryResponse xmlns:cm=\"urn:aaa\" xmlns:xsi=\"urn:xsi\"><queryResult>"
        "<item xsi:type=\"cm:namespaceFolder\" searchPath=\"VORID(&quot;ns:f:authid=2&quot;)\">"
        "<defaultName><value>Équipe</value></defaultName></item>"
        "<item xsi:type=\"cm:account\" searchPath=\"VORID(&quot;ns:u:authid=7&quot;)\">"
        "<defaultName><value>Ann</value></defaultName><email><value>a@x</value></email>"
        "<name><value><item><value>Ann</value><locale>en</locale></item></value></name>"
        "</item></queryResult></cm:queryResponse>",
        "response");
    auto rows = responseRows(*response);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].objectClass, "namespaceFolder");
    EXPECT_EQ(rows[1].searchPath, "VORID(\"ns:u:authid=7\")");
    EXPECT_EQ(rows[1].value("name"), "Ann (en)");
    EXPECT_EQ(rows[0].value("email"), "");

    // Columns line up by characters: "Équipe" is six wide although seven bytes long. A missing
    // searchPath property shows the item's own search path.
    EXPECT_EQ(formatTable(rows, {"defaultName", "searchPath"}),
              "class            defaultName  searchPath\n"
              "namespaceFolder  Équipe       VORID(\"ns:f:authid=2\")\n"
              "account          Ann          VORID(\"ns:u:authid=7\")\n");
    // Without columns: every property the rows carry, in first-seen order.
    EXPECT_THAT(formatTable(rows, {}), HasSubstr("class            defaultName  email  name\n"));
}

}  // namespace
}  // namespace basalt_host
