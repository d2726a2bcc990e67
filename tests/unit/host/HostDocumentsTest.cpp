// The host's own XML handling: its two readers, the queries it writes and the table it prints.
// (The element copy it writes for visa files is read back by HostDirectoryTest's search.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "HostDocuments.h"
#include "HostError.h"
#include "ObjectTable.h"
#include "QueryDocuments.h"
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

// Both readers: the tree the CLI reads answers into, and the scanner the gateway reads them
// with. They read the same and refuse what is not XML, a DOCTYPE (and so an entity bomb) first
// of all. One case of each kind of malformed text.
TEST_F(HostDocuments, ReadersAgreeOnXmlAndRefuseWhatIsNot) {
    const std::string wide = "Jules J\xC3\xA9gou \xE2\x82\xAC \xF0\x9F\x98\x80";
    for (const std::string& text : std::vector<std::string>{
             "<?xml version=\"1.0\"?><!-- c --><a x='1' y=\"&lt;&#233;&#x20AC;\">t<b/>u"
             "<![CDATA[<&]]><?p i?>v</a>\n",
             "<a>\r\nline\rtwo<b at=\"x\ty\r\nz&#10;\">&amp;&quot;&apos;&gt;</b> </a>",
             "<p:a xmlns:p=\"urn:p\" na\xC3\xAFve=\"" + wide + "\"><p:b p:c=\"d\">" + wide +
                 "&amp;" + wide + "</p:b></p:a>",
             "<a b=']]>'>&#0000000000074;<![CDATA[x\r\ny\rz]]><!---->]]&gt;</a>"}) {
        XmlScanner scanner(text, "sample");
        scanner.root();
        EXPECT_EQ(serializeXml(*scanner.element()), serializeXml(*parseXml(text, "sample")));
    }
    const char* const malformed[] = {
        "",
        "<a>",
        "<a><b></a></b>",
        "<a/><b/>",
        "<a/>x",
        "<a x=1/>",
        "<a x='1' x='2'/>",
        "<a>&bogus;</a>",
        "<a>&#xD800;</a>",
        "<a>\x01</a>",
        "<a>\xC3</a>",
        "<a><![CDATA[x</a>",
        "<a>\xEF\xBF\xBF</a>",
        "<a><![CDATA[\x01]]></a>",
        "<a><!-- \x01 --></a>",
        "<a>]]></a>",
        "<a><!-- a -- b --></a>",
        "<a><!--></a>",
        "<a/><?xml version=\"1.0\"?>",
        "<!DOCTYPE a SYSTEM \"/etc/passwd\"><a/>",
        "<!DOCTYPE a [<!ENTITY x \"xx\"><!ENTITY y \"&x;&x;\">]><a>&y;</a>"};
    for (std::string text : malformed) {
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
    // Xerces would read this as Latin-1; the scanner reads UTF-8 only and says so.
    EXPECT_THROW(
        XmlScanner("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xC3\xA9</a>", "sample")
            .root(),
        HostError);
    try {
        parseXml("<a>\n<b></a>", "sample");
        FAIL() << "malformed text accepted";
    } catch (const HostError& error) {
        EXPECT_THAT(error.what(), HasSubstr("the sample is not well-formed XML (line 2"));
    }
}

TEST_F(HostDocuments, AQueryCarriesItsPathAsTypedThroughXmlEscaping) {
    QuerySpec request;
    request.searchPath = withFilters("VORID('ns')/*", {"@name='O''Brien & <co>'", "@x='y'"});
    request.properties = {"defaultName", "email"};
    auto query = parseXml(queryDocument(request), "query");
    const XmlElement* search = query->find("search");
    ASSERT_NE(search, nullptr);
    EXPECT_EQ(search->text, "VORID('ns')/*[@name='O''Brien & <co>'][@x='y']");
    std::vector<std::string> items;
    for (const XmlElement* item : query->find("properties")->childrenNamed("item")) {
        items.push_back(item->text);
    }
    EXPECT_EQ(items, (std::vector<std::string>{"defaultName", "email"}));
}

TEST_F(HostDocuments, TableColumnsLineUpByCharactersNotBytes) {
    auto response = parseXml(
        "<cm:queryResponse xmlns:cm=\"urn:aaa\" xmlns:xsi=\"urn:xsi\"><queryResult>"
        "<item xsi:type=\"cm:namespaceFolder\" searchPath=\"VORID(&quot;ns:f:authid=2&quot;)\">"
        "<defaultName><value>Équipe</value></defaultName></item>"
        "<item xsi:type=\"cm:account\" searchPath=\"VORID(&quot;ns:u:authid=7&quot;)\">"
        "<defaultName><value>Ann</value></defaultName><email><value>a@x</value></email>"
        "</item></queryResult></cm:queryResponse>",
        "response");
    auto rows = responseRows(*response);
    // "Équipe" is six wide although seven bytes long. A missing searchPath property shows the
    // item's own search path.
    EXPECT_EQ(formatTable(rows, {"defaultName", "searchPath"}),
              "class            defaultName  searchPath\n"
              "namespaceFolder  Équipe       VORID(\"ns:f:authid=2\")\n"
              "account          Ann          VORID(\"ns:u:authid=7\")\n");
}

}  // namespace
}  // namespace basalt_host
