// The directory object model and the query response: member lists and their
// nil forms, the namespace's filter check, and the reader (a round trip of every class and
// property kind). The host reads real responses in the integration tests, which hold the form
// of each property.
#include "ExpectFailure.h"
#include "VOR_AAA_Const.h"
#include "VOR_AAA_QueryResponse.h"
#include "VOR_AAA_QueryResponseHandler.h"
#include "VOR_AAA_VORID.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using namespace documents_test;
using C = VOR_AAA_Const;
using Members = VOR_AAA_BaseClassWithMembers;

std::string resultItem(const VOR_AAA_BaseClass& object, bool withSchema = false) {
    std::ostringstream out;
    object.WriteAsResultItem(out, withSchema);
    return out.str();
}

// A property created but never set is not written; one set to an empty value is.
TEST(QueryResponseWrite, OnlyPropertiesThatWereSetAreWritten) {
    VOR_AAA_Account account;
    account.StringProperty("faxPhone");
    account.StringProperty("email").Set("");
    const std::string text = resultItem(account);
    EXPECT_EQ(text.find("faxPhone"), std::string::npos) << text;
    EXPECT_NE(text.find("<email "), std::string::npos) << text;
}

// Requested lists are written (empty ones nil, a form the search integration tests hold), with
// each member's search path escaped in its attribute; lists not requested are not written.
TEST(QueryResponseWrite, OnlyRequestedMemberListsAreWritten) {
    VOR_AAA_Role role;
    role.SetRequested(Members::eMembers, true);
    role.SetRequested(Members::eDistributionMembers, true);
    auto member = std::make_unique<VOR_AAA_Account>();
    member->SearchPath().Set("VORID(\"m\")", true);
    role.AddMember(Members::eDistributionMembers, std::move(member));
    const std::string text = resultItem(role);
    EXPECT_NE(text.find("SOAP-ENC:arrayType=\"cm:baseClass[1]\"><item xsi:type=\"cm:account\" "
                        "searchPath=\"VORID(&quot;m&quot;)\">"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("<members xsi:nil=\"true\"/>"), std::string::npos) << text;
    EXPECT_EQ(text.find("securityMembers"), std::string::npos) << text;

    VOR_AAA_Group group;  // not requested: nothing
    group.AddMember(Members::eMembers, std::make_unique<VOR_AAA_Account>());
    EXPECT_EQ(resultItem(group), "<item xsi:type=\"cm:group\" searchPath=\"\"></item>");
}

TEST(NamespaceFilters, PredicatesAgainstTheNamespaceObject) {
    VOR_AAA_Namespace ns;
    ns.Name().Add("en", "Ridge Directory");
    ns.Name().Add("fr", "Annuaire");
    ns.DefaultName().Set("Ridge");
    ns.Capabilities().Set({"startsWith", "caseSensitive"});
    const std::string locale = "en-us";
    auto passes = [&](std::vector<std::string> predicates) {
        return ns.PassesFilters(predicates, locale);
    };
    EXPECT_TRUE(passes({}));
    EXPECT_TRUE(passes({"@objectClass='namespace'"}));
    EXPECT_FALSE(passes({"@objectClass='Namespace'"}));    // the class word is case-sensitive
    EXPECT_TRUE(passes({"contains(@name, 'ANNUAIRE')"}));  // any language, any case
    EXPECT_TRUE(passes({"@defaultName='ridge'"}));
    EXPECT_FALSE(passes({"@email='x'"}));  // a property the namespace does not carry
    EXPECT_TRUE(passes({"@email='x' or starts-with(@defaultName, 'RID')"}));
    EXPECT_FALSE(passes({"@objectClass='namespace'", "@defaultName!='ridge'"}));
    ExpectFailure(-48, {kMsgFilterSyntax}, [&] { passes({"@name = 'abc"}); });
}

// A response holding one object of every class, with schema information.
VOR_AAA_QueryResponse richResponse() {
    VOR_AAA_QueryResponse response;
    response.SetWriteSchemaInfo(true);
    response.SetCurrentNamespaceFormat(C::Text::kNamespaceFormatURI1);

    auto ns = std::make_unique<VOR_AAA_Namespace>();
    ns->SetObjectClass();
    ns->SearchPath().Set("VORID(\"ns\")", true);
    ns->Capabilities().Set({"contains", "startsWith"});
    ns->ConformanceProperties().Set({"x&y"});
    ns->HasChildren().Set(true);
    ns->HasChildren().SetSchemaInfo(false, true, false, true, false);
    response.AddObject(std::move(ns));

    auto folder = std::make_unique<VOR_AAA_NamespaceFolder>();
    folder->SetObjectClass();
    folder->DefaultName().Set("f & g");
    folder->Ancestors().Add({"namespace", "VORID('n's')", "t"});
    response.AddObject(std::move(folder));

    auto account = std::make_unique<VOR_AAA_Account>();
    account->SetObjectClass();
    account->SearchPath().Set("VORID(\"ns:u:authid=1\")", true);
    account->Name().Add("en", "a\tb");
    account->Description().Add("de", "");
    account->StringProperty("userName").Set("ann <A&B> it's");
    account->Parameters().Add({"p", {{true, "d", "u"}, {false, "", ""}}});
    account->Parameters().Add({"", {{true, "", "u"}}});
    account->ContentLocale().Set("en-us");
    account->ProductLocale().Set("fr");
    response.AddObject(std::move(account));

    auto role = std::make_unique<VOR_AAA_Role>();
    role->SetObjectClass();
    role->SetRequested(Members::eMembers, true);
    role->SetRequested(Members::eSecurityMembers, true);
    auto member = std::make_unique<VOR_AAA_Account>();
    member->StringProperty("email").Set("m@x");
    role->AddMember(Members::eMembers, std::move(member));
    response.AddObject(std::move(role));

    auto group = std::make_unique<VOR_AAA_Group>();
    group->DefaultDescription().Set("g");
    response.AddObject(std::move(group));
    response.AddObject(std::make_unique<VOR_AAA_DistributionList>());
    return response;
}

TEST(QueryResponseRead, RoundTripOfEveryClass) {
    const std::string text = richResponse().ToString();
    VOR_AAA_QueryResponse read;
    read.SetWriteSchemaInfo(true);
    read.Load(text.data(), text.size());
    EXPECT_EQ(read.ToString(), text);

    ASSERT_EQ(read.GetObjectCount(), 6u);
    EXPECT_TRUE(read.GetNamespace(0).HasChildren().GetSearchable());
    EXPECT_EQ(read.GetNamespaceFolder(1).Ancestors().Get()[0].searchPath, "VORID('n's')");
    EXPECT_EQ(read.GetAccount(2).Parameters().Get()[0].values.size(), 2u);
    EXPECT_EQ(read.GetAccount(2).Parameters().Get()[1].name, "");
    EXPECT_EQ(read.GetAccount(2).FindStringProperty("userName")->Get(), "ann <A&B> it's");
    EXPECT_EQ(read.GetNamespace(0).ConformanceProperties().Get(), std::vector<std::string>{"x&y"});
    const VOR_AAA_Role& role = read.GetRole(3);
    EXPECT_TRUE(role.IsRequested(Members::eSecurityMembers));
    EXPECT_FALSE(role.IsRequested(Members::eDistributionMembers));
    ASSERT_EQ(role.GetMembers(Members::eMembers).size(), 1u);
    EXPECT_EQ(role.GetMembers(Members::eMembers)[0]->GetObjectType(), kVOR_AAA_User);
    EXPECT_EQ(read.GetGroup(4).DefaultDescription().Get(), "g");
    EXPECT_EQ(read.GetObject(5).GetObjectType(), kVOR_AAA_DistributionList);
}

TEST(QueryResponseRead, UnknownItemTypeFails) {
    const std::string text =
        "<queryResponse><queryResult><item xsi:type=\"cm:printer\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"/></queryResult></queryResponse>";
    VOR_AAA_QueryResponse read;
    if (auto e =
            ExpectFailure(-19, {kMsgInternalError}, [&] { read.Load(text.data(), text.size()); })) {
        EXPECT_EQ(Parameter(*e, 0, 1), I18NString("objectType = kVOR_AAA_Unknown"));
    }
}

TEST(QueryResponseRead, UnknownElementsAndSplitTextAreTolerated) {
    const std::string text =
        "<r:queryResponse xmlns:r=\"urn:r\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
        "<r:future>x</r:future><r:queryResult><r:item xsi:type=\"r:account\">"
        "<r:unknownProp><r:value>1</r:value></r:unknownProp>"
        "<r:userName><r:value>a&amp;b<![CDATA[<c>]]></r:value></r:userName>"
        "</r:item></r:queryResult></r:queryResponse>";
    VOR_AAA_QueryResponse read;
    read.Load(text.data(), text.size());
    ASSERT_EQ(read.GetObjectCount(), 1u);
    EXPECT_EQ(read.GetAccount(0).FindStringProperty("userName")->Get(), "a&b<c>");
}

}  // namespace
