#include "Commands.h"

#include <CLI/CLI.hpp>
#include <cstdint>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CacheCommand.h"
#include "CheckCommand.h"
#include "CommandFrame.h"
#include "CommandLine.h"
#include "HostDocuments.h"
#include "HostError.h"
#include "HostFiles.h"
#include "HostOptions.h"
#include "HostSession.h"
#include "HostText.h"
#include "ProviderLibrary.h"
#include "ResponsePrinter.h"
#include "ResultMeaning.h"
#include "SearchCommands.h"
#include "SignOnCommands.h"
#include "XmlTree.h"
#include "ServeCommand.h"

namespace basalt_host {
namespace {

// Prints a response readably (or raw); a response that is not XML is shown as returned.
void printDocument(const std::string& text, const std::string& what, bool raw,
                   std::string (*describe)(const XmlElement&)) {
    if (raw) {
        std::cout << text << '\n';
        return;
    }
    std::unique_ptr<XmlElement> root;
    try {
        root = parseXml(text, what);
    } catch (const HostError& error) {
        throw HostError(std::string(error.what()) + "; as returned:\n" + text);
    }
    std::cout << describe(*root);
}

// Where the result line goes: with --raw stdout carries only documents.
std::ostream& statusStream(const HostOptions& options) {
    return options.raw ? std::cerr : std::cout;
}

// Asks the provider for the namespace object itself with all its properties, as a search
// without a signed-on user; true when it answered.
bool showNamespaceObject(HostSession& session, const HostOptions& options,
                         const std::string& namespaceId) {
    CallOutcome outcome = session.library().searchXml(
        namespaceVisaDocument(namespaceId),
        namespaceQueryDocument(namespaceId, options.productLocale, options.contentLocale));
    if (!session.accepted("BasaltSearchXml for the namespace object '" + namespaceId + "'",
                          outcome)) {
        return false;
    }
    const std::string& response = HostSession::responseOf("BasaltSearchXml", outcome);
    statusStream(options) << say("namespace object '{1}' (search without a user): result {2}",
                                 {namespaceId, describeResult(outcome.code, "BasaltSearchXml")})
                          << '\n';
    printDocument(response, "search response", options.raw, describeQueryResponse);
    return true;
}

int commandShow(const HostOptions& options) {
    return runConfigured(options, [&](HostSession& session,
                                      const std::vector<std::string>& responses) {
        for (std::size_t i = 0; i < responses.size(); ++i) {
            statusStream(options) << say("configured '{1}': result {2}",
                                         {options.configs[i], describeResult(0, "BasaltConfigure")})
                                  << '\n';
            printDocument(responses[i], "configure response", options.raw, describeQueryResponse);
            std::optional<std::string> id = configurationId(options.configTexts[i]);
            if (!id || id->empty()) {
                HostSession::warn(
                    say("'{1}' has no readable \"id\" parameter; its namespace "
                        "object is not looked up",
                        {options.configs[i]}));
            } else if (!showNamespaceObject(session, options, *id)) {
                return kExitProviderFailure;
            }
        }
        return kExitSuccess;
    });
}

int commandSetVersion(const HostOptions& options) {
    std::string uri = namespaceFormatUri(options.version);
    std::string id = options.namespaceId;
    if (id.empty()) {
        std::optional<std::string> configured = configurationId(options.configTexts.front());
        if (!configured || configured->empty()) {
            throw HostError("cannot tell which namespace to set: '" + options.configs.front() +
                            "' has no readable \"id\" parameter; name one with --namespace");
        }
        id = *configured;
    }
    return runConfigured(options, [&](HostSession& session, const std::vector<std::string>&) {
        CallOutcome outcome = session.library().setNamespaceVersion(
            setNamespaceVersionDocument(id, uri), session.additionalInfo());
        if (!session.accepted("BasaltSetNamespaceVersion for '" + id + "'", outcome)) {
            return kExitProviderFailure;
        }
        statusStream(options) << say("namespace '{1}' set to version {2}: result {3}",
                                     {id, uri,
                                      describeResult(outcome.code, "BasaltSetNamespaceVersion")})
                              << '\n';
        return kExitSuccess;
    });
}

int commandAuthenticate(const HostOptions& options) {
    std::string document = readFile(options.documentFile, "authenticate document");
    return runConfigured(options, [&](HostSession& session, const std::vector<std::string>&) {
        CallOutcome outcome = session.library().authenticateXml(document);
        HostSession::noteProblems(outcome);
        int status = outcome.code < 0 ? kExitProviderFailure : kExitSuccess;
        if (!outcome.response) {
            std::cerr << "basalt-host: "
                      << say("{1} returned no response document", {"BasaltAuthenticateXml"})
                      << '\n';
        } else {
            printDocument(*outcome.response, "authenticate response", options.raw,
                          describeAuthResponse);
        }
        statusStream(options) << say("result: {1}",
                                     {describeResult(outcome.code, "BasaltAuthenticateXml")})
                              << '\n';
        if (!options.visaOut.empty()) {
            const XmlElement* visa = nullptr;
            std::unique_ptr<XmlElement> root;
            if (outcome.response) {
                root = parseXml(*outcome.response, "authenticate response");
                visa = root->child("visa");
            }
            if (visa == nullptr) {
                HostSession::warn(
                    say("the response holds no visa; '{1}' was not written", {options.visaOut}));
            } else {
                writeFile(options.visaOut, serializeXml(*visa), "visa file");
                statusStream(options) << say("visa written to '{1}'", {options.visaOut}) << '\n';
            }
        }
        return status;
    });
}

int commandSearch(const HostOptions& options, const SearchOptions& search) {
    std::string visa = readVisaFile(options.visaFile);
    if (!search.path.empty()) {
        if (!options.documentFile.empty()) {
            throw HostError("give either a query document or --path, not both");
        }
        return runConfigured(options, [&](HostSession& session, const std::vector<std::string>&) {
            return searchByPath(session, options, search, visa);
        });
    }
    if (options.documentFile.empty()) {
        throw HostError("search needs a query document or --path");
    }
    std::string query = readFile(options.documentFile, "query document");
    return runConfigured(options, [&](HostSession& session, const std::vector<std::string>&) {
        CallOutcome outcome = session.library().searchXml(visa, query);
        if (!session.accepted("BasaltSearchXml", outcome)) {
            return kExitProviderFailure;
        }
        printDocument(HostSession::responseOf("BasaltSearchXml", outcome), "search response",
                      options.raw, describeQueryResponse);
        statusStream(options) << say("result: {1}",
                                     {describeResult(outcome.code, "BasaltSearchXml")})
                              << '\n';
        return kExitSuccess;
    });
}

int commandBrowse(const HostOptions& options, const SearchOptions& search) {
    std::string visa = readVisaFile(options.visaFile);
    std::string namespaceId = options.namespaceId;
    if (namespaceId.empty() && !options.configTexts.empty()) {
        namespaceId = configurationId(options.configTexts.front()).value_or("");
    }
    if (namespaceId.empty()) {
        throw HostError("no namespace identifier: give --namespace");
    }
    return runConfigured(options, [&](HostSession& session, const std::vector<std::string>&) {
        return browse(session, options, search, visa, namespaceId);
    });
}

const char* kFooter = R"(
Every command loads the provider, initialises it, configures each namespace given with
--config (in order), does its work and terminates the provider. `basalt-host <command> --help`
lists the options of one command.

Exit status: 0 success; 1 the provider returned a negative result code (the exception document
is explained on stderr) or `check` found a step that fails; 2 the host could not do its work
(command line, unreadable file, unfilled placeholder, unusable library or response).

Examples:
  basalt-host check -c namespace.xml
  basalt-host show -c namespace.xml
  basalt-host show -c namespace.xml --raw
  basalt-host set-version -c namespace.xml 3
  basalt-host authenticate -c namespace.xml logon.xml --visa-out visa.xml
  basalt-host search -c namespace.xml --visa visa.xml query.xml
  basalt-host search -c namespace.xml --visa visa.xml --path "VORID('ns')/*" -p defaultName
  basalt-host browse -c namespace.xml --visa visa.xml --page-size 10
  basalt-host logon -c namespace.xml -u alice --visa-out visa.xml --ticket-out ticket.txt
  basalt-host logon -c namespace.xml --ticket-file ticket.txt
  basalt-host logoff -c namespace.xml --visa visa.xml
  basalt-host serve -c namespace.xml --port 8080
  basalt-host cache list -c namespace.xml)";

// The locales of the run: --locale, else the environment's; the content locale follows it
// unless given.
void settleLocales(HostOptions& options) {
    options.productLocale = options.locale.empty() ? localeFromEnvironment() : options.locale;
    if (options.contentLocale.empty()) {
        options.contentLocale = options.productLocale;
    }
    setLanguage(languageOf(options.productLocale));
}

// Reads every configuration before the library is loaded, refusing one whose placeholders
// were never filled in: the provider would only report a malformed runtime configuration.
void readConfigurations(HostOptions& options) {
    for (const std::string& path : options.configs) {
        std::string text = readFile(path, "namespace configuration");
        std::vector<std::string> placeholders = unfilledPlaceholders(text);
        if (!placeholders.empty()) {
            std::string list;
            for (const std::string& name : placeholders) {
                list += (list.empty() ? "" : ", ") + name;
            }
            throw HostError(
                say("'{1}' still holds the placeholder(s) {2}: replace each with the value for "
                    "your directory (@RIDGE_HOST@ and @RIDGE_PORT@ its host and port, "
                    "@RIDGE_BASE_DN@ its base DN), for example with sed from the env file "
                    "scripts/directory writes; see \"Running the provider by hand\" in README.md",
                    {path, list}));
        }
        options.configTexts.push_back(std::move(text));
    }
}

}  // namespace

