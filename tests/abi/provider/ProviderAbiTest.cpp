// The provider as a host sees it: the export, the tables and every result code of the frame.
// No directory server is needed here; configuring against a live directory is an integration
// test.
#include "ProviderTables.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

using namespace provider_test;

namespace {

const auto* const g_home = ::testing::AddGlobalTestEnvironment(new ScratchHome);

class ProviderAbi : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(lib.Loaded());
        lib.Terminate();  // every test starts without a provider
    }
    void TearDown() override { lib.Terminate(); }

    ProviderTables lib;
};

const char* kUnknownNamespaceVersion =
    "<setNamespceVersionDocument><namespaceID>nowhere</namespaceID>"
    "<namespaceVersion>http://basalt.example/schemas/VOR/AAANamespaceFormat/1/</namespaceVersion>"
    "</setNamespceVersionDocument>";

}  // namespace

TEST_F(ProviderAbi, InterfaceNumbersOutsideTheThreeTablesAreRefused) {
    void* table[4] = {nullptr, nullptr, nullptr, nullptr};
    for (int32_t number : {3, -1, 1000}) {
        EXPECT_EQ(lib.getInterface(number, table), -16);
        for (void* entry : table) {
            EXPECT_EQ(entry, nullptr);
        }
    }
    EXPECT_NE(lib.life.Initialize, nullptr);
    EXPECT_NE(lib.life.SetNamespaceVersion, nullptr);
    EXPECT_NE(lib.text.SearchXml, nullptr);
    EXPECT_NE(lib.objects.Search, nullptr);
}

TEST_F(ProviderAbi, InitializeNeedsAnAllocRoutineAndAnExceptionPointer) {
    char* exception = reinterpret_cast<char*>(&lib);  // must be nulled
    EXPECT_EQ(lib.life.Initialize(nullptr, nullptr, &exception), -19);
    EXPECT_EQ(exception, nullptr);
    EXPECT_EQ(lib.life.Initialize(RecordingAlloc, nullptr, nullptr), -19);
    EXPECT_EQ(lib.Initialize(), 0);
}

TEST_F(ProviderAbi, EntriesBeforeInitializeReportNotInitialised) {
    std::string response = "x", exception = "x";
    EXPECT_EQ(lib.Configure("<instance/>", response, exception), -26);
    EXPECT_TRUE(response.empty());
    EXPECT_TRUE(exception.empty());

    char* text = reinterpret_cast<char*>(&lib);
    EXPECT_EQ(lib.life.SetNamespaceVersion(kUnknownNamespaceVersion, nullptr, &text), -26);
    EXPECT_EQ(text, nullptr);

    char* answer = reinterpret_cast<char*>(&lib);
    char* failure = reinterpret_cast<char*>(&lib);
    EXPECT_EQ(lib.text.SearchXml("<visa/>", "<query/>", &answer, &failure), -26);
    EXPECT_EQ(answer, nullptr);
    EXPECT_EQ(failure, nullptr);
    EXPECT_EQ(lib.text.AuthenticateXml("<authenticateDocument/>", &answer), -26);
    EXPECT_EQ(answer, nullptr);
}

