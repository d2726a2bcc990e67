#include "ServeCommand.h"

#include <pthread.h>
#include <signal.h>

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <thread>

#include "AccessLog.h"
#include "CommandFrame.h"
#include "CommandLine.h"
#include "HostDocuments.h"
#include "HostError.h"
#include "HostSession.h"
#include "ObjectTable.h"
#include "XmlTree.h"

namespace basalt_host::serve {
namespace {

// The namespace object's name, asked for as the framework does before anyone signs on (a
// search with a visa that names only the namespace); the identifier when it has none.
std::string displayNameOf(HostSession& session, const HostOptions& host, const std::string& id) {
    CallOutcome outcome = session.library().searchXml(
        namespaceVisaDocument(id),
        namespaceQueryDocument(id, host.productLocale, host.contentLocale));
    HostSession::noteProblems(outcome);
    if (outcome.code >= 0 && outcome.response) {
        try {
            std::vector<ObjectRow> rows =
                responseRows(*parseXml(*outcome.response, "namespace object"));
            if (!rows.empty() && !rows.front().value("defaultName").empty()) {
                return rows.front().value("defaultName");
            }
        } catch (const HostError& error) {
            HostSession::warn(error.what());
        }
    }
    return id;
}

}  // namespace

CLI::App* addServeCommand(CLI::App& app, HostOptions& host, ServeOptions& options) {
    CLI::App* serve = addCommand(
        app, "serve",
        "configure, then serve the sign-on page and a directory browser to web browsers, "
        "playing the framework: the provider's prompts become forms, its visa a signed-on "
        "session (until SIGINT or SIGTERM)",
        host);
    serve
        ->add_option("--listen", options.address,
                     "address to listen on (default 127.0.0.1: this machine only)")
        ->default_str(options.address);
    serve->add_option("--port", options.port, "TCP port; 0 picks a free one (printed)")
        ->default_str(std::to_string(options.port))
        ->check(CLI::Range(0, 65535));
    serve->add_option("--trusted-user-header", options.trustedUserHeader,
                      "a request header set by a trusted reverse proxy whose value is passed as "
                      "REMOTE_USER (only behind a proxy that always sets or removes it)");
    serve->add_option("--public-name", options.publicNames,
                      "a host name browsers reach the gateway by (repeatable); requests for any "
                      "other name than these and the listen address are refused");
    serve->add_flag("--secure-cookies", options.secureCookies,
                    "send the session cookie with Secure (when a TLS proxy is in front)");
    serve
        ->add_option("--idle-minutes", options.idleMinutes,
                     "a browser session idle this long is ended")
        ->default_str(std::to_string(options.idleMinutes))
        ->check(CLI::Range(1, 24 * 60));
    serve
        ->add_option("--sessions-per-account", options.sessionsPerAccount,
                     "signed-on sessions one account may hold; signing on once more ends its "
                     "oldest")
        ->default_str(std::to_string(options.sessionsPerAccount))
        ->check(CLI::Range(1, 100000));
    serve
        ->add_option("--sign-on-attempts", options.throttle.pairLimit,
                     "failed sign-ons of one account from one address before it is refused "
                     "there for ten minutes (429); answers to failures are delayed from the "
                     "fourth on")
        ->default_str(std::to_string(options.throttle.pairLimit))
        ->check(CLI::Range(4, 1000));
    serve
        ->add_option("--workers", options.workers,
                     "threads that call the provider (each holds one directory request at a "
                     "time; the access library's pool bounds the connections)")
        ->default_str(std::to_string(options.workers))
        ->check(CLI::Range(1, 256));
    serve->add_option("--page-size", options.pageSize, "directory objects per page")
        ->default_str(std::to_string(options.pageSize))
        ->check(CLI::Range(1, 1000));
    return serve;
}

int runServe(const HostOptions& host, const ServeOptions& options) {
    HostSession session(host);
    if (!session.initialized()) {
        return kExitProviderFailure;
    }
    std::optional<std::vector<std::string>> responses = session.configureAll();
    if (!responses) {
        session.finish();
        return kExitProviderFailure;
    }
    std::vector<NamespaceChoice> namespaces;
    for (std::size_t i = 0; i < responses->size(); ++i) {
        std::optional<std::string> id = configurationId(host.configTexts[i]);
        if (!id || id->empty()) {
            HostSession::warn("'" + host.configs[i] +
                              "' has no readable \"id\" parameter; it is not offered");
            continue;
        }
        NamespaceChoice choice{*id, displayNameOf(session, host, *id)};
        std::optional<int> seconds =
            parseCount(configurationParameter(host.configTexts[i], "timeOut").value_or(""), 3600);
        if (seconds && *seconds > 0) {
            choice.timeout = std::chrono::seconds(*seconds);
        }
        namespaces.push_back(std::move(choice));
    }

    // SIGINT and SIGTERM are taken by one waiting thread, never by the server's workers.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    Gateway gateway(session, std::move(namespaces), options, host.productLocale);
    HttpServer server(
        HttpLimits{},
        [&gateway](HttpRequest request, Reply reply) {
            gateway.handle(std::move(request), std::move(reply));
        },
        [&gateway](int status, const std::string& language, const std::string& client) {
            return gateway.refusal(status, language, client);
        });
    int port = server.listen(options.address, options.port);
    if (port == 0) {
        std::cerr << "basalt-host: cannot listen on " << options.address << " port " << options.port
                  << '\n';
        session.finish();
        return kExitHostFailure;
    }
    std::string shownAddress = options.address.find(':') != std::string::npos
                                   ? "[" + options.address + "]"
                                   : options.address;
    std::cout << "basalt-host serve: listening on http://" << shownAddress << ":" << port << "/"
              << std::endl;

    if (options.address != "127.0.0.1" && options.address != "::1" &&
        options.address != "localhost") {
        HostSession::warn(
            "the gateway speaks plain HTTP: put a TLS proxy in front of it before "
            "other machines reach " +
            options.address);
    }

    std::thread waiter([&server, stopSignals] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        server.stop();
    });
    server.every(std::chrono::seconds(15), [&gateway] { gateway.endIdleSessions(); });
    server.every(std::chrono::seconds(1), flushAccessLog);
    server.run();
    waiter.join();
    bool served = true;

    gateway.endAllSessions();
    flushAccessLog();
    bool terminated = session.finish();
    std::cout << "basalt-host serve: stopped" << std::endl;
    return served && terminated ? kExitSuccess : kExitProviderFailure;
}

}  // namespace basalt_host::serve
