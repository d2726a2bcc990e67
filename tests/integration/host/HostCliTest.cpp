// basalt-host run as a program against a scripted provider: output, exit status, buffer
// ownership and the checks of the allocation contract.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "HostProcess.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

const std::string kFake = BASALT_FAKE_PROVIDER;

std::string namespaceConfig(const std::string& id, const std::string& extra = "") {
    return "<instance name=\"Ridge " + id + "\" class=\"Ridge\"><parameter name=\"id\"><value>" +
           id + "</value></parameter>" + extra + "</instance>";
}

// The parameters that name the directory: connection as given, base DN and namespace made up.
std::string directoryParameters(const std::string& connection) {
    return "<parameter name=\"connection\"><value>" + connection +
           "</value></parameter><parameter name=\"baseDN\"><value>dc=x</value></parameter>"
           "<parameter name=\"namespace\"><value>R</value></parameter>";
}

// An authenticate document carrying one credential (its inner elements).
std::string logonDocument(const std::string& credential) {
    return "<authenticateDocument><credential>" + credential +
           "</credential></authenticateDocument>";
}

TEST(HostCommandLine, HelpAndUsageErrors) {
    // Each command's help lists every option it takes, the common ones included.
    for (const char* command : {"check", "show", "set-version", "authenticate", "search"}) {
        HostRun commandHelp = runHost({command, "--help"});
        EXPECT_EQ(commandHelp.status, 0) << command;
        for (const char* option : {"--config", "--library", "--locale", "--raw"}) {
            EXPECT_THAT(commandHelp.out, HasSubstr(option)) << command;
        }
    }
    EXPECT_THAT(runHost({"set-version", "--help"}).out, HasSubstr("--namespace"));
    EXPECT_THAT(runHost({"search", "--help"}).out, HasSubstr("--visa"));

    HostRun noConfig = runHost({"show"});
    EXPECT_EQ(noConfig.status, 2);
    EXPECT_THAT(noConfig.err, HasSubstr("--config is required"));

    HostRun unknown = runHost({"frobnicate", "-c", "x.xml"});
    EXPECT_EQ(unknown.status, 2);
}

TEST(HostCommandLine, UnfilledPlaceholdersAreRefusedBeforeTheProviderLoads) {
    ScratchDir dir;
    // Placeholders inside comments are documentation, not values.
    std::string config =
        dir.write("ns.xml",
                  "<!-- fill @RIDGE_PORT@ in --><instance name=\"x\"><parameter name=\"id\">"
                  "<value>a</value></parameter><parameter name=\"connection\"><value>"
                  "@RIDGE_HOST@:@RIDGE_PORT@</value></parameter></instance>");
    // The library does not exist: the placeholder is found first.
    HostRun run = runHost({"-l", dir.path("none.so"), "check", "-c", config});
    EXPECT_EQ(run.status, 2);
    EXPECT_THAT(run.err, HasSubstr("still holds the placeholder(s) @RIDGE_HOST@, @RIDGE_PORT@:"));

    std::string commentOnly =
        dir.write("c.xml",
                  "<!-- @RIDGE_HOST@ --><instance name=\"x\"><parameter name=\"id\"><value>a@b"
                  "</value></parameter></instance>");
    HostRun fine = runHost({"-l", kFake, "show", "-c", commentOnly});
    EXPECT_EQ(fine.status, 0) << fine.err;
}

TEST(HostCommandLine, UnusableLibrariesAreExplained) {
    ScratchDir dir;
    std::string config = dir.write("ns.xml", namespaceConfig("ns1"));

    HostRun missing = runHost({"-l", dir.path("nowhere/libBasalt.so"), "show", "-c", config});
    EXPECT_EQ(missing.status, 2);
    EXPECT_THAT(missing.err, HasSubstr("nowhere/libBasalt.so' does not exist"));

    HostRun notProvider = runHost({"-l", BASALT_NOT_A_PROVIDER, "show", "-c", config});
    EXPECT_EQ(notProvider.status, 2);
    EXPECT_THAT(notProvider.err, HasSubstr("does not export VOR_AAA_GetInterface"));

    HostRun notLibrary = runHost({"-l", config, "show", "-c", config});
    EXPECT_EQ(notLibrary.status, 2);
    EXPECT_THAT(notLibrary.err, HasSubstr("cannot load the provider library"));

    HostRun noConfig = runHost({"-l", kFake, "show", "-c", dir.path("absent.xml")});
    EXPECT_EQ(noConfig.status, 2);
    EXPECT_THAT(noConfig.err, HasSubstr("cannot read the namespace configuration"));
    EXPECT_THAT(noConfig.err, HasSubstr("absent.xml"));
}