// Each failed configuration passes its code through and names its cause.
TEST_F(ProviderAbi, ConfigurationFailuresCarryTheirCodeAndCause) {
    ASSERT_EQ(lib.Initialize(), 0);
    const struct {
        std::string configuration;
        int32_t code;
        std::vector<std::string> said;
    } cases[] = {
        // Malformed: the loader and the parser's text.
        {"<instance name=\"x\"><parameter></instance>",
         -48,
         {"CFGAPI_Instance::Load()", "line 1",
          "<errorCode xsi:type=\"xsd:string\" xml:space=\"preserve\">-48"}},
        // A missing mandatory parameter, or one present without a value.
        {"<instance name=\"Sales\"><parameter name=\"connection\"><value>h:1</value>"
         "</parameter></instance>",
         -34,
         {"Sales", "id"}},
        {"<instance name=\"Sales\"><parameter name=\"id\"/></instance>", -34, {"Sales"}},
        // An empty base DN writes no configuration of its own; with none in force the library's
        // configuration check fails.
        {NamespaceConfiguration("ns1", "127.0.0.1:1", "", "x"), -1, {"AS_CheckConfiguration"}},
        // Nothing listens on port 1: AS_Init only records, the first read names the server. No
        // server answering is an outage of the directory, not an internal error.
        {NamespaceConfiguration("ns1", "127.0.0.1:1", "dc=x", "x"),
         -1,
         {"The directory of x cannot be reached", "127.0.0.1:1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.configuration);
        std::string response = "x", exception;
        EXPECT_EQ(lib.Configure(c.configuration, response, exception), c.code);
        EXPECT_TRUE(response.empty());
        for (const std::string& text : c.said) {
            EXPECT_NE(exception.find(text), std::string::npos) << text << " in " << exception;
        }
        if (c.code == -1) {
            EXPECT_EQ(exception.find("Internal error"), std::string::npos) << exception;
        }
    }
}

TEST_F(ProviderAbi, SetNamespaceVersionNamingAnUnknownNamespaceInTheRequestLocale) {
    ASSERT_EQ(lib.Initialize(), 0);
    char* text = nullptr;
    EXPECT_EQ(lib.life.SetNamespaceVersion(kUnknownNamespaceVersion, nullptr, &text), -38);
    const std::string exception = Take(text);
    EXPECT_NE(exception.find("vorAuthUnrecoverable"), std::string::npos) << exception;
    EXPECT_NE(exception.find("nowhere"), std::string::npos) << exception;
    EXPECT_NE(exception.find("<nestingLevel xsi:type=\"xsd:integer\">1</nestingLevel>"),
              std::string::npos);

    // A document that is not well-formed: the parser's code passes through.
    EXPECT_EQ(lib.life.SetNamespaceVersion("<setNamespceVersionDocument>", nullptr, &text), -19);
    EXPECT_FALSE(Take(text).empty());

    // The exception in the request's locale, allocated with the host's routine.
    const char* french =
        "<additionalInfo xmlns=\"http://basalt.example/schemas/bibus/3/\">"
        "<productLocale>fr</productLocale></additionalInfo>";
    {
        std::lock_guard<std::mutex> guard(GetAllocations().lock);
        GetAllocations().sizes.clear();
    }
    EXPECT_EQ(lib.life.SetNamespaceVersion(kUnknownNamespaceVersion, french, &text), -38);
    const std::string inFrench = Take(text);
    EXPECT_NE(exception, inFrench);
    EXPECT_NE(inFrench.find("nowhere"), std::string::npos);
    std::lock_guard<std::mutex> guard(GetAllocations().lock);
    ASSERT_EQ(GetAllocations().sizes.size(), 1u);
    EXPECT_EQ(GetAllocations().sizes[0], inFrench.size() + 1);
}

TEST_F(ProviderAbi, RequestsThatCannotBeServedAreAnswered) {
    ASSERT_EQ(lib.Initialize(), 0);
    char* response = nullptr;
    EXPECT_EQ(lib.text.AuthenticateXml("<authenticateDocument>", &response), -38);
    const std::string answer = Take(response);
    EXPECT_NE(answer.find("<authenticateResponse"), std::string::npos) << answer;
    EXPECT_NE(answer.find("vorAuthUnrecoverable"), std::string::npos) << answer;

    char* failure = nullptr;
    EXPECT_EQ(lib.text.SearchXml("<visa", "<query/>", &response, &failure), -19);
    EXPECT_EQ(response, nullptr);
    EXPECT_FALSE(Take(failure).empty());

    // A search for a namespace not configured here.
    const char* visa =
        "<visa xmlns=\"http://basalt.example/schemas/VOR/AAA/1/\" namespaceID=\"nowhere\">"
        "<object id=\"v\" class=\"visa\"><object id=\"\" class=\"user\"/></object>"
        "<providerSpecificData/></visa>";
    const char* query = "<query><search>VORID('nowhere')</search></query>";
    EXPECT_EQ(lib.text.SearchXml(visa, query, &response, &failure), -38);
    EXPECT_EQ(response, nullptr);
    const std::string exception = Take(failure);
    EXPECT_NE(exception.find("nowhere"), std::string::npos) << exception;

    // A failed assertion is no platform exception with a code of its own: general failure.
    EXPECT_EQ(lib.objects.Search(nullptr, nullptr, nullptr, nullptr), -48);
    EXPECT_EQ(lib.objects.Authenticate(nullptr, nullptr), -38);
}

TEST_F(ProviderAbi, AFailingProcessInitialisationLeavesNoProviderBehind) {
    // The access library refuses a home directory that does not exist.
    setenv("BASALT_HOME", "/nonexistent/basalt-home", 1);
    std::string exception;
    const int32_t failed = lib.Initialize(&exception);
    setenv("BASALT_HOME", ScratchHome::Path().c_str(), 1);
    EXPECT_EQ(failed, -1);
    EXPECT_NE(exception.find("AS_TesselProcessInitialize"), std::string::npos) << exception;
    // The next entry tries again and succeeds.
    EXPECT_EQ(lib.Initialize(), 0);
}

TEST_F(ProviderAbi, LifecycleEntriesUnderHostileAdditionalInformation) {
    // Larger than any document may be (16 MiB by default): refused with its reason, before the
    // host's first Initialize has brought up the parser.
    const std::string oversized =
        "<additionalInfo>" + std::string(16 * 1024 * 1024, ' ') + "</additionalInfo>";
    char* exception = nullptr;
    EXPECT_EQ(lib.life.Initialize(RecordingAlloc, oversized.c_str(), &exception), -19);
    const std::string refusal = Take(exception);
    EXPECT_NE(refusal.find("max_document_size"), std::string::npos) << refusal;
    ASSERT_EQ(lib.Initialize(), 0);

    // Terminate checks no argument: it tears down and reports the teardown, which succeeded.
    EXPECT_EQ(lib.life.Terminate("<additionalInfo><productLocale>", &exception), 0);
    EXPECT_EQ(exception, nullptr);
    std::string response, configureException;
    EXPECT_EQ(lib.Configure("<instance/>", response, configureException), -26)
        << "the provider is gone";
}
