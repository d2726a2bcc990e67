// The logon routes of the authenticate entry against the fixture's directory, through the
// provider's tables: password, ticket, certificate, trusted environment, password change, the
// prompts of refused logons, the rejected actions and the generic namespace identifier.
#include "SignOnTest.h"

#include <VOR_AAA_EncryptionManager.h>

using namespace signon_test;

namespace {

class SignOnRoutes : public SignOnTest {};

std::string VisaRoleList(const VOR_AAA_Visa& visa) {
    std::string roles;
    for (const I18NString& role : visa.GetRoles()) {
        roles += role.utf8() + " ";
    }
    return roles;
}

TEST_F(SignOnRoutes, PasswordLogonFillsTheVisaAndIssuesTheTicketCookie) {
    const Answer a = SignOn("alice");
    ASSERT_EQ(a.code, 0) << a.text;
    EXPECT_EQ(a.visa().GetNamespaceID(), I18NString(kNamespace));
    EXPECT_EQ(a.visa().GetUserID(), I18NString("signon:u:authid=1000"));
    // Without a role the visa lists every class of the user.
    EXPECT_FALSE(a.visa().GetRoles().empty()) << a.text;
    EXPECT_EQ(a.value("as_session"), "signon:user=1000");
    EXPECT_EQ(a.value("authType"), "user");
    EXPECT_EQ(a.value("VORRole"), "all");
    const std::string ticket = a.value("ticket");
    EXPECT_EQ(ticket.size(), 32u) << a.text;
    // Protected values: neither the name nor the password in clear.
    EXPECT_FALSE(a.value("VORUsername").empty());
    EXPECT_NE(a.value("VORUsername"), "alice");
    EXPECT_EQ(a.text.find(kPassword), std::string::npos) << a.text;
    ASSERT_EQ(a.response.GetSetCookieVars().size(), 1u);
    const VOR_AAA_SetCookieVar& cookie = a.response.GetSetCookieVars()[0];
    EXPECT_EQ(cookie.name, I18NString("AS_TICKET"));
    EXPECT_EQ(cookie.value.utf8(), ticket);
    EXPECT_EQ(cookie.maxAge, I18NString("0"));
    EXPECT_EQ(cookie.path, I18NString("/"));
    EXPECT_EQ(cookie.secure, I18NString("true"));
}

TEST_F(SignOnRoutes, ARoleSignsOnWithThatClassOnly) {
    VOR_AAA_AuthDoc doc = Logon("alice", kPassword);
    FormField(doc, "VORRole", "Managers");
    const Answer a = Authenticate(doc);
    ASSERT_EQ(a.code, 0) << a.text;
    EXPECT_EQ(VisaRoleList(a.visa()), "signon:r:authid=101 ");
    EXPECT_EQ(a.value("as_session"), "signon:user=1000:uc=101");
    EXPECT_EQ(a.value("VORRole"), "Managers");
}

TEST_F(SignOnRoutes, RefusedLogonsPromptWithTheirMessagesAndTheUserName) {
    {
        const Answer a = SignOn("alice", "wrong-password");
        EXPECT_EQ(a.code, -36) << a.text;
        EXPECT_TRUE(a.hasMessage("You could not be signed on.")) << a.text;
        EXPECT_TRUE(a.hasMessage("The user ID or password is not valid.")) << a.text;
        EXPECT_EQ(a.formField("VORUsername"), "alice");
        const std::vector<std::string> fields = a.displayObjectNames();
        EXPECT_EQ(fields, (std::vector<std::string>{"VORNamespace", "VORNamespaceDisplayName",
                                                    "VORUsername", "VORPassword", "h_VOR_action"}));
        EXPECT_TRUE(a.visa().IsEmpty());
    }
    {
        // Nothing at all, and the gateway check: a bare prompt, no messages, no user name.
        VOR_AAA_AuthDoc doc = Request("logon");
        FormField(doc, "VORCheckGateway", "true");
        const Answer a = Authenticate(doc);
        EXPECT_EQ(a.code, -36) << a.text;
        EXPECT_TRUE(a.messages().empty()) << a.text;
        EXPECT_EQ(a.formField("VORUsername"), "");
    }
    {
        // A user name without a password prompts with the messages.
        VOR_AAA_AuthDoc doc = Request("logon");
        FormField(doc, "VORUsername", "alice");
        FormField(doc, "VORCheckGateway", "true");
        const Answer a = Authenticate(doc);
        EXPECT_EQ(a.code, -36) << a.text;
        EXPECT_TRUE(a.hasMessage("You could not be signed on.")) << a.text;
        EXPECT_EQ(a.formField("VORUsername"), "alice");
    }
    {
        const Answer a = SignOn("locked");
        EXPECT_EQ(a.code, -38) << a.text;
        EXPECT_TRUE(a.hasMessage("Please contact your administrator.")) << a.text;
        EXPECT_TRUE(a.hasMessage("The account is locked.")) << a.text;
    }
    {
        const Answer a = SignOn("disabled");
        EXPECT_EQ(a.code, -38) << a.text;
        EXPECT_TRUE(a.hasMessage("The account is disabled.")) << a.text;
    }
}

// A namespace configured for ISO-8859-1 while the library reads UTF-8 sends names the library
// cannot read: configuring it writes an audit warning naming both encodings. Names in ASCII
// still sign on; a name outside ASCII is refused with both encodings named and the setting to
// change, whether the library cannot read it (é, sent as one ISO-8859-1 byte) or the namespace's
// encoding cannot hold it (Ł); with the trace on, which shows the bytes the library was sent.
TEST_F(SignOnRoutes, ANamespaceInAnotherEncodingIsWarnedAboutAndRefusesWhatItCannotSend) {
    const std::string latin = NamespaceConfiguration(
        "latin", env.hostPort(), env.baseDn(), "ridgetest",
        "<parameter name=\"dataEncoding\"><value xsi:type=\"xsd:string\">ISO-8859-1</value>"
        "</parameter>");
    const std::string log = RestartWithLog("latin-trace.log");
    std::string response, exception;
    ASSERT_EQ(lib.Configure(latin, response, exception), 0) << exception;
    VOR_AAA_AuthDoc alice = Request("logon", "latin");
    FormField(alice, "VORUsername", "alice");
    FormField(alice, "VORPassword", kPassword);
    EXPECT_EQ(Authenticate(alice).code, 0);
    // The namespace in the library's own encoding signs chloé on.
    EXPECT_EQ(SignOn("chloé").code, 0);
    const auto refuse = [&](const std::string& name) {
        VOR_AAA_AuthDoc doc = Request("logon", "latin");
        FormField(doc, "VORUsername", name);
        FormField(doc, "VORPassword", kPassword);
        const Answer a = Authenticate(doc);
        EXPECT_EQ(a.code, -38) << a.text;
        EXPECT_TRUE(a.visa().IsEmpty());
        std::string all;
        for (const std::string& m : a.messages()) {
            all += m + "\n";
        }
        EXPECT_NE(all.find("sends texts in ISO-8859-1, but the directory access library reads "
                           "UTF-8"),
                  std::string::npos)
            << name << ": " << all;
        EXPECT_NE(all.find("Set the namespace's data encoding to UTF-8."), std::string::npos)
            << name << ": " << all;
        EXPECT_EQ(all.find("holds an invalid byte sequence"), std::string::npos) << all;
    };
    refuse("chloé");
    refuse("Łukasz");
    // The same for a trusted environment's user, who is prompted for a name instead.
    for (const char* remoteUser : {"chloé", "Łukasz"}) {
        VOR_AAA_AuthDoc doc = Request("logon", "latin");
        doc.GetEnvironmentVars().push_back({"REMOTE_USER", I18NString(remoteUser)});
        doc.SetSecurityBlob(
            I18NString(basalt_host::environmentDocument({{"REMOTE_USER", remoteUser}})));
        const Answer a = Authenticate(doc);
        EXPECT_EQ(a.code, -36) << a.text;
        EXPECT_TRUE(a.hasMessage("You could not be signed on.")) << a.text;
        std::string all;
        for (const std::string& m : a.messages()) {
            all += m + "\n";
        }
        EXPECT_NE(all.find("Set the namespace's data encoding to UTF-8."), std::string::npos)
            << remoteUser << ": " << all;
    }
    const std::string records = TerminateAndReadLog(log);
    EXPECT_NE(
        records.find("sends texts in ISO-8859-1, but the directory access library reads UTF-8"),
        std::string::npos);
    EXPECT_NE(records.find("\"Warning\""), std::string::npos);
    EXPECT_EQ(records.find("sends texts in UTF-8"), std::string::npos);
    // The records are JSON: the backslash of \xE9 is escaped.
    EXPECT_NE(records.find("chlo\\\\xE9"), std::string::npos) << records;
    EXPECT_EQ(records.find(kPassword), std::string::npos);
    StartProvider();
}

TEST_F(SignOnRoutes, AnExpiredPasswordIsChangedThroughThePromptAndTheNewOneSignsOn) {
    MakeUser("signonexp", 1095,
             "pwdPolicySubentry: cn=expiring,ou=policies,@BASE_DN@\n"
             "pwdChangedTime: 20200101000000Z\n");
    const Answer prompt = SignOn("signonexp");
    ASSERT_EQ(prompt.code, -36) << prompt.text;
    EXPECT_TRUE(prompt.hasMessage(
        "Your password has expired or must be changed. Enter your current password and a new "
        "one."))
        << prompt.text;
    const std::vector<std::string> fields = prompt.displayObjectNames();
    ASSERT_EQ(fields.size(), 9u) << prompt.text;
    EXPECT_EQ(fields[5], "VOROldPassword");
    EXPECT_EQ(fields[6], "VORNewPassword");

    // A new password the policy refuses: the prompt again, with the directory's reason.
    VOR_AAA_AuthDoc tooShort = Logon("signonexp", kPassword);
    FormField(tooShort, "VOROldPassword", kPassword);
    FormField(tooShort, "VORNewPassword", "x");
    const Answer refused = Authenticate(tooShort);
    EXPECT_EQ(refused.code, -36) << refused.text;
    EXPECT_EQ(refused.displayObjectNames().size(), 9u);
    EXPECT_GE(refused.messages().size(), 3u) << refused.text;

    VOR_AAA_AuthDoc change = Logon("signonexp", kPassword);
    FormField(change, "VOROldPassword", kPassword);
    FormField(change, "VORNewPassword", "Fresh#Pass2026");
    const Answer changed = Authenticate(change);
    ASSERT_EQ(changed.code, 0) << changed.text;
    EXPECT_EQ(changed.value("as_session"), "signon:user=1095");
    EXPECT_EQ(changed.text.find("Fresh#Pass2026"), std::string::npos);

    EXPECT_EQ(SignOn("signonexp", "Fresh#Pass2026").code, 0);
    EXPECT_EQ(SignOn("signonexp", kPassword).code, -36);
}

TEST_F(SignOnRoutes, TicketLogonSignsOnAgainWithoutAPassword) {
    const Answer first = SignOn("bob");
    ASSERT_EQ(first.code, 0) << first.text;
    const std::string ticket = first.value("ticket");

    VOR_AAA_AuthDoc doc = Request("logon");
    doc.GetCookieVars().push_back({"AS_TICKET", I18NString(ticket)});
    const Answer again = Authenticate(doc);
    ASSERT_EQ(again.code, 0) << again.text;
    EXPECT_EQ(again.value("authType"), "ticket");
    EXPECT_EQ(again.value("as_session"), "signon:user=1001");
    EXPECT_EQ(again.value("VORUsername"), "");
    EXPECT_EQ(again.visa().GetUserID(), I18NString("signon:u:authid=1001"));
    ASSERT_EQ(again.response.GetSetCookieVars().size(), 1u);
    EXPECT_EQ(again.response.GetSetCookieVars()[0].value.utf8(), ticket);

    // The bus header's cookie comes before the credentials document's "asticket", which serves
    // when there is no cookie.
    const Answer alice = SignOn("alice");
    ASSERT_EQ(alice.code, 0) << alice.text;
    VOR_AAA_CredentialsDoc::Credential entry;
    entry.namespaceID = kNamespace;
    entry.values[I18NString("asticket")] = I18NString(alice.value("ticket"));
    VOR_AAA_AuthDoc both = Request("logon");
    both.GetCookieVars().push_back({"AS_TICKET", I18NString(ticket)});
    both.GetCredentials().AddCredential(entry);
    const Answer byCookie = Authenticate(both);
    ASSERT_EQ(byCookie.code, 0) << byCookie.text;
    EXPECT_EQ(byCookie.visa().GetUserID(), I18NString("signon:u:authid=1001"));
    VOR_AAA_AuthDoc credentialOnly = Request("logon");
    credentialOnly.GetCredentials().AddCredential(entry);
    const Answer byCredential = Authenticate(credentialOnly);
    ASSERT_EQ(byCredential.code, 0) << byCredential.text;
    EXPECT_EQ(byCredential.visa().GetUserID(), I18NString("signon:u:authid=1000"));

    // A ticket nobody issued falls through to the prompt.
    VOR_AAA_AuthDoc forged = Request("logon");
    forged.GetCookieVars().push_back({"AS_TICKET", "0123456789abcdef0123456789abcdef"});
    FormField(forged, "VORCheckGateway", "true");
    EXPECT_EQ(Authenticate(forged).code, -36);
}

TEST_F(SignOnRoutes, TrustedEnvironmentAsksForRemoteUserAndSignsOnWithIt) {
    // Neither a remote user nor an environment: the library asks for REMOTE_USER, and the
    // header's REMOTE_USER alone names no one either.
    EXPECT_EQ(Authenticate(Request("logon")).code, -37);
    VOR_AAA_Env requested;
    const Answer remoteOnly = Authenticate(RemoteUserOnly("bob"));
    ASSERT_EQ(remoteOnly.code, -37) << remoteOnly.text;
    EXPECT_TRUE(remoteOnly.visa().IsEmpty()) << remoteOnly.text;
    const std::string request = remoteOnly.response.GetException().GetSecurityBlob().utf8();
    ASSERT_TRUE(requested.Decode(request)) << remoteOnly.text;
    EXPECT_EQ(requested.GetEntries().size(), 1u);
    EXPECT_EQ(requested.GetEntries().count("REMOTE_USER"), 1u);

    // Answered as the web gateway answers it, the request signs bob on.
    const std::optional<std::string> answer =
        basalt_host::answerEnvironmentRequest(request, {{"REMOTE_USER", "bob"}});
    ASSERT_TRUE(answer.has_value());
    VOR_AAA_AuthDoc answered = RemoteUserOnly("bob");
    answered.SetSecurityBlob(I18NString(*answer));
    const Answer a = Authenticate(answered);
    ASSERT_EQ(a.code, 0) << a.text;
    EXPECT_EQ(a.value("authType"), "web");
    EXPECT_EQ(a.value("remoteUser"), "bob");
    EXPECT_EQ(a.value("secblob"), *answer);
    EXPECT_EQ(a.visa().GetUserID(), I18NString("signon:u:authid=1001"));

    // The identity is the environment document's, not the header's.
    const Answer fromDocument = Authenticate(TrustedLogon("bob", "CORP\\alice"));
    ASSERT_EQ(fromDocument.code, 0) << fromDocument.text;
    EXPECT_EQ(fromDocument.visa().GetUserID(), I18NString("signon:u:authid=1000"));

    const Answer refused = Authenticate(TrustedLogon("nobody-here"));
    EXPECT_EQ(refused.code, -36) << refused.text;
    EXPECT_TRUE(refused.hasMessage("You could not be signed on."));

    // A security blob that is no environment document ends at the prompt.
    VOR_AAA_AuthDoc unreadable = RemoteUserOnly("bob");
    unreadable.SetSecurityBlob("not an environment document");
    const Answer prompt = Authenticate(unreadable);
    EXPECT_EQ(prompt.code, -36) << prompt.text;
    EXPECT_TRUE(prompt.visa().IsEmpty());
    EXPECT_EQ(prompt.displayObjectNames(),
              (std::vector<std::string>{"VORNamespace", "VORNamespaceDisplayName", "VORUsername",
                                        "VORPassword", "h_VOR_action"}))
        << prompt.text;

    // A host without a trusted environment says so, and gets the sign-on prompt.
    VOR_AAA_AuthDoc gateway = TrustedLogon("bob");
    FormField(gateway, "VORCheckGateway", "true");
    const Answer checked = Authenticate(gateway);
    EXPECT_EQ(checked.code, -36) << checked.text;
    EXPECT_TRUE(checked.visa().IsEmpty());
}

TEST_F(SignOnRoutes, TrustedCredentialIsGeneratedAndSignsOnUntilTampered) {
    const Answer signedOn = SignOn("alice");
    ASSERT_EQ(signedOn.code, 0) << signedOn.text;
    const Answer generated = Authenticate(WithVisa("generateTC", signedOn.visa()));
    ASSERT_EQ(generated.code, 0) << generated.text;
    const auto& values = generated.response.GetCredential();
    ASSERT_EQ(values.count(I18NString("Certificate")), 1u) << generated.text;
    const std::string certificate = values.at(I18NString("Certificate")).front().utf8();
    EXPECT_FALSE(certificate.empty());
    EXPECT_EQ(values.at(I18NString("namespace")).front(), I18NString(kNamespace));

    auto withCertificate = [&](const std::string& text, const std::string& role) {
        VOR_AAA_AuthDoc doc = Request("logon");
        VOR_AAA_CredentialsDoc::Credential entry;
        entry.namespaceID = kNamespace;
        entry.certificate = I18NString(text);
        if (!role.empty()) {
            entry.values[I18NString("role")] = I18NString(role);
        }
        doc.GetCredentials().AddCredential(entry);
        return Authenticate(doc);
    };
    const Answer byCertificate = withCertificate(certificate, "");
    ASSERT_EQ(byCertificate.code, 0) << byCertificate.text;
    EXPECT_EQ(byCertificate.value("authType"), "certificate");
    EXPECT_EQ(byCertificate.value("as_session"), "signon:cert=" + certificate);
    EXPECT_NE(byCertificate.value("Certificate"), certificate);  // protected
    EXPECT_FALSE(byCertificate.value("ticket").empty());

    // A certificate session generates a trusted credential from the certificate its visa keeps;
    // without one it cannot, and a plain credential it does not hand out at all.
    const Answer again = Authenticate(WithVisa("generateTC", byCertificate.visa()));
    ASSERT_EQ(again.code, 0) << again.text;
    EXPECT_EQ(again.response.GetCredential().count(I18NString("Certificate")), 1u) << again.text;
    VOR_AAA_Visa withoutCertificate = byCertificate.visa();
    withoutCertificate.RemoveValue("Certificate");
    const Answer none = Authenticate(WithVisa("generateTC", withoutCertificate));
    EXPECT_EQ(none.code, -38) << none.text;
    EXPECT_EQ(none.messages(),
              (std::vector<std::string>{"A trusted credential could not be generated.",
                                        "The request could not be completed.",
                                        "No certificate was supplied."}))
        << none.text;
    const Answer plain = Authenticate(WithVisa("generateCredential", byCertificate.visa()));
    EXPECT_EQ(plain.code, 0) << plain.text;
    EXPECT_TRUE(plain.response.GetCredential().empty()) << plain.text;

    std::string tampered = certificate;
    tampered[tampered.size() / 2] = tampered[tampered.size() / 2] == 'A' ? 'B' : 'A';
    // The bus header's trusted credential comes before the credentials document's certificate.
    VOR_AAA_CredentialsDoc trusted;
    VOR_AAA_CredentialsDoc::Credential good;
    good.namespaceID = kNamespace;
    good.certificate = I18NString(certificate);
    trusted.AddCredential(good);
    VOR_AAA_AuthDoc fromHeader = Request("logon");
    fromHeader.SetTrustedCredential(I18NString(trusted.ToString()));
    VOR_AAA_CredentialsDoc::Credential bad;
    bad.namespaceID = kNamespace;
    bad.certificate = I18NString(tampered);
    fromHeader.GetCredentials().AddCredential(bad);
    const Answer byHeader = Authenticate(fromHeader);
    EXPECT_EQ(byHeader.code, 0) << byHeader.text;
    EXPECT_EQ(byHeader.value("authType"), "certificate");

    const Answer refused = withCertificate(tampered, "");
    EXPECT_EQ(refused.code, -38) << refused.text;
    EXPECT_TRUE(refused.hasMessage("The certificate is not valid or has expired.")) << refused.text;
}

TEST_F(SignOnRoutes, GenerateCredentialChecksTheVisasUserAndReturnsTheCredentialValues) {
    VOR_AAA_AuthDoc doc = Logon("bob", kPassword);
    const Answer signedOn = Authenticate(doc);
    ASSERT_EQ(signedOn.code, 0) << signedOn.text;
    const Answer credential = Authenticate(WithVisa("generateCredential", signedOn.visa()));
    ASSERT_EQ(credential.code, 0) << credential.text;
    const auto& values = credential.response.GetCredential();
    ASSERT_EQ(values.count(I18NString("username")), 1u) << credential.text;
    EXPECT_EQ(values.at(I18NString("username")).front(), I18NString("bob"));
    EXPECT_EQ(values.at(I18NString("role")).front(), I18NString("all"));

    // A failure names no user: the visa's user is not a name this request gave.
    MakeUser("gencred", 1098);
    const Answer other = SignOn("gencred");
    ASSERT_EQ(other.code, 0) << other.text;
    SetPassword("gencred", "Changed#2024");
    const Answer failed = Authenticate(WithVisa("generateCredential", other.visa()));
    EXPECT_LT(failed.code, 0) << failed.text;
    EXPECT_EQ(failed.formField("VORUsername"), "") << failed.text;
}

// A password changed since the sign-on is given with the request: taken only for the visa's own
// user, it generates the credential and comes back in a copy of the visa that re-establishes
// the session where the old visa no longer can.
TEST_F(SignOnRoutes, GenerateCredentialWithANewPasswordReturnsAVisaCarryingIt) {
    MakeUser("newpw", 1094);
    const Answer signedOn = SignOn("newpw");
    ASSERT_EQ(signedOn.code, 0) << signedOn.text;
    const std::string fresh = "Fresh#2024x";
    SetPassword("newpw", fresh);  // changed elsewhere while the session lives

    VOR_AAA_AuthDoc otherUser = WithVisa("generateCredential", signedOn.visa());
    FormField(otherUser, "VORUsername", "bob");
    FormField(otherUser, "VORPassword", fresh);
    EXPECT_LT(Authenticate(otherUser).code, 0) << "a password given for another user was taken";

    VOR_AAA_AuthDoc doc = WithVisa("generateCredential", signedOn.visa());
    FormField(doc, "VORUsername", "newpw");
    FormField(doc, "VORPassword", fresh);
    const Answer generated = Authenticate(doc);
    ASSERT_EQ(generated.code, 0) << generated.text;
    const auto& values = generated.response.GetCredential();
    ASSERT_EQ(values.count(I18NString("password")), 1u) << generated.text;
    EXPECT_EQ(values.at(I18NString("password")).front(), I18NString(fresh));
    const VOR_AAA_Visa& updated = generated.visa();
    ASSERT_FALSE(updated.IsEmpty()) << generated.text;
    EXPECT_NE(generated.value("VORPassword"), signedOn.value("VORPassword"));
    EXPECT_EQ(generated.value("as_session"), signedOn.value("as_session"));

    RestartProvider();
    EXPECT_EQ(Authenticate(WithVisa("generateCredential", updated)).code, 0);
    EXPECT_LT(Authenticate(WithVisa("generateCredential", signedOn.visa())).code, 0);
}

TEST_F(SignOnRoutes, RejectedActionsAndARequestCarryingAVisaAreUnrecoverable) {
    const std::pair<const char*, const char*> rejected[] = {
        {"validate", "0"}, {"selectRole", "5"}, {"promptForRoles", "6"}, {"clonePassport", "9"}};
    for (const auto& [action, number] : rejected) {
        const Answer a = Authenticate(Request(action));
        EXPECT_EQ(a.code, -38) << action;
        EXPECT_TRUE(a.hasMessage(std::string("The value ") + number +
                                 " given for action is not supported."))
            << a.text;
    }
    const Answer noAction = Authenticate(Request("none"));
    EXPECT_EQ(noAction.code, -38);
    EXPECT_TRUE(noAction.hasMessage("The value -1 given for action is not supported."));

    const Answer signedOn = SignOn("alice");
    ASSERT_EQ(signedOn.code, 0);
    VOR_AAA_AuthDoc doc = WithVisa("logon", signedOn.visa());
    FormField(doc, "VORUsername", "alice");
    FormField(doc, "VORPassword", kPassword);
    EXPECT_EQ(Authenticate(doc).code, -38);

    // Ending a session: without a visa, with a visa of a namespace not configured here.
    using Texts = std::vector<std::string>;
    const Answer noVisa = Authenticate(Request("logoff"));
    EXPECT_EQ(noVisa.code, -38);
    EXPECT_EQ(noVisa.messages(),
              (Texts{"The user could not be authenticated.", "The request could not be completed.",
                     "The request carries no visa."}))
        << noVisa.text;
    VOR_AAA_Visa elsewhereVisa = signedOn.visa();
    elsewhereVisa.SetNamespaceID("nowhere");
    const Answer unknown = Authenticate(WithVisa("logonExpired", elsewhereVisa));
    EXPECT_EQ(unknown.code, -38);
    EXPECT_EQ(unknown.messages(),
              (Texts{"The user could not be authenticated.",
                     "The namespace \"nowhere\" could not be found or created."}))
        << unknown.text;

    VOR_AAA_Visa noSession = signedOn.visa();
    noSession.RemoveValue("as_session");
    const Answer logoff = Authenticate(WithVisa("logoff", noSession));
    EXPECT_EQ(logoff.code, -38);
    EXPECT_TRUE(logoff.hasMessage("There is no session for this visa in namespace \"signon\"."))
        << logoff.text;

    const Answer elsewhere = Authenticate(Request("logon", "no-such-namespace"));
    EXPECT_EQ(elsewhere.code, -38);
    EXPECT_TRUE(
        elsewhere.hasMessage("The namespace \"no-such-namespace\" could not be found or "
                             "created."))
        << elsewhere.text;
}

TEST_F(SignOnRoutes, TheGenericIdentifierIsClaimedByTheNamespaceItsBlobDescribes) {
    const std::string blob =
        "<TESSEL_CONFIGURATION><GENERATION>4</GENERATION>"
        "<STORAGE_TYPE>2</STORAGE_TYPE><DEFAULT_NAMESPACE>ridgetest"
        "</DEFAULT_NAMESPACE><LDAP><HOST>" +
        env.host() + "</HOST><PORT>" + env.port() + "</PORT><BASE_DN>" + env.baseDn() +
        "</BASE_DN></LDAP></TESSEL_CONFIGURATION>";
    auto generic = [&](const std::string& runtimeBlob) {
        VOR_AAA_AuthDoc doc = Request("logon", "$VOR_AAA_AuthRidge");
        doc.GetFormFieldVars().clear();
        VOR_AAA_CredentialsDoc::Credential entry;
        entry.namespaceID = "$VOR_AAA_AuthRidge";
        entry.username = "alice";
        entry.password = kPassword;
        entry.hasPassword = true;
        entry.values[I18NString("runtimeblob")] = I18NString(runtimeBlob);
        doc.GetCredentials().AddCredential(entry);
        return Authenticate(doc);
    };
    const Answer claimed = generic(blob);
    EXPECT_EQ(claimed.code, -50) << claimed.text;
    EXPECT_TRUE(claimed.visa().IsEmpty());
    EXPECT_TRUE(claimed.response.GetException().IsEmpty());

    // Nobody claims another server's text, nor the text this provider writes (generation 100).
    std::string otherPort = blob;
    otherPort.replace(otherPort.find("<PORT>") + 6, env.port().size(), "1");
    EXPECT_EQ(generic(otherPort).code, -38);
    std::string ours = blob;
    ours.replace(ours.find("<GENERATION>4") + 12, 1, "100");
    EXPECT_EQ(generic(ours).code, -38);
    // A text that is not XML is refused, and signs no one on.
    const Answer unreadable = generic("<GENERATION>4");
    EXPECT_EQ(unreadable.code, -38) << unreadable.text;
    EXPECT_TRUE(unreadable.visa().IsEmpty());
}

}  // namespace
