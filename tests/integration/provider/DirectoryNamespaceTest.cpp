// The directory namespace on the provider's internals against the fixture's directory: what
// the factory reads, the directory properties and the warnings of its configuration. (The claim
// of a document sent to the generic identifier: the sign-on routes' test.)
#include "ProviderDirectory.h"

#include "namespace/BasaltNamespace.h"
#include "namespace/ConfigurationDocument.h"
#include "namespace/RuntimeConfiguration.h"
#include "process/ProviderSlot.h"

#include <LogTypedLogger.h>
#include <VOR_AAA_AdditionalInfo.h>
#include <VOR_AAA_Const.h>
#include <VOR_AAA_Exception.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

using namespace provider_test;

namespace {

class DirectoryNamespace : public DirectoryTest {
protected:
    void SetUp() override {
        DirectoryTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        provider = &ObtainProvider();
    }
    void TearDown() override {
        if (env.available()) {
            DestroyProvider();
        }
    }

    std::unique_ptr<BasaltNamespace> Build(const std::string& id, const std::string& ns,
                                           const std::string& extra = "",
                                           const std::string& connection = "") {
        const std::string text =
            "<instance name=\"" + id + " display\">" + Parameter("id", id) +
            Parameter("connection", connection.empty() ? env.hostPort() : connection) +
            Parameter("baseDN", env.baseDn()) + Parameter("namespace", ns) + extra + "</instance>";
        CFGAPI_Instance instance;
        I18NString error;
        EXPECT_TRUE(instance.Load(text.c_str(), text.size(), error)) << error;
        return BasaltNamespace::Create(instance, *provider,
                                       VOR_AAA_Const::Text::kNamespaceFormatURI2, info);
    }

    static std::string Parameter(const std::string& name, const std::string& value) {
        return "<parameter name=\"" + name + "\"><value>" + value + "</value></parameter>";
    }

    BasaltProvider* provider = nullptr;
    VOR_AAA_AdditionalInfo info;
};

}  // namespace

TEST_F(DirectoryNamespace, ReadsItsSettingsAndDirectoryProperties) {
    auto ns = Build("ns1", "ridgetest",
                    Parameter("timeOut", "7") + Parameter("CookieSecure", "yes") +
                        Parameter("CookiePath", "/app") + Parameter("dataEncoding", ""));
    ASSERT_TRUE(ns);
    EXPECT_EQ(ns->GetDisplayName(), I18NString("ns1 display"));
    EXPECT_EQ(ns->GetPort(), static_cast<uint32_t>(std::stoul(env.port())));
    EXPECT_EQ(ns->GetTimeout(), 7);
    EXPECT_EQ(ns->GetDefaultProductLocale(), I18NString("en-us"));
    EXPECT_EQ(ns->GetDefaultContentLocale(), I18NString("fr-fr"));
    EXPECT_TRUE(ns->IsTrustedEnvironmentAllowed());  // "basic,os"
    EXPECT_EQ(ns->GetCookieSecure(), I18NString("true"));
    EXPECT_EQ(ns->GetCookiePath(), I18NString("/app"));
    EXPECT_NE(ns->GetRuntimeConfig().find("<TIMEOUT>7</TIMEOUT>"), std::string::npos);
    EXPECT_NE(ns->GetRuntimeConfig().find("<DEFAULT_NAMESPACE>ridgetest</DEFAULT_NAMESPACE>"),
              std::string::npos);
    EXPECT_NE(ns->GetHandle(), 0u);
    EXPECT_EQ(ns->GetSupportedAttribute(kObjectKindAccount, "userName"), I18NString("uid"));
    EXPECT_EQ(ns->GetSupportedAttribute(kObjectKindAccount, "id"), I18NString(""));
    EXPECT_TRUE(ns->GetSupportedAttributes(kObjectKindNamespaceFolder).empty());
    // A session's handle is its own, opened with the namespace's configuration.
    AS_Handle handle = 0;
    ASSERT_EQ(ns->OpenHandle(handle), 0);
    EXPECT_NE(handle, ns->GetHandle());
    char product[AS_NSPROP_BUFFER_SIZE] = {};
    EXPECT_EQ(AS_GetNamespaceProperties2(handle, "ridgetest", AS_NSPROP_PRODUCT_LOCALE, product, 0),
              0);
    EXPECT_STREQ(product, "en-us");
    EXPECT_EQ(AS_Terminate(handle), 0);

    auto other = Build("ns2", "othertest", Parameter("dataEncoding", "ISO-8859-1"));
    ASSERT_TRUE(other);
    EXPECT_FALSE(other->IsTrustedEnvironmentAllowed());  // "basic"
    EXPECT_EQ(other->GetDefaultProductLocale(), I18NString("fr-fr"));
    EXPECT_STREQ(other->GetEncoding(), "ISO-8859-1");
}

TEST_F(DirectoryNamespace, ADisagreementAboutUnicodeIsWarnedAboutButNotFatal) {
    const std::string log = home->Path() + "/audit.log";
    setenv("BASALT_LOG_FILE", log.c_str(), 1);
    setenv("BASALT_LOG_LEVEL", "10000", 1);
    LogTypedLogger::reloadConfiguration();
    auto first = Build("u1", "ridgetest");
    ASSERT_TRUE(first);
    ASSERT_TRUE(provider->IsUnicodeDecided());
    const bool decided = provider->GetUnicode();
    const std::string wish = decided ? "false" : "true";
    auto second = Build("u2", "othertest",
                        "<parameter name=\"advancedProperties\"><value><item><name>"
                        "RidgeNamespacesAreUnicode</name><value>" +
                            wish + "</value></item></value></parameter>");
    ASSERT_TRUE(second);
    EXPECT_EQ(provider->GetUnicode(), decided);  // the first namespace's setting stays

    std::ifstream in(log);
    const std::string records((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    unsetenv("BASALT_LOG_FILE");
    unsetenv("BASALT_LOG_LEVEL");
    LogTypedLogger::reloadConfiguration();
    EXPECT_NE(records.find("Unicode setting differs"), std::string::npos) << records;
    EXPECT_NE(records.find("\"Warning\""), std::string::npos) << records;
    EXPECT_NE(records.find("StartService"), std::string::npos) << records;
}

TEST_F(DirectoryNamespace, AHandleThatCannotBeEndedIsReportedAndTheSlotStillEmpties) {
    auto ns = Build("gone", "ridgetest");
    ASSERT_TRUE(ns);
    ASSERT_EQ(AS_Terminate(ns->GetHandle()), 0);  // ended behind the namespace's back
    provider->AddNamespace(std::move(ns));
    try {
        DestroyProvider();
        FAIL() << "the failing AS_Terminate was not reported";
    } catch (VOR_AAA_Exception& e) {
        EXPECT_EQ(e.getErrorCode(), -1);
        ASSERT_GE(e.getMessageCount(), 1u);
        EXPECT_EQ(e.getMessageN(0).getComponents().getParm(1).toText(), I18NString("AS_Terminate"));
    }
    EXPECT_EQ(PeekProvider(), nullptr);
    provider = &ObtainProvider();  // and a new provider can be made
}
