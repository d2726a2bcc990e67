// The query, the query document and the property list: the reader's tolerance rules and round
// trips. The host writes its own queries; ours are held to what they read back.
#include "VOR_AAA_Exception.h"
#include "VOR_AAA_QueryDoc.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Query = VOR_AAA_Query;

Query readQuery(const std::string& body) {
    Query query;
    const std::string text = "<query>" + body + "</query>";
    query.Load(text.data(), text.size());
    return query;
}

// Properties are held once, sort keys without an order are not written.
TEST(QueryWrite, PropertiesOnceAndOnlyOrderedSortKeys) {
    Query query;
    query.SetSearchPath("VORID(\"n\"s\")");
    query.AddProperty("name");
    query.AddProperty("name");
    query.AddSortBy("name", Query::eAscending);
    query.AddSortBy("email", Query::eNotSet);
    const std::string text = query.ToString();
    Query read;
    read.Load(text.data(), text.size());
    EXPECT_EQ(read.GetSearchPath(), "VORID(\"n\"s\")");
    EXPECT_EQ(read.GetProperties(), Query::PropertySet{"name"});
    EXPECT_EQ(read.GetSortBy(), (std::vector<Query::SortKey>{{"name", Query::eAscending}}));
}

TEST(QueryRead, ToleranceRules) {
    const Query query = readQuery(
        "<search>VORID('a&amp;apos;b')</search>"
        "<properties><item>name</item><item></item><item>name</item><other>x</other>"
        "</properties>"
        "<sortBy><item><propName>a</propName><order>DESCENDING</order></item>"
        "<item><propName></propName><order></order></item>"
        "<item><propName>b</propName><order>descending</order></item></sortBy>"
        "<options><maxObjects>25abc</maxObjects><skipObjects>abc</skipObjects>"
        "<schemaInfo>1</schemaInfo>"
        "<refProps><item><refPropName>members</refPropName><properties><item>email</item>"
        "</properties></item><item><refPropName></refPropName><properties/></item>"
        "</refProps></options>");
    EXPECT_EQ(query.GetSearchPath(), "VORID('a'b')");
    EXPECT_EQ(query.GetProperties(), Query::PropertySet{"name"});
    ASSERT_EQ(query.GetSortBy().size(), 1u);
    EXPECT_EQ(query.GetSortBy()[0], (Query::SortKey{"b", Query::eDescending}));
    EXPECT_EQ(query.GetMaxObjects(), 25);
    EXPECT_EQ(query.GetSkipObjects(), 0);
    EXPECT_FALSE(query.GetSchemaInfo());
    ASSERT_EQ(query.GetRefProps().size(), 1u);
    EXPECT_EQ(query.GetRefProps().at("members"), Query::PropertySet{"email"});
}

TEST(QueryRead, SameListingIgnoresPaging) {
    Query first = readQuery(
        "<search>VORID('ns')/*</search><properties><item>name</item>"
        "</properties><options><skipObjects>0</skipObjects></options>");
    Query second = readQuery(
        "<search>VORID('ns')/*</search><properties><item>name</item>"
        "</properties><options><skipObjects>10</skipObjects></options>");
    EXPECT_TRUE(first.IsSameListing(second));
    second.AddSortBy("name", Query::eAscending);
    EXPECT_FALSE(first.IsSameListing(second));
}

TEST(QueryDoc, ReadsWhatAFrameworkSends) {
    const std::string text =
        "<env:Envelope xmlns:env=\"http://schemas.xmlsoap.org/soap/envelope/\" "
        "xmlns:b=\"urn:bus\"><env:Header><b:biBusHeader><b:additionalInfo>"
        "<b:contentLocale>fr</b:contentLocale></b:additionalInfo><b:VOR><b:VORPassport><b:id>P"
        "</b:id></b:VORPassport></b:VOR></b:biBusHeader><other/></env:Header>"
        "<env:Body><q:query xmlns:q=\"urn:q\"><q:search>VORID('ridge')/*[@name='a]b']"
        "</q:search><q:properties><q:item>defaultName</q:item><q:item>searchPath</q:item>"
        "</q:properties><q:options><q:maxObjects>50</q:maxObjects></q:options></q:query>"
        "</env:Body></env:Envelope>";
    VOR_AAA_QueryDoc doc;
    doc.Load(text.data(), text.size());
    EXPECT_EQ(doc.GetBiBusHeader().GetPassportID(), I18NString("P"));
    EXPECT_EQ(doc.GetBiBusHeader().GetAdditionalInfo().GetContentLocale(), I18NString("fr"));
    EXPECT_EQ(doc.GetQuery().GetSearchPath(), "VORID('ridge')/*[@name='a]b']");
    EXPECT_EQ(doc.GetQuery().GetProperties().size(), 2u);
    EXPECT_EQ(doc.GetQuery().GetMaxObjects(), 50);
}

TEST(QueryDoc, RoundTrip) {
    VOR_AAA_QueryDoc doc;
    doc.GetBiBusHeader().SetPassportID("P");
    doc.GetBiBusHeader().GetFormFieldVars().push_back({"f", "v", ""});
    Query& query = doc.GetQuery();
    query.SetSearchPath("VORID(\"ns:u:authid=1\")//*[contains(@email, 'x&y')]");
    query.AddProperty("email");
    query.AddSortBy("email", Query::eDescending);
    query.SetSkipObjects(3);
    query.SetMaxObjects(7);
    query.SetSchemaInfo(true);
    query.SetRefProps("members", {"name"});
    const std::string text = doc.ToString();
    VOR_AAA_QueryDoc read;
    read.Load(text.data(), text.size());
    EXPECT_EQ(read.GetQuery(), query);
    // The request context read is appended to the default single space.
    EXPECT_EQ(read.GetBiBusHeader().GetAdditionalInfo().GetRequestContext(), I18NString("  "));
    read.GetBiBusHeader().GetAdditionalInfo().SetRequestContext(" ");
    EXPECT_EQ(read.ToString(), text);
}

}  // namespace