TEST(HostShow, PrintsEachNamespaceObjectReadablyOrRaw) {
    ScratchDir dir;
    std::string first = dir.write("a.xml", namespaceConfig("ns1"));
    std::string second = dir.write("b.xml", namespaceConfig("ns2"));

    HostRun readable = runHost({"-l", kFake, "show", "-c", first, "-c", second});
    EXPECT_EQ(readable.status, 0) << readable.err;
    EXPECT_EQ(readable.err, "");  // no warning: every buffer freed, every size right
    const std::string& out = readable.out;
    EXPECT_THAT(out, HasSubstr("configured '" + first +
                               "': result 0 (success)\nobjects: 1\n"
                               "namespace: (no search path)\n"
                               "  capabilities: startsWith, caseSensitive\n"
                               "namespace object 'ns1' (search without a user): result 0 "
                               "(success)\nobjects: 1\nnamespace: VORID(\"ns1\")\n"
                               "  hasChildren: true\n  defaultName: ns1\n"
                               "  name: Ridge ns1 (en), R\xC3\xA9seau (fr)\n"
                               "  objectClass: namespace\n  ancestors: Directory [/directory]\n"));
    EXPECT_LT(out.find("VORID(\"ns1\")"), out.find("VORID(\"ns2\")"));

    HostRun raw = runHost({"-l", kFake, "--raw", "show", "-c", first});
    EXPECT_EQ(raw.status, 0);
    EXPECT_THAT(raw.out, StartsWith("<cm:queryResponse xmlns:cm="));
    EXPECT_THAT(raw.out, HasSubstr("R&#233;seau"));  // exactly as returned, not re-encoded
    EXPECT_THAT(raw.err, HasSubstr("result 0"));
}

TEST(HostShow, ProviderFailureShowsTheExceptionInTheRequestedLocale) {
    ScratchDir dir;
    std::string config = dir.write("bad.xml", "<instance name=\"no id\"/>");

    HostRun run = runHost({"-l", kFake, "show", "-c", config});
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("BasaltConfigure of '" + config +
                                   "' failed with result -34 "
                                   "(a mandatory configuration parameter is missing)"));
    EXPECT_THAT(run.err, HasSubstr("  message: A mandatory parameter is missing\n"
                                   "    message: parameter \"id\" & more\n"));

    // One language per run: the host's lead line speaks French with the provider's details,
    // whether the locale comes from the command line or from the environment.
    HostRun french = runHost({"-l", kFake, "--locale", "fr", "show", "-c", config});
    EXPECT_EQ(french.status, 1);
    EXPECT_THAT(french.err, HasSubstr("message: Param\xC3\xA8tre obligatoire absent"));
    EXPECT_THAT(french.err, HasSubstr("a \xC3\xA9"
                                      "chou\xC3\xA9 avec le r\xC3\xA9sultat -34 (un "
                                      "param\xC3\xA8tre de configuration obligatoire manque)"));
    EXPECT_THAT(french.err, Not(HasSubstr("failed with")));

    HostRun fromEnvironment =
        runHost({"-l", kFake, "show", "-c", config}, {{"LC_ALL", ""}, {"LANG", "fr_CA.UTF-8"}});
    EXPECT_THAT(fromEnvironment.err, HasSubstr("message: Param\xC3\xA8tre obligatoire absent"));
    EXPECT_THAT(fromEnvironment.err, HasSubstr("a \xC3\xA9"
                                               "chou\xC3\xA9 avec le r\xC3\xA9sultat"));
    HostRun english = runHost({"-l", kFake, "--locale", "en-gb", "show", "-c", config},
                              {{"LANG", "fr_FR.UTF-8"}});
    EXPECT_THAT(english.err, HasSubstr("failed with result -34"));
}

