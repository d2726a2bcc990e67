// The directory namespace on the provider's internals against the fixture's directory: what
// the factory reads, the directory properties, the registry order, and the claim of a document
// sent to the generic namespace identifier.
#include "ProviderDirectory.h"

#include "audit/CallTrace.h"
#include "audit/TracedSignOns.h"
#include "namespace/BasaltNamespace.h"
#include "namespace/ConfigurationDocument.h"
#include "namespace/GenericIdentifier.h"
#include "namespace/RuntimeConfiguration.h"
#include "process/ProviderSlot.h"

#include <LogTypedLogger.h>
#include <VOR_AAA_AdditionalInfo.h>
#include <VOR_AAA_BiBusHeader.h>
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

    std::string Blob(const std::string& generation, const std::string& ns) {
        return "<TESSEL_CONFIGURATION><GENERATION>" + generation +
               "</GENERATION><STORAGE_TYPE>2</STORAGE_TYPE><DEFAULT_NAMESPACE>" + ns +
               "</DEFAULT_NAMESPACE><SSL_ENABLED>false</SSL_ENABLED><LDAP><HOST>" + env.host() +
               "</HOST><PORT>" + env.port() + "</PORT><BASE_DN>" + env.baseDn() +
               "</BASE_DN></LDAP></TESSEL_CONFIGURATION>";
    }

    // A bus header carrying one credential for the generic identifier.
    static void AddGenericCredential(VOR_AAA_BiBusHeader& header, const std::string& blob,
                                     const std::string& ridgeNamespace = "") {
        VOR_AAA_CredentialsDoc::Credential credential;
        credential.namespaceID = "$VOR_AAA_AuthRidge";
        credential.username = "jdoe";
        credential.values["runtimeblob"] = blob;
        if (!ridgeNamespace.empty()) {
            credential.values["ridgenamespace"] = ridgeNamespace;
        }
        header.GetCredentials().AddCredential(credential);
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

TEST_F(DirectoryNamespace, TheSameIdentifierTwiceKeepsTheLaterOneAtTheEnd) {
    provider->AddNamespace(Build("x", "ridgetest"));
    provider->AddNamespace(Build("y", "othertest"));
    auto replacement = Build("x", "othertest");
    NamespaceBase* expected = replacement.get();
    provider->AddNamespace(std::move(replacement));
    const std::vector<I18NString> order = provider->GetNamespaceIdentifiers();
    ASSERT_EQ(order.size(), 2u);
    EXPECT_EQ(order[0], I18NString("y"));
    EXPECT_EQ(order[1], I18NString("x"));
    EXPECT_EQ(provider->GetNamespace("x").get(), expected);
    provider->RemoveNamespace("y");
    EXPECT_EQ(provider->GetNamespaceCount(), 1u);
    EXPECT_THROW(provider->RemoveNamespace("y"), VOR_AAA_Exception);
}

TEST_F(DirectoryNamespace, ADocumentForTheGenericIdentifierIsClaimedByTheMatchingNamespace) {
    provider->AddNamespace(Build("first", "othertest"));
    provider->AddNamespace(Build("second", "ridgetest"));

    VOR_AAA_BiBusHeader header;
    AddGenericCredential(header, Blob("4", "RIDGETEST"));
    int32_t status = 0;
    const auto claimed =
        LookupNamespaceForAuthentication(*provider, "$VOR_AAA_AuthRidge", header, status);
    ASSERT_NE(claimed, nullptr);
    EXPECT_EQ(claimed->GetIdentifier(), I18NString("second"));
    EXPECT_EQ(status, -50);
    // The credential is now addressed to the claiming namespace, without the blob.
    I18NString value;
    ASSERT_TRUE(header.GetCredentials().GetValue("namespace", value));
    EXPECT_EQ(value, I18NString("second"));
    EXPECT_TRUE(header.GetCredentials().GetValue("username", value));
    EXPECT_FALSE(header.GetCredentials().GetValue("runtimeblob", value));

    // The text this provider writes (generation 100) is not a claim; nor is another namespace.
    for (const auto& [blob, ridgeNamespace] :
         std::vector<std::pair<std::string, std::string>>{{Blob("100", "ridgetest"), ""},
                                                          {Blob("4", "ridgetest"), "othertest"},
                                                          {Blob("4", "nosuch"), ""}}) {
        VOR_AAA_BiBusHeader other;
        AddGenericCredential(other, blob, ridgeNamespace);
        int32_t unchanged = 7;
        EXPECT_EQ(
            LookupNamespaceForAuthentication(*provider, "$VOR_AAA_AuthRidge", other, unchanged),
            nullptr)
            << blob;
        EXPECT_EQ(unchanged, 7);
    }

    VOR_AAA_BiBusHeader broken;
    AddGenericCredential(broken, "<GENERATION>4");
    try {
        LookupNamespaceForAuthentication(*provider, "$VOR_AAA_AuthRidge", broken, status);
        FAIL() << "a blob that is not XML was accepted";
    } catch (VOR_AAA_Exception& e) {
        EXPECT_EQ(e.getErrorCode(), -32);
    }
    // An ordinary identifier is looked up as it is.
    EXPECT_EQ(LookupNamespaceForAuthentication(*provider, "first", header, status)->GetIdentifier(),
              I18NString("first"));
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

TEST_F(DirectoryNamespace, AuthenticationCallsAreTracedWithoutThePassword) {
    const std::string log = home->Path() + "/trace.log";
    setenv("BASALT_LOG_FILE", log.c_str(), 1);
    setenv("BASALT_LOG_LEVEL", "10000", 1);
    LogTypedLogger::reloadConfiguration();
    const std::string context =
        "<additionalInfo xmlns=\"http://basalt.example/schemas/bibus/3/\"><tracking>"
        "<hopCount>3</hopCount><requestContext>R-17</requestContext>"
        "<sessionContext>S-42</sessionContext><stepContext>P-5</stepContext></tracking>"
        "</additionalInfo>";
    VOR_AAA_AdditionalInfo request;
    request.Load(context.c_str(), context.size());
    auto ns = Build("t", "ridgetest");
    ASSERT_TRUE(ns);
    AS_Handle handle = 0;
    ASSERT_EQ(ns->OpenHandle(handle), 0);
    {
        const TraceScope scope(GetAuditLogger(), request);
        ASSERT_TRUE(scope.IsEnabled());
        char ticket[AS_TICKET_SIZE] = {};
        AS_ObjectId id = 0;
        EXPECT_EQ(TracedAuthenticateUser2(scope, handle, "ridgetest", "alice", "Secret#2024",
                                          nullptr, &id, ticket),
                  0);
        EXPECT_NE(id, 0u);
        EXPECT_EQ(TracedAuthenticateUser2(scope, handle, "ridgetest", "alice", "wrong-password",
                                          nullptr, &id, nullptr),
                  -3);
    }
    setenv("BASALT_LOG_LEVEL", "50000", 1);
    LogTypedLogger::reloadConfiguration();
    {
        const TraceScope quiet(GetAuditLogger(), request);
        EXPECT_FALSE(quiet.IsEnabled());
        AS_ObjectId id = 0;
        EXPECT_EQ(TracedAuthenticateUser2(quiet, handle, "ridgetest", "bob", "Secret#2024", nullptr,
                                          &id, nullptr),
                  0);
    }
    AS_Terminate(handle);
    unsetenv("BASALT_LOG_FILE");
    unsetenv("BASALT_LOG_LEVEL");
    LogTypedLogger::reloadConfiguration();

    std::ifstream in(log);
    std::vector<std::string> records;
    for (std::string line; std::getline(in, line);) {
        records.push_back(line);
    }
    ASSERT_EQ(records.size(), 4u);  // start and end of the two traced calls, none when disabled
    for (const std::string& record : records) {
        EXPECT_EQ(record.find("Secret#2024"), std::string::npos) << record;
        EXPECT_EQ(record.find("wrong-password"), std::string::npos) << record;
        EXPECT_NE(record.find("R-17"), std::string::npos) << record;
        EXPECT_NE(record.find("S-42"), std::string::npos) << record;
        EXPECT_NE(record.find("AAA.Provider.LDAP"), std::string::npos) << record;
    }
    EXPECT_NE(records[0].find("CallStart"), std::string::npos);
    EXPECT_NE(records[0].find("<item name=\\\"Password\\\"><![CDATA[*****]]></item>"),
              std::string::npos)
        << records[0];
    EXPECT_NE(records[1].find("CallEnd"), std::string::npos);
    // The end of a call names the directory server that served it.
    EXPECT_NE(records[1].find("<item name=\\\"server\\\"><![CDATA[" + env.hostPort() + "]]>"),
              std::string::npos)
        << records[1];
    EXPECT_NE(records[3].find("<returnvalue><![CDATA[-3]]></returnvalue>"), std::string::npos)
        << records[3];
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