int runHost(int argc, char** argv) {
    HostOptions options;
    options.library = defaultLibraryPath();
    SearchOptions searchOptions;

    CLI::App app{
        "basalt-host: drives the Basalt provider library the way an authentication framework\n"
        "does (dlopen, VOR_AAA_GetInterface, the entry tables) and shows what it answers."};
    app.footer(kFooter);
    app.fallthrough();
    app.require_subcommand(1);
    addGeneralOptions(app, options);

    CLI::App* check = addCommand(
        app, "check",
        "try a namespace configuration step by step (the document, the provider, the "
        "directory server, TLS, the service identity, the base DN, the namespace entry, the "
        "Ridge schema) and say which step fails and what to change",
        options);
    CLI::App* show = addCommand(
        app, "show",
        "configure, then show the provider's answer (the namespace's capabilities) and the "
        "namespace object with all its properties (asked for by a search without a user)",
        options);
    CLI::App* setVersion =
        addCommand(app, "set-version",
                   "configure, then set a namespace's version (namespace format)", options);
    setVersion
        ->add_option("version", options.version,
                     "1, 2 or 3, or the namespace-format URI of one of them")
        ->required();
    setVersion->add_option("-n,--namespace", options.namespaceId,
                           "the namespace identifier (default: the \"id\" of the first "
                           "configuration)");
    CLI::App* authenticate =
        addCommand(app, "authenticate",
                   "configure, then send an authenticate document and print the response", options);
    authenticate
        ->add_option("document", options.documentFile,
                     "file holding the authenticate document ('-' for stdin)")
        ->required();
    authenticate->add_option("--visa-out", options.visaOut,
                             "write the visa of a successful response to this file");
    CLI::App* search = addCommand(
        app, "search", "configure, then send a visa and a query document and print the response",
        options);
    search->add_option("document", options.documentFile,
                       "file holding the query document ('-' for stdin)");
    addSearchPathOptions(*search, searchOptions);
    search
        ->add_option("--visa", options.visaFile,
                     "file holding the visa, or an authenticate response that holds one")
        ->required();
    CLI::App* browseCommand = addBrowseCommand(app, options, searchOptions);

    SignOnOptions signOn;
    const SignOnCommands signOnCommands = addSignOnCommands(app, options, signOn);
    serve::ServeOptions serveOptions;
    CLI::App* serveCommand = serve::addServeCommand(app, options, serveOptions);
    CacheOptions cacheOptions;
    CLI::App* cacheCommand = addCacheCommand(app, options, cacheOptions);

    if (argc <= 1) {
        std::cout << app.help();  // the commands, as --help lists them
        return kExitSuccess;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        int status = app.exit(error);
        return status == 0 ? kExitSuccess : kExitHostFailure;
    }

    try {
        settleLocales(options);
        readConfigurations(options);
        XercesSession xerces;
        if (check->parsed()) {
            return commandCheck(options);
        }
        if (show->parsed()) {
            return commandShow(options);
        }
        if (setVersion->parsed()) {
            return commandSetVersion(options);
        }
        if (authenticate->parsed()) {
            return commandAuthenticate(options);
        }
        if (std::optional<int> status = runSignOnCommand(signOnCommands, options, signOn)) {
            return *status;
        }
        if (browseCommand->parsed()) {
            return commandBrowse(options, searchOptions);
        }
        if (serveCommand->parsed()) {
            return serve::runServe(options, serveOptions);
        }
        if (cacheCommand->parsed()) {
            return commandCache(options, cacheOptions);
        }
        return commandSearch(options, searchOptions);
    } catch (const HostError& error) {
        std::cerr << "basalt-host: " << say("error: {1}", {error.what()}) << '\n';
        return kExitHostFailure;
    } catch (const std::exception& error) {
        std::cerr << "basalt-host: " << say("unexpected failure: {1}", {error.what()}) << '\n';
        return kExitHostFailure;
    }
}

}  // namespace basalt_host
