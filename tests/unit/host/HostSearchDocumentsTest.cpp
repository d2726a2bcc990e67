// The documents and tables of the host's search and browse: the query it writes, and a query
// response laid out as a table.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ObjectTable.h"
#include "QueryDocuments.h"
#include "XmlTree.h"

namespace basalt_host {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class HostSearchDocuments : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_xerces = new XercesSession; }
    static void TearDownTestSuite() { delete s_xerces; }
    static inline XercesSession* s_xerces = nullptr;
};

TEST_F(HostSearchDocuments, QueryCarriesPathPropertiesAndPagingOnlyWhenSet) {
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

TEST_F(HostSearchDocuments, ResponseRowsAndTheirTable) {
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