TEST(HostShow, BreachesOfTheAllocationContractAreReported) {
    ScratchDir dir;
    HostRun oversize = runHost(
        {"-l", kFake, "show", "-c", dir.write("o.xml", namespaceConfig("ns1", "<oversize/>"))});
    EXPECT_EQ(oversize.status, 0);
    EXPECT_THAT(oversize.err, HasSubstr("expected exactly length + 1"));

    HostRun leak =
        runHost({"-l", kFake, "show", "-c", dir.write("l.xml", namespaceConfig("ns1", "<leak/>"))});
    EXPECT_EQ(leak.status, 0);
    EXPECT_THAT(leak.err, HasSubstr("requested 1 block(s) with the alloc routine and never "
                                    "handed them back"));

    std::string silentConfig = dir.write("s.xml", namespaceConfig("ns1", "<silent/>"));
    HostRun silent = runHost({"-l", kFake, "show", "-c", silentConfig});
    EXPECT_EQ(silent.status, 2);
    EXPECT_THAT(silent.err, HasSubstr("BasaltConfigure of '" + silentConfig +
                                      "' succeeded but returned no response document"));
}

TEST(HostSetVersion, SendsTheVersionDocumentForTheConfiguredNamespace) {
    ScratchDir dir;
    std::string config = dir.write("ns.xml", namespaceConfig("ns1"));

    HostRun set = runHost({"-l", kFake, "set-version", "-c", config, "3"});
    EXPECT_EQ(set.status, 0) << set.err;
    EXPECT_THAT(set.out, HasSubstr("namespace 'ns1' set to version "
                                   "http://basalt.example/schemas/VOR/AAANamespaceFormat/3/"));

    // -38 from this entry means an unknown namespace, not a failed sign-on.
    HostRun other = runHost({"-l", kFake, "set-version", "-c", config, "-n", "nsX", "1"});
    EXPECT_EQ(other.status, 1);
    EXPECT_THAT(other.err,
                HasSubstr("failed with result -38 (no configured namespace has this identifier)"));
    EXPECT_THAT(other.err, HasSubstr("message: unknown namespace"));

    // A URI the provider does not know would be stored as version 0 and still succeed.
    for (const char* bad : {"seven", "http://x/y"}) {
        HostRun refused = runHost({"-l", kFake, "set-version", "-c", config, bad});
        EXPECT_EQ(refused.status, 2);
        EXPECT_THAT(refused.err,
                    HasSubstr(std::string("'") + bad + "' is not a namespace version"));
    }
    HostRun byUri = runHost({"-l", kFake, "set-version", "-c", config,
                             "http://basalt.example/schemas/VOR/AAANamespaceFormat/2/"});
    EXPECT_EQ(byUri.status, 0) << byUri.err;
}

TEST(HostCheck, WithoutTheDirectoryLibraryOnlyTheDocumentAndTheProviderAreChecked) {
    ScratchDir dir;
    std::string incomplete = dir.write("i.xml", namespaceConfig("ns1"));
    HostRun missing = runHost({"-l", kFake, "check", "-c", incomplete});
    EXPECT_EQ(missing.status, 1);
    EXPECT_THAT(missing.out, HasSubstr("[FAIL] the configuration document: no value for "
                                       "connection, baseDN, namespace\n"));

    std::string badPort = dir.write("p.xml", namespaceConfig("ns1", directoryParameters("h:ldap")));
    HostRun port = runHost({"-l", kFake, "check", "-c", badPort});
    EXPECT_EQ(port.status, 1);
    EXPECT_THAT(port.out, HasSubstr("connection \"h:ldap\" is not host:port"));

    std::string complete = dir.write("c.xml", namespaceConfig("ns1", directoryParameters("h:389")));
    HostRun fine = runHost({"-l", kFake, "check", "-c", complete});
    EXPECT_EQ(fine.status, 0) << fine.out << fine.err;
    EXPECT_THAT(fine.out, HasSubstr("[skip] the directory steps"));
    EXPECT_THAT(fine.out, HasSubstr("[ok]   the provider configures the namespace\n"));
}

