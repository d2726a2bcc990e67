// basalt-host driving the real provider library against the throwaway directory of the
// ridge_directory fixture.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "HostProcess.h"
#include "RidgeTestDirectory.h"
#include "UnusedPort.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class HostAgainstDirectory : public ::testing::Test {
protected:
    void SetUp() override {
        env = ridge_test::RidgeTestDirectory::fromEnvironment();
        ASSERT_FALSE(env.host().empty())
            << "RIDGE_TEST_ENV does not name the fixture's env file with RIDGE_HOST";
        // A copy of the fixture's home: its access-library configuration names the fixture's
        // service identity, so the provider can read the namespace entry.
        home = dir.path("home");
        env.copyTestHomeTo(home);
    }

    std::string config(const std::string& id) const {
        return ridgeConfig(id, env.hostPort(), env.baseDn(), kTestNamespace);
    }

    HostRun host(std::vector<std::string> args) const {
        args.insert(args.begin(), {"-l", BASALT_PROVIDER_LIBRARY});
        return runHost(args, {{"BASALT_HOME", home}});
    }

    // The namespace entry of tests/integration/data/ridge-test.ldif.
    static inline const std::string kTestNamespace = "ridgetest";
    std::string home;

    ridge_test::RidgeTestDirectory env;
    ScratchDir dir;
};

TEST_F(HostAgainstDirectory, ShowsChecksAndSetsTheVersionOfTheNamespace) {
    std::string file = dir.write("ns.xml", config("ridge_host_test"));

    HostRun readable = host({"show", "-c", file});
    ASSERT_EQ(readable.status, 0) << readable.err;
    EXPECT_EQ(readable.err, "");  // every returned buffer freed, every size exact
    // The namespace object as a search without a user finds it, read from the directory.
    EXPECT_THAT(readable.out, HasSubstr("namespace: VORID(\"ridge_host_test\")\n"));
    EXPECT_THAT(readable.out, HasSubstr("  defaultName: Ridge test\n"));

    // Every directory step of check runs and passes (TLS is off in the fixture).
    HostRun check = host({"check", "-c", file});
    EXPECT_EQ(check.status, 0) << check.out << check.err;
    EXPECT_THAT(check.out,
                HasSubstr("[ok]   find the namespace entry \"ou=" + kTestNamespace + ","));
    EXPECT_THAT(check.out, Not(HasSubstr("[FAIL]")));
    EXPECT_THAT(check.out, HasSubstr("every step passed\n"));

    for (const char* version : {"3", "http://basalt.example/schemas/VOR/AAANamespaceFormat/2/"}) {
        HostRun set = host({"set-version", "-c", file, version});
        EXPECT_EQ(set.status, 0) << set.err;
    }
    // -38 from this entry means an unknown namespace, not a failed sign-on.
    HostRun other = host({"set-version", "-c", file, "-n", "not_configured", "1"});
    EXPECT_EQ(other.status, 1);
    EXPECT_THAT(other.err,
                HasSubstr("failed with result -38 (no configured namespace has this identifier)"));
    // A URI the provider does not know would be stored as version 0 and still succeed.
    for (const char* bad : {"seven", "http://x/y"}) {
        HostRun refused = host({"set-version", "-c", file, bad});
        EXPECT_EQ(refused.status, 2);
        EXPECT_THAT(refused.err,
                    HasSubstr(std::string("'") + bad + "' is not a namespace version"));
    }
}

TEST_F(HostAgainstDirectory, AVisaSavedAtSignOnDrivesTheSearchOfALaterRun) {
    std::string file = dir.write("ns.xml", config("ridge_host_test"));
    const std::string visa = dir.path("visa.xml");
    HostRun wrong = host({"logon", "-c", file, "-u", "alice", "-p", "Wrong#1", "--visa-out", visa});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_THAT(wrong.out, HasSubstr("prompt: VORPassword (textnoecho)"));
    EXPECT_FALSE(std::filesystem::exists(visa));

    HostRun alice =
        host({"logon", "-c", file, "-u", "alice", "-p", "Secret#2024", "--visa-out", visa});
    ASSERT_EQ(alice.status, 0) << alice.out << alice.err;
    EXPECT_THAT(alice.out + alice.err, Not(HasSubstr("Secret#2024")));
    HostRun search =
        host({"search", "-c", file, "--visa", visa, "--path", "VORID(\"ridge_host_test\")"});
    EXPECT_EQ(search.status, 0) << search.out << search.err;
    EXPECT_THAT(search.out, HasSubstr("Ridge test"));

    HostRun badVisa = host({"search", "-c", file, "--visa", dir.write("v.xml", "visa?"), "--path",
                            "VORID(\"ridge_host_test\")"});
    EXPECT_EQ(badVisa.status, 2);
    EXPECT_THAT(badVisa.err, HasSubstr("is not well-formed XML (line 1"));
}

