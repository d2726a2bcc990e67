// basalt-host run as a program against a scripted provider: exit status, errors that say what
// to fix, buffer ownership and the checks of the allocation contract. Output is checked for
// what it must carry, not line by line; the commands the real provider answers are run in
// HostDirectoryTest.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "HostProcess.h"

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

const std::string kFake = BASALT_FAKE_PROVIDER;

std::string namespaceConfig(const std::string& id, const std::string& extra = "") {
    return "<instance name=\"Ridge " + id + "\" class=\"Ridge\"><parameter name=\"id\"><value>" +
           id + "</value></parameter>" + extra + "</instance>";
}

// Every one of these stops with status 2 before a provider call, saying what is wrong.
TEST(HostCommandLine, UnusableArgumentsFilesAndLibrariesAreExplained) {
    ScratchDir dir;
    std::string config = dir.write("ns.xml", namespaceConfig("ns1"));
    // Placeholders inside comments are documentation, not values.
    std::string placeholders =
        dir.write("p.xml",
                  "<!-- fill @RIDGE_PORT@ in --><instance name=\"x\"><parameter name=\"id\">"
                  "<value>a</value></parameter><parameter name=\"connection\"><value>"
                  "@RIDGE_HOST@:@RIDGE_PORT@</value></parameter></instance>");
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"show"}, "--config is required"},
        {{"frobnicate", "-c", config}, "A subcommand is required"},
        // The library does not exist: the placeholder is found first.
        {{"-l", dir.path("none.so"), "check", "-c", placeholders},
         "still holds the placeholder(s) @RIDGE_HOST@, @RIDGE_PORT@:"},
        {{"-l", dir.path("nowhere/libBasalt.so"), "show", "-c", config},
         "nowhere/libBasalt.so' does not exist"},
        {{"-l", BASALT_NOT_A_PROVIDER, "show", "-c", config},
         "does not export VOR_AAA_GetInterface"},
        {{"-l", config, "show", "-c", config}, "cannot load the provider library"},
        {{"-l", kFake, "show", "-c", dir.path("absent.xml")},
         "cannot read the namespace configuration"},
    };
    for (const auto& [args, reason] : refused) {
        HostRun run = runHost(args);
        EXPECT_EQ(run.status, 2) << reason;
        EXPECT_THAT(run.err, HasSubstr(reason));
    }

    std::string commentOnly =
        dir.write("c.xml",
                  "<!-- @RIDGE_HOST@ --><instance name=\"x\"><parameter name=\"id\"><value>a@b"
                  "</value></parameter></instance>");
    HostRun fine = runHost({"-l", kFake, "show", "-c", commentOnly});
    EXPECT_EQ(fine.status, 0) << fine.err;
}

TEST(HostShow, PrintsEachNamespaceObjectReadablyOrRaw) {
    ScratchDir dir;
    std::string first = dir.write("a.xml", namespaceConfig("ns1"));
    std::string second = dir.write("b.xml", namespaceConfig("ns2"));

    HostRun readable = runHost({"-l", kFake, "show", "-c", first, "-c", second});
    EXPECT_EQ(readable.status, 0) << readable.err;
    EXPECT_EQ(readable.err, "");  // no warning: every buffer freed, every size right
    EXPECT_THAT(readable.out, HasSubstr("  name: Ridge ns1 (en), R\xC3\xA9seau (fr)\n"));
    EXPECT_LT(readable.out.find("VORID(\"ns1\")"), readable.out.find("VORID(\"ns2\")"));

    HostRun raw = runHost({"-l", kFake, "--raw", "show", "-c", first});
    EXPECT_EQ(raw.status, 0);
    EXPECT_THAT(raw.out, StartsWith("<cm:queryResponse xmlns:cm="));
    EXPECT_THAT(raw.out, HasSubstr("R&#233;seau"));  // exactly as returned, not re-encoded
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

    // One language per run, the host's and the provider's: from the command line first, then
    // from the environment.
    const std::pair<std::vector<std::string>, Environment> french[] = {
        {{"-l", kFake, "--locale", "fr", "show", "-c", config}, {}},
        {{"-l", kFake, "show", "-c", config}, {{"LC_ALL", ""}, {"LANG", "fr_CA.UTF-8"}}}};
    for (const auto& [args, environment] : french) {
        HostRun inFrench = runHost(args, environment);
        EXPECT_THAT(inFrench.err, HasSubstr("message: Param\xC3\xA8tre obligatoire absent"));
        EXPECT_THAT(inFrench.err, HasSubstr("chou\xC3\xA9 avec le r\xC3\xA9sultat -34"));
    }
    HostRun english = runHost({"-l", kFake, "--locale", "en-gb", "show", "-c", config},
                              {{"LANG", "fr_FR.UTF-8"}});
    EXPECT_THAT(english.err, HasSubstr("failed with result -34"));
}

TEST(HostShow, BreachesOfTheAllocationContractAreReported) {
    ScratchDir dir;
    const std::tuple<std::string, int, std::string> breaches[] = {
        {"<oversize/>", 0, "expected exactly length + 1"},
        {"<leak/>", 0, "requested 1 block(s) with the alloc routine and never handed them back"},
        {"<silent/>", 2, "succeeded but returned no response document"}};
    for (const auto& [marker, status, report] : breaches) {
        HostRun run =
            runHost({"-l", kFake, "show", "-c", dir.write("c.xml", namespaceConfig("n", marker))});
        EXPECT_EQ(run.status, status) << marker;
        EXPECT_THAT(run.err, HasSubstr(report));
    }
}

}  // namespace
