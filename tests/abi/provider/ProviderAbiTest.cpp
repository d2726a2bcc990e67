// The provider as a host sees it: the export, the tables and every result code of the frame.
// No directory server is needed here; configuring against a live directory is an integration
// test.
#include "ProviderTables.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

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

TEST_F(ProviderAbi, MalformedConfigurationReportsTheLoaderAndTheParserText) {
    ASSERT_EQ(lib.Initialize(), 0);
    std::string response, exception;
    EXPECT_EQ(lib.Configure("<instance name=\"x\"><parameter></instance>", response, exception),
              -48);
    EXPECT_TRUE(response.empty());
    EXPECT_NE(exception.find("CFGAPI_Instance::Load()"), std::string::npos) << exception;
    EXPECT_NE(exception.find("line 1"), std::string::npos) << exception;  // the parser's text
    EXPECT_NE(exception.find("<errorCode xsi:type=\"xsd:string\" xml:space=\"preserve\">-48"),
              std::string::npos);
}

TEST_F(ProviderAbi, AMissingMandatoryParameterPassesItsCodeThrough) {
    ASSERT_EQ(lib.Initialize(), 0);
    std::string response, exception;
    EXPECT_EQ(lib.Configure("<instance name=\"Sales\"><parameter name=\"connection\"><value>h:1"
                            "</value></parameter></instance>",
                            response, exception),
              -34);
    EXPECT_NE(exception.find("Sales"), std::string::npos) << exception;
    EXPECT_NE(exception.find("id"), std::string::npos);
    // A parameter present but without a value is missing too.
    EXPECT_EQ(lib.Configure("<instance name=\"Sales\"><parameter name=\"id\"/></instance>",
                            response, exception),
              -34);
}

TEST_F(ProviderAbi, DirectoryFailuresNameTheLibraryFunction) {
    ASSERT_EQ(lib.Initialize(), 0);
    std::string response, exception;
    // An empty base DN writes no configuration of its own; with none in force the library's
    // configuration check fails.
    EXPECT_EQ(
        lib.Configure(NamespaceConfiguration("ns1", "127.0.0.1:1", "", "x"), response, exception),
        -1);
    EXPECT_NE(exception.find("AS_CheckConfiguration"), std::string::npos) << exception;
    // Port 1 on the loopback interface: nothing listens there.
    EXPECT_EQ(lib.Configure(NamespaceConfiguration("ns1", "127.0.0.1:1", "dc=x", "x"), response,
                            exception),
              -1);
    EXPECT_TRUE(response.empty());
    // AS_Init only records the configuration: the first read connects and names the server.
    // No server answering is an outage of the directory, not an internal error.
    EXPECT_NE(exception.find("The directory of x cannot be reached"), std::string::npos)
        << exception;
    EXPECT_NE(exception.find("127.0.0.1:1"), std::string::npos) << exception;
    EXPECT_EQ(exception.find("Internal error"), std::string::npos) << exception;
}

TEST_F(ProviderAbi, SetNamespaceVersionNamingAnUnknownNamespace) {
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
}

TEST_F(ProviderAbi, ExceptionsAreRenderedInTheRequestLocaleWithTheHostsAllocRoutine) {
    ASSERT_EQ(lib.Initialize(), 0);
    const char* french =
        "<additionalInfo xmlns=\"http://basalt.example/schemas/bibus/3/\">"
        "<productLocale>fr</productLocale></additionalInfo>";
    char* text = nullptr;
    lib.life.SetNamespaceVersion(kUnknownNamespaceVersion, nullptr, &text);
    const std::string english = Take(text);
    {
        std::lock_guard<std::mutex> guard(GetAllocations().lock);
        GetAllocations().sizes.clear();
    }
    EXPECT_EQ(lib.life.SetNamespaceVersion(kUnknownNamespaceVersion, french, &text), -38);
    const std::string inFrench = Take(text);
    EXPECT_NE(english, inFrench);
    EXPECT_NE(inFrench.find("nowhere"), std::string::npos);
    std::lock_guard<std::mutex> guard(GetAllocations().lock);
    ASSERT_EQ(GetAllocations().sizes.size(), 1u);
    EXPECT_EQ(GetAllocations().sizes[0], inFrench.size() + 1);
}

TEST_F(ProviderAbi, RequestDocumentsThatCannotBeReadAreAnswered) {
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
}

TEST_F(ProviderAbi, AnAuthenticateRequestWithARejectedActionNamesIt) {
    ASSERT_EQ(lib.Initialize(), 0);
    const char* document =
        "<authenticateDocument xmlns:bus=\"http://basalt.example/schemas/bibus/3/\">"
        "<bus:biBusHeader><bus:hdrSession><bus:formFieldVars>"
        "<item><name>h_VOR_action</name><value>validate</value></item>"
        "</bus:formFieldVars></bus:hdrSession></bus:biBusHeader></authenticateDocument>";
    char* response = nullptr;
    EXPECT_EQ(lib.text.AuthenticateXml(document, &response), -38);
    const std::string answer = Take(response);
    EXPECT_NE(answer.find("action"), std::string::npos) << answer;
    EXPECT_NE(answer.find("vorAuthUnrecoverable"), std::string::npos) << answer;
}

TEST_F(ProviderAbi, ASearchForAnUnconfiguredNamespaceIsRefused) {
    ASSERT_EQ(lib.Initialize(), 0);
    const char* visa =
        "<visa xmlns=\"http://basalt.example/schemas/VOR/AAA/1/\" namespaceID=\"nowhere\">"
        "<object id=\"v\" class=\"visa\"><object id=\"\" class=\"user\"/></object>"
        "<providerSpecificData/></visa>";
    const char* query = "<query><search>VORID('nowhere')</search></query>";
    char* response = nullptr;
    char* failure = nullptr;
    EXPECT_EQ(lib.text.SearchXml(visa, query, &response, &failure), -38);
    EXPECT_EQ(response, nullptr);
    const std::string exception = Take(failure);
    EXPECT_NE(exception.find("nowhere"), std::string::npos) << exception;
}

TEST_F(ProviderAbi, DocumentObjectEntriesRefuseMissingObjects) {
    ASSERT_EQ(lib.Initialize(), 0);
    // A failed assertion is no platform exception with a code of its own: general failure.
    EXPECT_EQ(lib.objects.Search(nullptr, nullptr, nullptr, nullptr), -48);
    EXPECT_EQ(lib.objects.Authenticate(nullptr, nullptr), -38);
}

TEST_F(ProviderAbi, TerminateThenInitializeAgain) {
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(lib.Initialize(), 0) << round;
        std::string response, exception;
        EXPECT_EQ(lib.Configure("<broken", response, exception), -48);
        ASSERT_EQ(lib.Terminate(), 0) << round;
        EXPECT_EQ(lib.Configure("<broken", response, exception), -26);  // no alloc routine now
        lib.Terminate();
    }
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
