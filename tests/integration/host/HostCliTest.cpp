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

TEST(HostCommandLine, HelpAndUsageErrors) {
    HostRun help = runHost({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* word : {"show", "set-version", "authenticate", "search", "--library",
                             "--config", "--raw", "Exit status"}) {
        EXPECT_THAT(help.out, HasSubstr(word));
    }

    HostRun nothing = runHost({});
    EXPECT_EQ(nothing.status, 2);
    EXPECT_THAT(nothing.err, HasSubstr("--config is required"));

    HostRun unknown = runHost({"-c", "x.xml", "frobnicate"});
    EXPECT_EQ(unknown.status, 2);
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

    HostRun french = runHost({"-l", kFake, "--locale", "fr", "show", "-c", config});
    EXPECT_EQ(french.status, 1);
    EXPECT_THAT(french.err, HasSubstr("message: Param\xC3\xA8tre obligatoire absent"));
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

    HostRun other = runHost({"-l", kFake, "set-version", "-c", config, "-n", "nsX", "1"});
    EXPECT_EQ(other.status, 1);
    EXPECT_THAT(other.err, HasSubstr("failed with result -38"));
    EXPECT_THAT(other.err, HasSubstr("message: unknown namespace"));

    HostRun bad = runHost({"-l", kFake, "set-version", "-c", config, "seven"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_THAT(bad.err, HasSubstr("'seven' is not a namespace version"));
}

TEST(HostAuthenticateAndSearch, VisaFromOneRunDrivesTheSearchOfTheNext) {
    ScratchDir dir;
    std::string config = dir.write("ns.xml", namespaceConfig("ns1"));
    std::string logon = dir.write("logon.xml",
                                  "<authenticateDocument><credential><username>alice"
                                  "</username><password>right</password>"
                                  "</credential></authenticateDocument>");
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
    std::string logon = dir.write("logon.xml",
                                  "<authenticateDocument><credential><password>"
                                  "wrong</password></credential>"
                                  "</authenticateDocument>");
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
