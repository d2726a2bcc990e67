// Reading a namespace configuration document: parameters, nil values and failures.
#include "namespace/ConfigurationDocument.h"

#include "ExpectFailure.h"

#include <VOR_AAA_Exception.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

using provider_test::ExpectFailure;

std::unique_ptr<CFGAPI_Instance> LoadOrFail(const char* text) {
    auto instance = std::make_unique<CFGAPI_Instance>();
    I18NString error;
    EXPECT_TRUE(instance->Load(text, std::strlen(text), error)) << error;
    return instance;
}

const char* kDocument =
    "<?xml version=\"1.0\"?>"
    "<cfg:instance xmlns:cfg=\"http://basalt.example/schemas/cfg/\""
    " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" name=\"Sales\" class=\"ridge\">"
    "<cfg:parameter name=\"id\"><cfg:value xsi:type=\"xsd:string\">first</cfg:value>"
    "</cfg:parameter>"
    "<cfg:parameter name=\"id\"><cfg:value xsi:type=\"xsd:string\">ns1</cfg:value>"
    "</cfg:parameter>"
    "<cfg:parameter name=\"empty\"/>"
    "<cfg:parameter name=\"blank\"><cfg:value></cfg:value></cfg:parameter>"
    "<cfg:parameter name=\"advancedProperties\"><cfg:value>"
    "<cfg:item><cfg:name>RidgeNamespacesAreUnicode</cfg:name><cfg:value>false</cfg:value>"
    "</cfg:item>"
    "<cfg:property name=\"numberOfQueriesCacheLimit\">5</cfg:property>"
    "</cfg:value></cfg:parameter>"
    "<cfg:somethingElse name=\"id\"><cfg:value>ignored</cfg:value></cfg:somethingElse>"
    "</cfg:instance>";

}  // namespace

TEST(ConfigurationAccess, ReadsParametersPropertiesAndNilValues) {
    const auto loaded = LoadOrFail(kDocument);
    const CFGAPI_Instance& instance = *loaded;
    EXPECT_EQ(instance.GetName(), I18NString("Sales"));
    EXPECT_EQ(instance.GetClass(), I18NString("ridge"));

    I18NString value;
    ASSERT_TRUE(instance.GetParameterValue("id", value));
    EXPECT_EQ(value, I18NString("ns1"));  // the later parameter replaces the earlier one

    EXPECT_FALSE(instance.GetParameterValue("empty", value));
    ASSERT_NE(instance.GetParameter("empty"), nullptr);
    EXPECT_TRUE(instance.GetParameter("empty")->IsNil());
    ASSERT_TRUE(instance.GetParameterValue("blank", value));  // present but empty is not nil
    EXPECT_TRUE(value.empty());
    EXPECT_EQ(instance.GetParameter("missing"), nullptr);

    const auto& properties = instance.GetParameter("advancedProperties")->GetProperties();
    ASSERT_EQ(properties.size(), 2u);
    EXPECT_EQ(properties[0].first, I18NString("RidgeNamespacesAreUnicode"));
    EXPECT_EQ(properties[0].second, I18NString("false"));
    EXPECT_EQ(properties[1].first, I18NString("numberOfQueriesCacheLimit"));
    EXPECT_EQ(properties[1].second, I18NString("5"));
}

TEST(ConfigurationAccess, MandatoryReadsFailWithTheMissingParameterCode) {
    const auto loaded = LoadOrFail(kDocument);
    const CFGAPI_Instance& instance = *loaded;
    I18NString value;
    for (const char* name : {"missing", "empty"}) {
        const auto e = ExpectFailure(-34, {kMsgMissingParameter},
                                     [&] { instance.GetMandatoryParameterValue(name, value); });
        ASSERT_TRUE(e) << name;
        ASSERT_EQ(e->getMessageCount(), 1u);
        ASSERT_EQ(e->getMessageN(0).getComponents().getCount(), 2u);
        EXPECT_EQ(e->getMessageN(0).getComponents().getParm(0).toText(), I18NString("Sales"));
        EXPECT_EQ(e->getMessageN(0).getComponents().getParm(1).toText(), I18NString(name));
    }
}

// A failed load keeps what was loaded before; a duplicate name in a list fails it. (A DOCTYPE is
// refused by the DOM parser: IdomTest.)
TEST(ConfigurationAccess, FailedLoadsKeepTheInstanceAndDuplicateNamesFail) {
    const auto loaded = LoadOrFail(kDocument);
    CFGAPI_Instance& instance = *loaded;
    const char* broken = "<instance name=\"x\"><parameter name=\"id\"></instance>";
    I18NString error;
    EXPECT_FALSE(instance.Load(broken, std::strlen(broken), error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(instance.GetName(), I18NString("Sales"));

    const char* twice =
        "<instance name=\"x\"><instances name=\"l\"><instance name=\"a\"/><instance name=\"a\"/>"
        "</instances></instance>";
    ExpectFailure(-19, {kMsgDuplicateInstance},
                  [&] { instance.Load(twice, std::strlen(twice), error); });
}

TEST(ConfigurationAccess, TheSampleNamespaceConfigurationReads) {
    const std::string path = std::string(PROVIDER_SOURCE_DIR) + "/data/sample/namespace.xml";
    std::ifstream in(path);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(text.empty()) << path;
    CFGAPI_Instance instance;
    I18NString error, value;
    ASSERT_TRUE(instance.Load(text.c_str(), text.size(), error)) << error;
    for (const char* mandatory : {"id", "connection", "baseDN", "namespace"}) {
        EXPECT_NO_THROW(instance.GetMandatoryParameterValue(mandatory, value)) << mandatory;
    }
    EXPECT_EQ(instance.GetParameter("advancedProperties")->GetProperties().size(), 2u);
}