TEST(HostAuthenticateAndSearch, VisaFromOneRunDrivesTheSearchOfTheNext) {
    ScratchDir dir;
    std::string config = dir.write("ns.xml", namespaceConfig("ns1"));
    std::string logon = dir.write(
        "logon.xml", logonDocument("<username>alice</username><password>right</password>"));
    std::string visaFile = dir.path("visa.xml");

    HostRun auth =
        runHost({"-l", kFake, "authenticate", "-c", config, logon, "--visa-out", visaFile});
    EXPECT_EQ(auth.status, 0) << auth.err;
    EXPECT_THAT(auth.out, HasSubstr("visa for namespace: ns1\n  visa: v1\n  user: u:alice\n"
                                    "  role: r:staff\n  provider data as_session: s1\n"));
    EXPECT_THAT(auth.out, HasSubstr("result: 0 (success)"));
    EXPECT_THAT(slurp(visaFile), StartsWith("<visa xmlns=\"http://basalt.example/"));
    EXPECT_THAT(auth.out, Not(HasSubstr("right")));  // the password is never echoed

    std::string query = dir.write("q.xml", "<query><search>u:alice</search></query>");
    HostRun search = runHost({"-l", kFake, "search", "-c", config, "--visa", visaFile, query});
    EXPECT_EQ(search.status, 0) << search.err;
    EXPECT_THAT(search.out, HasSubstr("objects: 1\naccount: u:alice\n  userName: alice\n"));

    // A saved authenticate response serves as the visa file too.
    HostRun rawAuth = runHost({"-l", kFake, "--raw", "authenticate", "-c", config, logon});
    std::string response = dir.write("response.xml", rawAuth.out);
    HostRun fromResponse =
        runHost({"-l", kFake, "search", "-c", config, "--visa", response, query});
    EXPECT_EQ(fromResponse.status, 0) << fromResponse.err;
}

TEST(HostAuthenticateAndSearch, RefusalsPrintThePromptAndFail) {
    ScratchDir dir;
    std::string config = dir.write("ns.xml", namespaceConfig("ns1"));
    std::string logon = dir.write("logon.xml", logonDocument("<password>wrong</password>"));
    std::string visaFile = dir.path("visa.xml");
    HostRun auth =
        runHost({"-l", kFake, "authenticate", "-c", config, logon, "--visa-out", visaFile});
    EXPECT_EQ(auth.status, 1);
    EXPECT_THAT(auth.out, HasSubstr("error: vorAuthUserRecoverable\ncaption: Log on\n"
                                    "prompt: VORPassword (textnoecho) \"Password\"\n"));
    EXPECT_THAT(auth.out, HasSubstr("result: -36 (more information is needed from the user)"));
    EXPECT_THAT(auth.err, HasSubstr("holds no visa"));
    EXPECT_FALSE(std::filesystem::exists(visaFile));

    std::string badVisa = dir.write("v.xml", "<visa/>");
    std::string query = dir.write("q.xml", "<query><search>~</search></query>");
    HostRun search = runHost({"-l", kFake, "search", "-c", config, "--visa", badVisa, query});
    EXPECT_EQ(search.status, 1);
    EXPECT_THAT(search.err, HasSubstr("BasaltSearchXml failed with result -48 (general failure)"));
    EXPECT_THAT(search.err, HasSubstr("message: no session for this visa"));

    std::string notXml = dir.write("n.xml", "visa?");
    HostRun unreadable = runHost({"-l", kFake, "search", "-c", config, "--visa", notXml, query});
    EXPECT_EQ(unreadable.status, 2);
    EXPECT_THAT(unreadable.err, HasSubstr("is not well-formed XML (line 1"));
}

}  // namespace
