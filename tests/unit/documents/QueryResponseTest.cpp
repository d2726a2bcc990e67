// The directory object model and the query response: exact written forms of every property
// type, member lists and their nil forms, the namespace's filter check, and the reader.
#include "VOR_AAA_Const.h"
#include "VOR_AAA_Exception.h"
#include "VOR_AAA_Messages.h"
#include "VOR_AAA_QueryResponse.h"
#include "VOR_AAA_QueryResponseHandler.h"
#include "VOR_AAA_VORID.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using namespace VOR_AAA_Messages;

using C = VOR_AAA_Const;
using Members = VOR_AAA_BaseClassWithMembers;

std::string S(const char* text) {
    return text;
}

std::string responseOpen() {
    return "<cm:queryResponse xmlns:cm=\"" + S(C::Text::kAAANamespaceURI) + "\" xmlns:xsi=\"" +
           C::Text::kXMLSchemaInstanceNamespaceURI + "\" xmlns:SOAP-ENC=\"" +
           C::Text::kSOAPEncodingNamespaceURI + "\">";
}

std::string resultOpen(int count) {
    return "<queryResult xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"cm:baseClass[" +
           std::to_string(count) + "]\">";
}

const char* const kClose = "</queryResult></cm:queryResponse>";

std::string resultItem(const VOR_AAA_BaseClass& object, bool withSchema = false) {
    std::ostringstream out;
    object.WriteAsResultItem(out, withSchema);
    return out.str();
}

TEST(QueryResponseWrite, EmptyResult) {
    VOR_AAA_QueryResponse response;
    EXPECT_EQ(response.ToString(), responseOpen() + resultOpen(0) + kClose);
    response.SetWriteSchemaNamespaces(false);
    response.SetCurrentNamespaceFormat(C::Text::kNamespaceFormatURI2);
    EXPECT_EQ(response.ToString(), "<cm:queryResponse xmlns:cm=\"" + S(C::Text::kAAANamespaceURI) +
                                       "\">" + "<currentNamespaceFormat xsi:type=\"xsd:string\">" +
                                       C::Text::kNamespaceFormatURI2 + "</currentNamespaceFormat>" +
                                       resultOpen(0) + kClose);
}

TEST(QueryResponseWrite, AccountWithEveryPropertyKind) {
    VOR_AAA_Account account;
    account.HasChildren().Set(false);
    account.DefaultName().Set("Ann <A&B>");
    account.Name().Add("en", "Ann");
    account.SetObjectClass();
    account.Ancestors().Add({"namespace", "VORID(\"ns\")", "Ridge"});
    account.SearchPath().Set(VOR_AAA_VORID::Wrap("ns:u:authid=7"), true);
    account.DefaultDescription().Set("it's");
    account.Description().Add("fr", "d");
    account.StringProperty("surname").Set("Smith");
    account.StringProperty("email").Set("a@b");
    account.StringProperty("faxPhone");  // created but never set: not written
    account.Parameters().Add({"", {{true, "", "u"}}});
    account.Parameters().Add({"p", {{false, "d", ""}}});
    account.ContentLocale().Set("en-us");
    EXPECT_EQ(
        resultItem(account),
        "<item xsi:type=\"cm:account\" searchPath=\"VORID(&quot;ns:u:authid=7&quot;)\">"
        "<hasChildren xsi:type=\"cm:booleanProp\"><value xsi:type=\"xsd:boolean\">false</value>"
        "</hasChildren>"
        "<defaultName xsi:type=\"cm:tokenProp\"><value xsi:type=\"xsd:string\" "
        "xml:space=\"preserve\">Ann &lt;A&amp;B&gt;</value></defaultName>"
        "<name xsi:type=\"cm:multilingualTokenProp\"><value xsi:type=\"SOAP-ENC:Array\" "
        "SOAP-ENC:arrayType=\"cm:multilingualToken[1]\"><item xsi:type=\"cm:multilingualToken\">"
        "<value xsi:type=\"xsd:string\" xml:space=\"preserve\">Ann</value><locale "
        "xsi:type=\"xsd:string\">en</locale></item></value></name>"
        "<objectClass xsi:type=\"cm:classEnumProp\"><value xsi:type=\"cm:classEnum\">account"
        "</value></objectClass>"
        "<ancestors xsi:type=\"cm:ancestorInfoArrayProp\"><value xsi:type=\"SOAP-ENC:Array\" "
        "SOAP-ENC:arrayType=\"cm:ancestorInfo[1]\"><item xsi:type=\"cm:ancestorInfo\">"
        "<objectClass xsi:type=\"cm:classEnum\">namespace</objectClass><searchPath "
        "xsi:type=\"xsd:string\" xml:space=\"preserve\">VORID(&quot;ns&quot;)</searchPath>"
        "<title xsi:type=\"xsd:string\" xml:space=\"preserve\">Ridge</title></item></value>"
        "</ancestors>"
        "<searchPath xsi:type=\"cm:stringProp\"><value xsi:type=\"xsd:string\" "
        "xml:space=\"preserve\">VORID(&quot;ns:u:authid=7&quot;)</value></searchPath>"
        "<defaultDescription xsi:type=\"cm:stringProp\"><value xsi:type=\"xsd:string\" "
        "xml:space=\"preserve\">it&apos;s</value></defaultDescription>"
        "<description xsi:type=\"cm:multilingualStringProp\"><value xsi:type=\"SOAP-ENC:Array\" "
        "SOAP-ENC:arrayType=\"cm:multilingualString[1]\"><item "
        "xsi:type=\"cm:multilingualString\"><value xsi:type=\"xsd:string\" "
        "xml:space=\"preserve\">d</value><locale xsi:type=\"xsd:string\">fr</locale></item>"
        "</value></description>"
        "<email xsi:type=\"cm:stringProp\"><value xsi:type=\"xsd:string\" "
        "xml:space=\"preserve\">a@b</value></email>"
        "<surname xsi:type=\"cm:stringProp\"><value xsi:type=\"xsd:string\" "
        "xml:space=\"preserve\">Smith</value></surname>"
        "<parameters xsi:type=\"cm:parameterValueArrayProp\"><value xsi:type=\"SOAP-ENC:Array\" "
        "SOAP-ENC:arrayType=\"cm:parameterValue[2]\"><item xsi:type=\"cm:parameterValue\">"
        "<name xsi:nil=\"true\"/><value xsi:type=\"SOAP-ENC:Array\" "
        "SOAP-ENC:arrayType=\"cm:parmValueItem[1]\"><item xsi:type=\"cm:simpleParmValueItem\">"
        "<inclusive xsi:type=\"xsd:boolean\">true</inclusive><display xsi:nil=\"true\"/>"
        "<use xsi:type=\"xsd:string\">u</use></item></value></item>"
        "<item xsi:type=\"cm:parameterValue\"><name xsi:type=\"xsd:string\">p</name>"
        "<value xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"cm:parmValueItem[1]\">"
        "<item xsi:type=\"cm:simpleParmValueItem\"><inclusive xsi:type=\"xsd:boolean\">false"
        "</inclusive><display xsi:type=\"xsd:string\">d</display><use xsi:nil=\"true\"/>"
        "</item></value></item></value></parameters>"
        "<contentLocale xsi:type=\"cm:languageProp\"><value xsi:type=\"xsd:string\" "
        "xml:space=\"preserve\">en-us</value></contentLocale>"
        "</item>");
}

TEST(QueryResponseWrite, SchemaBlockAndSecurityObject) {
    VOR_AAA_NamespaceFolder folder;
    folder.HasChildren().Set(true);
    folder.HasChildren().SetSchemaInfo(true, false, true, false, true);
    std::ostringstream out;
    folder.WriteAsSecurityObject(out, true);
    EXPECT_EQ(out.str(),
              "<securityObject xsi:type=\"cm:namespaceFolder\">"
              "<hasChildren xsi:type=\"cm:booleanProp\"><schemaInfo xsi:type=\"cm:schemaInfo\">"
              "<acquirable xsi:type=\"xsd:boolean\">true</acquirable>"
              "<acquired xsi:type=\"xsd:boolean\">false</acquired>"
              "<modifiable xsi:type=\"xsd:boolean\">true</modifiable>"
              "<searchable xsi:type=\"xsd:boolean\">false</searchable>"
              "<updateAllDescendents xsi:type=\"xsd:boolean\">true</updateAllDescendents>"
              "</schemaInfo><value xsi:type=\"xsd:boolean\">true</value></hasChildren>"
              "</securityObject>");
}

TEST(QueryResponseWrite, MemberListsAndTheirNilForms) {
    VOR_AAA_Role role;
    role.SetRequested(Members::eMembers, true);
    role.SetRequested(Members::eSecurityMembers, true);
    role.SetRequested(Members::eDistributionMembers, true);
    auto member = std::make_unique<VOR_AAA_Account>();
    member->SearchPath().Set("VORID(\"m\")", true);
    role.AddMember(Members::eDistributionMembers, std::move(member));
    EXPECT_EQ(resultItem(role),
              "<item xsi:type=\"cm:role\" searchPath=\"\">"
              "<distributionMembers xsi:type=\"cm:baseClassArrayProp\"><value "
              "xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"cm:baseClass[1]\">"
              "<item xsi:type=\"cm:account\" searchPath=\"VORID(&quot;m&quot;)\">"
              "<searchPath xsi:type=\"cm:stringProp\"><value xsi:type=\"xsd:string\" "
              "xml:space=\"preserve\">VORID(&quot;m&quot;)</value></searchPath></item>"
              "</value></distributionMembers>"
              "<members xsi:nil=\"true\"/><securityMembers xsi:nil=\"true\"/></item>");

    VOR_AAA_Group group;  // not requested: nothing
    group.AddMember(Members::eMembers, std::make_unique<VOR_AAA_Account>());
    EXPECT_EQ(resultItem(group), "<item xsi:type=\"cm:group\" searchPath=\"\"></item>");
}

TEST(QueryResponseWrite, NamespaceCapabilitiesAndConformanceProperties) {
    VOR_AAA_Namespace ns;
    ns.DefaultName().Set("R<&'");
    ns.Capabilities().Set({"startsWith", "equals"});
    ns.ConformanceProperties().Add("x");
    EXPECT_EQ(resultItem(ns),
              "<item xsi:type=\"cm:namespace\" searchPath=\"\">"
              "<defaultName xsi:type=\"cm:tokenProp\"><value xsi:type=\"xsd:string\" "
              "xml:space=\"preserve\">R&lt;&amp;&apos;</value></defaultName>"
              "<capabilities xsi:type=\"cm:stringArrayProp\"><value "
              "xsi:type=\"bus:arrayOfString\"><item xsi:type=\"xsd:string\" "
              "xml:space=\"preserve\">startsWith</item><item xsi:type=\"xsd:string\" "
              "xml:space=\"preserve\">equals</item></value></capabilities>"
              "<comformanceProperties xsi:type=\"cm:stringArrayProp\"><value "
              "xsi:type=\"bus:arrayOfString\"><item xsi:type=\"xsd:string\" "
              "xml:space=\"preserve\">x</item></value></comformanceProperties></item>");
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
    EXPECT_TRUE(passes({"@capabilities = 'CASESENSITIVE'"}));
    EXPECT_FALSE(passes({"@email='x'"}));        // a property the namespace does not carry
    EXPECT_FALSE(passes({"@description='x'"}));  // not set
    EXPECT_TRUE(passes({"@email='x' or starts-with(@defaultName, 'RID')"}));
    EXPECT_FALSE(passes({"@objectClass='namespace'", "@defaultName!='ridge'"}));
    try {
        passes({"@name = 'abc"});
        FAIL();
    } catch (VOR_AAA_Exception& e) {
        EXPECT_EQ(e.getErrorCode(), -48);
    }
}

// A response holding one object of every class, with schema information.
VOR_AAA_QueryResponse richResponse() {
    VOR_AAA_QueryResponse response;
    response.SetWriteSchemaInfo(true);
    response.SetCurrentNamespaceFormat(C::Text::kNamespaceFormatURI1);

    auto ns = std::make_unique<VOR_AAA_Namespace>();
    ns->SetObjectClass();
    ns->SearchPath().Set("VORID(\"ns\")", true);
    ns->Capabilities().Set({"contains"});
    ns->ConformanceProperties().Set({});
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
    account->StringProperty("userName").Set("ann");
    account->Parameters().Add({"p", {{true, "d", "u"}, {false, "", ""}}});
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
    const VOR_AAA_Role& role = read.GetRole(3);
    EXPECT_TRUE(role.IsRequested(Members::eSecurityMembers));
    EXPECT_FALSE(role.IsRequested(Members::eDistributionMembers));
    ASSERT_EQ(role.GetMembers(Members::eMembers).size(), 1u);
    EXPECT_EQ(role.GetMembers(Members::eMembers)[0]->GetObjectType(), kVOR_AAA_User);
    EXPECT_EQ(read.GetGroup(4).DefaultDescription().Get(), "g");
    EXPECT_EQ(read.GetObject(5).GetObjectType(), kVOR_AAA_DistributionList);
}

TEST(QueryResponseRead, ItemAccessorsAssertTheClass) {
    const std::string text = richResponse().ToString();
    VOR_AAA_QueryResponse read;
    read.Load(text.data(), text.size());
    EXPECT_THROW(read.GetAccount(0), PYXAssertError);
    EXPECT_THROW(read.GetObject(99), PYXAssertError);
}

TEST(QueryResponseRead, UnknownItemTypeFails) {
    const std::string text =
        "<queryResponse><queryResult><item xsi:type=\"cm:printer\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"/></queryResult></queryResponse>";
    VOR_AAA_QueryResponse read;
    try {
        read.Load(text.data(), text.size());
        FAIL();
    } catch (VOR_AAA_Exception& e) {
        EXPECT_EQ(e.getErrorCode(), -19);
        ASSERT_EQ(e.getMessageCount(), 1u);
        EXPECT_EQ(e.getMessageN(0).getNumber(), kMsgInternalError);
        EXPECT_EQ(e.getMessageN(0).getComponents().getParm(1).toText(),
                  I18NString("objectType = kVOR_AAA_Unknown"));
    }
}

TEST(QueryResponseRead, SchemaInfoNeedsSearchableAndModifiable) {
    const std::string text =
        "<r:queryResponse xmlns:r=\"urn:r\"><r:queryResult><r:item xsi:type=\"cm:group\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><r:hasChildren>"
        "<r:schemaInfo><r:searchable>true</r:searchable></r:schemaInfo><r:value>true</r:value>"
        "</r:hasChildren></r:item></r:queryResult></r:queryResponse>";
    VOR_AAA_QueryResponse read;
    EXPECT_THROW(read.Load(text.data(), text.size()), PYXAssertError);
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