TEST_F(HostAgainstDirectory, ARemoteUserSignsOnThroughTheEnvironmentTheProviderAsksFor) {
    std::string file = dir.write("ns.xml", config("ridge_host_test"));
    const std::string visa = dir.path("visa.xml");
    HostRun bob = host({"logon", "-c", file, "--remote-user", "bob", "--visa-out", visa});
    ASSERT_EQ(bob.status, 0) << bob.out << bob.err;
    // The header's REMOTE_USER is asked for again as an environment document, then signs on.
    EXPECT_THAT(bob.out, HasSubstr("result: -37"));
    EXPECT_THAT(bob.out, HasSubstr("sending the environment the provider asked for\n"));
    EXPECT_THAT(bob.out, HasSubstr("user: ridge_host_test:u:authid=1001\n"));
    EXPECT_THAT(slurp(visa), HasSubstr("<secblob>"));

    HostRun stranger = host({"logon", "-c", file, "--remote-user", "nobody-here"});
    EXPECT_EQ(stranger.status, 1);
    EXPECT_THAT(stranger.out, HasSubstr("You could not be signed on."));
    EXPECT_THAT(stranger.out, Not(HasSubstr("visa for namespace")));
}

TEST_F(HostAgainstDirectory, ConfigurationFailuresEndWithTheProvidersResult) {
    std::string broken = dir.write("broken.xml", "<instance name=\"n\"><parameter");
    HostRun malformed = host({"show", "-c", broken});
    EXPECT_EQ(malformed.status, 1);
    EXPECT_THAT(malformed.err, HasSubstr("failed with result -48"));
    EXPECT_THAT(malformed.err, HasSubstr("CFGAPI_Instance::Load()"));

    // The first namespace is configured and the second is not: nothing of the first is shown.
    HostRun mixed = host({"show", "-c", dir.write("ok.xml", config("ok")), "-c", broken});
    EXPECT_EQ(mixed.status, 1);
    EXPECT_THAT(mixed.out, Not(HasSubstr("objects:")));
}

TEST_F(HostAgainstDirectory, CheckStopsAtTheFailingStepAndSaysWhatToChange) {
    // The document first: what is missing, or not host:port.
    HostRun incomplete = host({"check", "-c",
                               dir.write("i.xml",
                                         "<instance name=\"x\"><parameter name=\"id\">"
                                         "<value>x</value></parameter></instance>")});
    EXPECT_EQ(incomplete.status, 1);
    EXPECT_THAT(incomplete.out, HasSubstr("no value for connection, baseDN, namespace\n"));
    HostRun port =
        host({"check", "-c",
              dir.write("p.xml", ridgeConfig("p", "h:ldap", env.baseDn(), kTestNamespace))});
    EXPECT_EQ(port.status, 1);
    EXPECT_THAT(port.out, HasSubstr("connection \"h:ldap\" is not host:port"));

    const std::string unusedPort = std::to_string(ridge_test::unusedLoopbackPort());
    std::string down = dir.write(
        "down.xml", ridgeConfig("down", "127.0.0.1:" + unusedPort, env.baseDn(), kTestNamespace));
    HostRun unreachable = host({"check", "-c", down});
    EXPECT_EQ(unreachable.status, 1);
    EXPECT_THAT(unreachable.out,
                HasSubstr("[FAIL] reach the directory server at 127.0.0.1:" + unusedPort + ": "));
    EXPECT_THAT(unreachable.out, HasSubstr("change: make \"connection\" in '" + down + "'"));
    EXPECT_THAT(unreachable.out, Not(HasSubstr("service identity")));  // later steps not run

    std::string noBase = dir.write(
        "base.xml", ridgeConfig("nobase", env.hostPort(), "dc=nowhere,dc=test", kTestNamespace));
    HostRun base = host({"check", "-c", noBase});
    EXPECT_EQ(base.status, 1);
    EXPECT_THAT(base.out, HasSubstr("[ok]   bind as the service identity\n"));
    EXPECT_THAT(base.out, HasSubstr("[FAIL] read the base DN \"dc=nowhere,dc=test\": "));
    EXPECT_THAT(base.out, HasSubstr("change: make \"baseDN\""));

    std::string noNamespace =
        dir.write("ns.xml", ridgeConfig("nons", env.hostPort(), env.baseDn(), "NoSuchNamespace"));
    HostRun missing = host({"check", "-c", noNamespace});
    EXPECT_EQ(missing.status, 1);
    EXPECT_THAT(missing.out, HasSubstr("[FAIL] find the namespace entry \"ou=NoSuchNamespace,"));
    EXPECT_THAT(missing.out, Not(HasSubstr("schema")));  // the schema is there
}

TEST_F(HostAgainstDirectory, CheckNamesTheServiceIdentityWhenItsPasswordIsWrong) {
    // A home whose service identity has the wrong password.
    std::string wrongHome = dir.path("wrong-home");
    env.copyTestHomeTo(wrongHome);
    std::string wrongPassword = dir.write("wrong.pw", "not-the-password\n");
    std::string conf = slurp(wrongHome + "/access.conf");
    std::string::size_type at = conf.rfind("\nservice_password_file");  // the last line
    ASSERT_NE(at, std::string::npos);
    conf = conf.substr(0, at) + "\nservice_password_file = " + wrongPassword + "\n";
    dir.write("wrong-home/access.conf", conf);

    std::string file = dir.write("ns.xml", config("ridge_wrong_service"));
    HostRun run =
        runHost({"-l", BASALT_PROVIDER_LIBRARY, "check", "-c", file}, {{"BASALT_HOME", wrongHome}});
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.out, HasSubstr("[ok]   reach the directory server"));
    EXPECT_THAT(run.out, HasSubstr("[FAIL] bind as the service identity: "));
    EXPECT_THAT(run.out, HasSubstr("change: in access.conf of"));
    EXPECT_THAT(run.out + run.err, Not(HasSubstr("not-the-password")));
}

}  // namespace
