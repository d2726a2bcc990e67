// What outlives one request: sessions re-established from a visa after the provider started
// anew, tickets used by another process and refused after logoff, the logs of a run (no
// password anywhere), and a namespace whose server hangs not stalling another's sign-ons.
#include "SignOnTest.h"
#include "StallingProxy.h"

#include <QueryDocuments.h>
#include <VOR_AAA_OMException.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <thread>

using namespace signon_test;
using ridge_test::StallingProxy;

namespace {

class SignOnSessions : public SignOnTest {
protected:
    // The result of a sign-on with the ticket alone.
    int32_t TicketLogon(const std::string& ticket) {
        VOR_AAA_AuthDoc doc = Request("logon");
        doc.GetCookieVars().push_back({"AS_TICKET", I18NString(ticket)});
        FormField(doc, "VORCheckGateway", "true");
        return Authenticate(doc).code;
    }

    // A search for one object as the visa's session: the result code and the answer's text
    // (response or exception document).
    std::pair<int32_t, std::string> Search(const VOR_AAA_Visa& visa, const std::string& path) {
        basalt_host::QuerySpec wanted;
        wanted.searchPath = path;
        wanted.properties = {"userName"};
        const std::string query = basalt_host::queryDocument(wanted);
        char* response = nullptr;
        char* exception = nullptr;
        const int32_t code =
            lib.text.SearchXml(visa.ToString().c_str(), query.c_str(), &response, &exception);
        return {code, Take(response) + Take(exception)};
    }

