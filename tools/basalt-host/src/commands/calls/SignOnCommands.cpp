#include "SignOnCommands.h"

#include <termios.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "AuthenticateDocuments.h"
#include "CommandFrame.h"
#include "CommandLine.h"
#include "EnvironmentDocuments.h"
#include "HostDocuments.h"
#include "HostError.h"
#include "HostFiles.h"
#include "HostSession.h"
#include "HostText.h"
#include "ProviderLibrary.h"
#include "ResponsePrinter.h"
#include "ResultMeaning.h"
#include "SchemaNames.h"
#include "XmlTree.h"

namespace basalt_host {
namespace {

using Pairs = NameValues;

// An authenticate document in the run's additional information.
std::string signOnDocument(HostSession& session, const std::string& action, const Pairs& formFields,
                           const Pairs& cookies = {}, const Pairs& environment = {},
                           const std::string& visa = {}, const std::string& securityBlob = {}) {
    AuthenticateRequest request;
    request.action = action;
    request.formFields = formFields;
    request.cookies = cookies;
    request.environment = environment;
    request.visa = visa;
    request.securityBlob = securityBlob;
    request.additionalInfo = session.additionalInfo();
    return authenticateDocument(request);
}

// Reads a secret: without echo from a terminal, else one line of standard input.
std::string readSecret(const std::string& prompt) {
    const bool terminal = isatty(STDIN_FILENO) != 0;
    termios saved{};
    if (terminal) {
        std::cerr << prompt << std::flush;
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string secret;
    const bool read = static_cast<bool>(std::getline(std::cin, secret));
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::cerr << '\n';
    }
    if (!read) {
        throw HostError("no input for: " + prompt);
    }
    return secret;
}

// The namespace the sign-on is for: --namespace, else the first configuration's "id".
std::string namespaceOf(const HostOptions& options, const SignOnOptions& signOn) {
    if (!signOn.namespaceId.empty()) {
        return signOn.namespaceId;
    }
    std::optional<std::string> id = configurationId(options.configTexts.front());
    if (!id || id->empty()) {
        throw HostError("cannot tell which namespace to sign on to: '" + options.configs.front() +
                        "' has no readable \"id\" parameter; name one with --namespace");
    }
    return *id;
}

// What a person needs from an answer: the readable response, the ticket, and the visa saved.
struct Outcome {
    int32_t code = 0;
    std::unique_ptr<XmlElement> root;
};

Outcome send(HostSession& session, const HostOptions& options, const std::string& document,
             const std::string& visaOut) {
    CallOutcome call = session.library().authenticateXml(document);
    HostSession::noteProblems(call);
    Outcome outcome;
    outcome.code = call.code;
    std::ostream& status = options.raw ? std::cerr : std::cout;
    if (!call.response) {
        std::cerr << "basalt-host: "
                  << say("{1} returned no response document", {"BasaltAuthenticateXml"}) << '\n';
        return outcome;
    }
    if (options.raw) {
        std::cout << *call.response << '\n';
    }
    outcome.root = parseXml(*call.response, "authenticate response");
    if (!options.raw) {
        std::cout << describeAuthResponse(*outcome.root);
    }
    status << say("result: {1}", {describeResult(call.code, "BasaltAuthenticateXml")}) << '\n';
    if (const std::string server = session.library().directoryServer(); !server.empty()) {
        status << say("directory server: {1}", {server}) << '\n';
    }
    const XmlElement* visa = outcome.root->child("visa");
    if (visa != nullptr && !visaOut.empty()) {
        writeFile(visaOut, serializeXml(*visa), "visa file");
        status << "visa written to '" << visaOut << "'\n";
    }
    return outcome;
}

// The ticket the response hands out in its AS_TICKET cookie ("" when none).
std::string ticketOf(const XmlElement& response) {
    const XmlElement* cookies = response.find("setCookieVars");
    if (cookies == nullptr) {
        return "";
    }
    for (const XmlElement* cookie : cookies->childrenNamed("item")) {
        if (cookie->childText("name") == "AS_TICKET" && cookie->childText("maxAge") != "-1") {
            return cookie->childText("value");
        }
    }
    return "";
}

// Whether the response prompts for a new password.
bool asksForNewPassword(const XmlElement& response) {
    const XmlElement* fields = response.find("displayObjects");
    if (fields == nullptr) {
        return false;
    }
    for (const XmlElement* field : fields->childrenNamed("item")) {
        if (field->childText("name") == "VOROldPassword") {
            return true;
        }
    }
    return false;
}

int commandLogon(const HostOptions& options, const SignOnOptions& signOn) {
    const std::string ns = namespaceOf(options, signOn);
    std::string ticket = signOn.ticket;
    if (!signOn.ticketFile.empty()) {
        ticket = readFile(signOn.ticketFile, "ticket file");
        ticket.erase(ticket.find_last_not_of(" \t\r\n") + 1);
    }
    std::string password = signOn.password;
    if (!signOn.user.empty() && password.empty() && !signOn.passwordGiven) {
        password = readSecret("Password for " + signOn.user + ": ");
    }
    return runConfiguredCommand(options, [&](HostSession& session) {
        Pairs fields{{"VORNamespace", ns}};
        if (!signOn.user.empty()) {
            fields.emplace_back("VORUsername", signOn.user);
            fields.emplace_back("VORPassword", password);
        }
        if (!signOn.role.empty()) {
            fields.emplace_back("VORRole", signOn.role);
        }
        Pairs cookies;
        if (!ticket.empty()) {
            cookies.emplace_back("AS_TICKET", ticket);
        }
        Pairs environment;
        if (!signOn.remoteUser.empty()) {
            environment.emplace_back("REMOTE_USER", signOn.remoteUser);
        }
        if (signOn.remoteUser.empty()) {
            // No trusted environment here: what cannot sign on gets the logon prompt.
            fields.emplace_back("VORCheckGateway", "true");
        }
        Outcome outcome =
            send(session, options, signOnDocument(session, "logon", fields, cookies, environment),
                 signOn.visaOut);
        // The remote user signs on only through the environment document the provider asks for.
        std::string securityBlob;
        if (outcome.root && outcome.code == -37 && !signOn.remoteUser.empty()) {
            const XmlElement* prompt = outcome.root->find("promptInfo");
            if (std::optional<std::string> answer = answerEnvironmentRequest(
                    prompt ? prompt->childText("securityBlob") : std::string(), environment)) {
                securityBlob = std::move(*answer);
                (options.raw ? std::cerr : std::cout)
                    << say("sending the environment the provider asked for", {}) << '\n';
                outcome = send(session, options,
                               signOnDocument(session, "logon", fields, cookies, environment, {},
                                              securityBlob),
                               signOn.visaOut);
            }
        }
        if (outcome.root && outcome.code == -36 && asksForNewPassword(*outcome.root) &&
            !signOn.user.empty()) {
            std::string fresh = signOn.newPassword;
            if (fresh.empty()) {
                fresh = readSecret("New password for " + signOn.user + ": ");
                if (isatty(STDIN_FILENO) != 0 &&
                    readSecret("Confirm the new password: ") != fresh) {
                    throw HostError("the two new passwords differ; nothing was changed");
                }
            }
            fields.emplace_back("VOROldPassword", password);
            fields.emplace_back("VORNewPassword", fresh);
            (options.raw ? std::cerr : std::cout)
                << "changing the password of '" << signOn.user << "'\n";
            outcome = send(
                session, options,
                signOnDocument(session, "logon", fields, cookies, environment, {}, securityBlob),
                signOn.visaOut);
        }
        if (outcome.root) {
            const std::string issued = ticketOf(*outcome.root);
            if (!issued.empty()) {
                (options.raw ? std::cerr : std::cout) << "ticket: " << issued << '\n';
                if (!signOn.ticketOut.empty()) {
                    writeFile(signOn.ticketOut, issued + "\n", "ticket file");
                }
            }
        }
        return outcome.code < 0 ? kExitProviderFailure : kExitSuccess;
    });
}

// Logoff and the credential requests: the visa of an earlier sign-on, one action.
int commandWithVisa(const HostOptions& options, const SignOnOptions& signOn,
                    const std::string& action) {
    const std::string visa = readVisaFile(signOn.visaFile);
    const std::string ns = namespaceOf(options, signOn);
    return runConfiguredCommand(options, [&](HostSession& session) {
        const Outcome outcome =
            send(session, options,
                 signOnDocument(session, action, {{"VORNamespace", ns}}, {}, {}, visa), "");
        return outcome.code < 0 ? kExitProviderFailure : kExitSuccess;
    });
}

}  // namespace

SignOnCommands addSignOnCommands(CLI::App& app, HostOptions& options, SignOnOptions& signOn) {
    SignOnCommands commands;
    commands.logon = addCommand(
        app, "logon",
        "configure, then sign on: with a user name and password, a ticket of an earlier run, or "
        "REMOTE_USER; prompts for a new password when the directory asks for one",
        options);
    commands.logon->add_option("-u,--user", signOn.user, "the user's sign-on name");
    commands.logon
        ->add_option("-p,--password", signOn.password,
                     "the password (default: asked for without echo, or read from stdin)")
        ->each([&signOn](const std::string&) { signOn.passwordGiven = true; });
    commands.logon->add_option("--new-password", signOn.newPassword,
                               "the new password when the current one has expired (default: "
                               "asked for)");
    commands.logon->add_option("--ticket", signOn.ticket,
                               "sign on with this ticket (the AS_TICKET cookie of a sign-on)");
    commands.logon->add_option("--ticket-file", signOn.ticketFile,
                               "sign on with the ticket in this file");
    commands.logon->add_option("--ticket-out", signOn.ticketOut,
                               "write the ticket the sign-on issued to this file");
    commands.logon->add_option("--remote-user", signOn.remoteUser,
                               "sign on as the trusted web environment's REMOTE_USER");
    commands.logon->add_option("--role", signOn.role, "the user class to sign on with");
    commands.logon->add_option("--visa-out", signOn.visaOut,
                               "write the visa of a successful sign-on to this file");
    commands.logoff = addCommand(
        app, "logoff", "configure, then end the session of a visa and expire its ticket", options);
    commands.generateTC =
        addCommand(app, "generate-tc",
                   "configure, then generate a trusted credential for the visa's user", options);
    for (CLI::App* command : {commands.logon, commands.logoff, commands.generateTC}) {
        command->add_option("-n,--namespace", signOn.namespaceId,
                            "the namespace identifier (default: the \"id\" of the first "
                            "configuration)");
    }
    for (CLI::App* command : {commands.logoff, commands.generateTC}) {
        command
            ->add_option("--visa", signOn.visaFile,
                         "file holding the visa, or an authenticate response that holds one")
            ->required();
    }
    return commands;
}

std::optional<int> runSignOnCommand(const SignOnCommands& commands, const HostOptions& options,
                                    const SignOnOptions& signOn) {
    if (commands.logon->parsed()) {
        return commandLogon(options, signOn);
    }
    if (commands.logoff->parsed()) {
        return commandWithVisa(options, signOn, "logoff");
    }
    if (commands.generateTC->parsed()) {
        return commandWithVisa(options, signOn, "generateTC");
    }
    return std::nullopt;
}

}  // namespace basalt_host