    // Signs on by each route and returns the visas.
    std::vector<std::pair<std::string, VOR_AAA_Visa>> VisaOfEachType() {
        std::vector<std::pair<std::string, VOR_AAA_Visa>> visas;
        VOR_AAA_AuthDoc withRole = Logon("alice", kPassword);
        FormField(withRole, "VORRole", "Managers");
        const Answer user = Authenticate(withRole);
        EXPECT_EQ(user.code, 0) << user.text;
        visas.emplace_back("user", user.visa());

        VOR_AAA_AuthDoc byTicket = Request("logon");
        byTicket.GetCookieVars().push_back(
            {"AS_TICKET", I18NString(SignOn("bob").value("ticket"))});
        const Answer ticket = Authenticate(byTicket);
        EXPECT_EQ(ticket.code, 0) << ticket.text;
        visas.emplace_back("ticket", ticket.visa());

        const Answer generated = Authenticate(WithVisa("generateTC", user.visa()));
        EXPECT_EQ(generated.code, 0) << generated.text;
        VOR_AAA_AuthDoc byCertificate = Request("logon");
        VOR_AAA_CredentialsDoc::Credential entry;
        entry.namespaceID = kNamespace;
        entry.certificate = generated.response.GetCredential().at("Certificate").front();
        entry.values[I18NString("role")] = I18NString("101");
        byCertificate.GetCredentials().AddCredential(entry);
        const Answer certificate = Authenticate(byCertificate);
        EXPECT_EQ(certificate.code, 0) << certificate.text;
        visas.emplace_back("certificate", certificate.visa());

        const VOR_AAA_AuthDoc web = TrustedLogon("bob");
        const Answer byWeb = Authenticate(web);
        EXPECT_EQ(byWeb.code, 0) << byWeb.text;
        visas.emplace_back("web", byWeb.visa());
        return visas;
    }
};

TEST_F(SignOnSessions, EachKindOfVisaIsReestablishedByAProviderStartedAnew) {
    const auto visas = VisaOfEachType();
    ASSERT_EQ(visas.size(), 4u);
    for (const auto& [type, visa] : visas) {
        I18NString authType;
        ASSERT_TRUE(visa.GetValue("authType", authType)) << type;
        EXPECT_EQ(authType.utf8(), type);
    }
    // The certificate session's role travels as "VORRole", like every other type's.
    I18NString role;
    EXPECT_TRUE(visas[2].second.GetValue("VORRole", role));
    EXPECT_EQ(role, I18NString("101"));
    EXPECT_FALSE(visas[2].second.GetValue("role", role));

    RestartProvider();
    // A credential is generated from a session the new provider has to rebuild first.
    const Answer credential = Authenticate(WithVisa("generateCredential", visas[0].second));
    EXPECT_EQ(credential.code, 0) << credential.text;
    for (const auto& [type, visa] : visas) {
        // The new provider holds none of these sessions: ending one works only when it could be
        // rebuilt (and registered) from the visa.
        const Answer logoff = Authenticate(WithVisa("logoff", visa));
        EXPECT_EQ(logoff.code, 0) << type << ": " << logoff.text;
        // Gone now: a second logoff has nothing to end once the ticket is expired too.
    }
    const Answer again = Authenticate(WithVisa("logoff", visas[1].second));
    EXPECT_EQ(again.code, -38) << again.text;
    EXPECT_TRUE(again.hasMessage("The session could not be ended.")) << again.text;
}

TEST_F(SignOnSessions, AWebVisaIsReestablishedFromItsEnvironmentDocumentOnly) {
    const Answer web = Authenticate(TrustedLogon("bob"));
    ASSERT_EQ(web.code, 0) << web.text;
    VOR_AAA_Visa remoteUserOnly = web.visa();
    remoteUserOnly.RemoveValue("secblob");
    ASSERT_EQ(web.value("remoteUser"), "bob");

    // bob's own object, asked for with a visa.
    auto searchAs = [&](const VOR_AAA_Visa& visa) {
        basalt_host::QuerySpec query;
        query.searchPath = "VORID('signon:u:authid=1001')";
        query.properties = {"defaultName"};
        char* answer = nullptr;
        char* failure = nullptr;
        const int32_t code = lib.text.SearchXml(
            visa.ToString().c_str(), basalt_host::queryDocument(query).c_str(), &answer, &failure);
        return std::make_pair(code, Take(answer) + Take(failure));
    };
    const auto signedOn = searchAs(web.visa());
    ASSERT_EQ(signedOn.first, 0) << signedOn.second;

    // The new provider has to rebuild each session from its visa.
    RestartProvider();
    // "remoteUser" names no one by itself: without the environment document nobody is signed on.
    const auto refused = searchAs(remoteUserOnly);
    EXPECT_EQ(refused.first, -37) << refused.second;
    const auto rebuilt = searchAs(web.visa());
    EXPECT_EQ(rebuilt.first, 0) << rebuilt.second;
    EXPECT_EQ(rebuilt.second, signedOn.second);
}

// The session expired for the framework ends, but its ticket stays for the next sign-on, in
// another process too, until logoff.
// The ticket lives in the directory, not in the provider that issued it: a provider started
// anew signs on with it until the logoff expires it.
TEST_F(SignOnSessions, ATicketSignsOnInAProviderStartedAnewUntilLogoff) {
    const Answer signedOn = SignOn("bob");
    ASSERT_EQ(signedOn.code, 0) << signedOn.text;
    const std::string ticket = signedOn.value("ticket");
    const Answer expired = Authenticate(WithVisa("logonExpired", signedOn.visa()));
    EXPECT_EQ(expired.code, 0) << expired.text;
    EXPECT_TRUE(expired.response.GetSetCookieVars().empty()) << expired.text;
    // Ended: a second end finds no session to remove.
    const Answer again = Authenticate(WithVisa("logonExpired", signedOn.visa()));
    EXPECT_EQ(again.code, -38) << again.text;
    EXPECT_TRUE(again.hasMessage("The session could not be ended.")) << again.text;
    RestartProvider();
    EXPECT_EQ(TicketLogon(ticket), 0);

    // The logoff expires the ticket.
    const Answer logoff = Authenticate(WithVisa("logoff", signedOn.visa()));
    ASSERT_EQ(logoff.code, 0) << logoff.text;
    ASSERT_EQ(logoff.response.GetSetCookieVars().size(), 1u);
    EXPECT_EQ(logoff.response.GetSetCookieVars()[0].maxAge, I18NString("-1"));
    EXPECT_EQ(logoff.response.GetSetCookieVars()[0].value.utf8(), ticket);
    RestartProvider();
    EXPECT_EQ(TicketLogon(ticket), -36);
}

TEST_F(SignOnSessions, ASessionThatFailedToReestablishTriesAgainUntilItCan) {
    // The handle is re-established at every second search of a session.
    ASSERT_EQ(lib.Terminate(), 0);
    ASSERT_EQ(lib.Initialize(), 0);
    std::string configuration = Configuration(kNamespace);
    configuration.insert(configuration.rfind("</instance>"),
                         "<parameter name=\"advancedProperties\"><value><item><name>"
                         "numberOfQueriesCacheLimit</name><value>2</value></item></value>"
                         "</parameter>");
    std::string response, exception;
    ASSERT_EQ(lib.Configure(configuration, response, exception), 0) << exception;

    MakeUser("rebuilt", 1097);
    const Answer signedOn = SignOn("rebuilt");
    ASSERT_EQ(signedOn.code, 0) << signedOn.text;
    const VOR_AAA_Visa& visa = signedOn.visa();
    const std::string self = "VORID('signon:u:authid=1097')";
    const std::string notRebuilt = "The session could not be re-established from the visa.";

    EXPECT_EQ(Search(visa, self).first, 0);
    SetPassword("rebuilt", "Changed#2024");  // changed in the directory meanwhile
    for (int attempt = 0; attempt < 2; ++attempt) {
        // The second search is answered and then fails to re-establish; each later one tries
        // again and fails with the same error, not with an assertion.
        const auto [code, text] = Search(visa, self);
        EXPECT_EQ(code, -48) << attempt << ": " << text;
        EXPECT_NE(text.find(notRebuilt), std::string::npos) << attempt << ": " << text;
        EXPECT_EQ(text.find("PYX_ASSERT"), std::string::npos) << attempt << ": " << text;
    }
    SetPassword("rebuilt", kPassword);
    const auto [code, text] = Search(visa, self);
    EXPECT_EQ(code, 0) << text;
    EXPECT_NE(text.find(">rebuilt<"), std::string::npos) << text;
}

TEST_F(SignOnSessions, ALogoffWhoseVisaCannotBeRebuiltStillExpiresTheTicket) {
    MakeUser("moved", 1089);
    const Answer signedOn = SignOn("moved");
    ASSERT_EQ(signedOn.code, 0) << signedOn.text;
    const std::string ticket = signedOn.value("ticket");
    ASSERT_FALSE(ticket.empty());
    // Another provider (the host restarted) holds no session for the visa, and the visa's
    // password no longer signs on: the logoff cannot rebuild the session and says so, yet the
    // ticket it was told to end must not sign anyone on afterwards.
    RestartProvider();
    SetPassword("moved", "Changed#2024");
    const Answer logoff = Authenticate(WithVisa("logoff", signedOn.visa()));
    EXPECT_NE(logoff.code, 0) << logoff.text;
    SetPassword("moved", kPassword);
    RestartProvider();  // what the directory holds, not what this provider remembers
    EXPECT_EQ(TicketLogon(ticket), -36);

    // A visa that says not how it signed on cannot be rebuilt either: its ticket goes too.
    const Answer again = SignOn("moved");
    ASSERT_EQ(again.code, 0) << again.text;
    VOR_AAA_Visa untyped = again.visa();
    untyped.RemoveValue("authType");
    RestartProvider();
    const Answer untypedLogoff = Authenticate(WithVisa("logoff", untyped));
    EXPECT_EQ(untypedLogoff.code, -38) << untypedLogoff.text;
    RestartProvider();
    EXPECT_EQ(TicketLogon(again.value("ticket")), -36);
}

TEST_F(SignOnSessions, NoPasswordReachesTheTraceTheAuditOrAnAnswer) {
    const std::string log = RestartWithLog("trace.log");
    std::vector<std::string> answers;
    answers.push_back(SignOn("alice").text);
    answers.push_back(SignOn("alice", "Wrong#Secret77").text);
    answers.push_back(SignOn("locked").text);
    MakeUser("signonexp2", 1096,
             "pwdPolicySubentry: cn=expiring,ou=policies,@BASE_DN@\n"
             "pwdChangedTime: 20200101000000Z\n");
    VOR_AAA_AuthDoc change = Logon("signonexp2", kPassword);
    FormField(change, "VOROldPassword", kPassword);
    FormField(change, "VORNewPassword", "y");
    answers.push_back(Authenticate(change).text);
    const VOR_AAA_AuthDoc web = TrustedLogon("bob");
    answers.push_back(Authenticate(web).text);
    const std::string text = TerminateAndReadLog(log);
    StartProvider();

    EXPECT_NE(text.find("AS_AuthenticateUser2"), std::string::npos) << text;
    EXPECT_NE(text.find("AS_AuthenticateWebUserWithEnv"), std::string::npos) << text;
    // The end of a call names the directory server that served it; the password shows masked.
    EXPECT_NE(text.find("<item name=\\\"server\\\"><![CDATA[" + env.hostPort() + "]]>"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("<item name=\\\"Password\\\"><![CDATA[*****]]></item>"), std::string::npos);
    for (const char* secret : {kPassword, "Wrong#Secret77"}) {
        EXPECT_EQ(text.find(secret), std::string::npos) << secret;
        for (const std::string& answer : answers) {
            EXPECT_EQ(answer.find(secret), std::string::npos) << secret << " in " << answer;
        }
    }
}

TEST_F(SignOnSessions, EveryEntrysOwnExceptionDocumentReadsBackWithItsPrefixesDeclared) {
    auto readBack = [](const std::string& text) {
        VOR_AAA_OMException document;
        document.Load(text.data(), text.size());  // namespace-aware: undeclared prefixes fail
        return document.GetErrorCode();
    };
    std::string response, exception;
    EXPECT_EQ(lib.Configure("<instance name=\"x\"/>", response, exception), -34);
    EXPECT_EQ(readBack(exception), -34) << exception;

    char* answer = nullptr;
    char* failure = nullptr;
    EXPECT_LT(lib.text.SearchXml("<visa", "<query/>", &answer, &failure), 0);
    const std::string searchFailure = Take(failure);
    Take(answer);
    EXPECT_LT(readBack(searchFailure), 0) << searchFailure;

    // Unreadable additional information: Terminate checks no argument, tears down and reports
    // the teardown, which succeeded.
    char* terminateFailure = nullptr;
    EXPECT_EQ(lib.life.Terminate("<additionalInfo><oops></additionalInfo>", &terminateFailure), 0);
    EXPECT_EQ(terminateFailure, nullptr);
    StartProvider();  // the provider was torn down: a new one configures afresh
    EXPECT_EQ(SignOn("alice").code, 0);
}

TEST_F(SignOnSessions, ASignOnHangingOnOneServerStallsNoOtherNamespace) {
    StallingProxy proxy(std::stoi(env.port()));
    std::string response, exception;
    ASSERT_EQ(
        lib.Configure(Configuration("stuck", env.host() + ":" + std::to_string(proxy.Port()), "8"),
                      response, exception),
        0)
        << exception;
    proxy.Swallow();

    std::atomic<bool> stuckDone{false};
    std::thread stuck([&] {
        VOR_AAA_AuthDoc doc = Request("logon", "stuck");
        FormField(doc, "VORUsername", "alice");
        FormField(doc, "VORPassword", kPassword);
        Authenticate(doc);
        stuckDone = true;
    });
    // The stuck sign-on waits for an answer that never comes (until its timeout); the healthy
    // namespace's sign-ons must not wait behind it.
    while (proxy.Swallowed() == 0 && !stuckDone) {
        std::this_thread::yield();
    }
    for (int i = 0; i < 3; ++i) {
        const Answer healthy = SignOn("bob");
        EXPECT_EQ(healthy.code, 0) << healthy.text;
    }
    EXPECT_FALSE(stuckDone.load()) << "the healthy sign-ons waited for the stuck one";
    stuck.join();
}

}  // namespace
