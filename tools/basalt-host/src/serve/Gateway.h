#pragma once
// The web gateway: plays the framework for browsers. Each request becomes an authenticate or
// search document for the provider; the answers become pages. Pages that ask the provider run
// on a bounded pool of worker threads, never on the network threads.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "GatewayMetrics.h"
#include "HostSession.h"
#include "HttpMessage.h"
#include "HttpServer.h"
#include "ProviderAnswers.h"
#include "QueryDocuments.h"
#include "SharedCheck.h"
#include "SignOnThrottle.h"
#include "WebSessions.h"

namespace basalt_host::serve {

struct ServeOptions {
    std::string address = "127.0.0.1";
    int port = 8080;  // 0: any free port
    // A request header set by a trusted reverse proxy whose value becomes REMOTE_USER and, when
    // the provider asks for it, the environment document's REMOTE_USER; empty: REMOTE_USER is
    // never sent.
    std::string trustedUserHeader;
    // The names the gateway answers to in the Host header besides its listen address (and
    // "localhost" on a loopback address); a request for any other name is refused, so a page
    // elsewhere cannot reach the gateway by pointing its own name at it.
    std::vector<std::string> publicNames;
    bool secureCookies = false;  // the session cookie only over HTTPS (behind a TLS proxy)
    int idleMinutes = 30;
    std::size_t maxAnonymousSessions = 10000;  // sessions not signed on; signed-on ones apart
    std::size_t sessionsPerAccount = 100;      // signed-on sessions of one account; the oldest ends
    int pageSize = 25;
    int workers = 8;  // threads that call the provider
    ThrottleLimits throttle;
};

struct NamespaceChoice {
    std::string id;
    std::string displayName;
    // The namespace's directory time-out: a request still waiting then is told the directory
    // is unavailable.
    std::chrono::milliseconds timeout{30000};
};

class Gateway {
public:
    Gateway(HostSession& provider, std::vector<NamespaceChoice> namespaces,
            const ServeOptions& options, const std::string& defaultLocale);
    ~Gateway();
    Gateway(const Gateway&) = delete;
    Gateway& operator=(const Gateway&) = delete;

    // One request from the network: answered at once when it needs no provider, else queued
    // behind its session's earlier requests for a worker.
    void handle(HttpRequest http, Reply reply);
    // The page for a status; refusal() also counts and logs it (for requests the HTTP layer
    // refused itself).
    HttpResponse errorPage(int status, const std::string& acceptLanguage) const;
    HttpResponse refusal(int status, const std::string& acceptLanguage, const std::string& client);

    // Ends idle sessions with the provider, on a worker (called by a timer).
    void endIdleSessions();

    // Waits for the requests in progress, then ends with the provider every session still
    // signed on (when the server has stopped).
    void endAllSessions();

    struct Request;  // one browser request with its session (Gateway.cpp)
    using Page = void (Gateway::*)(Request&);

private:
    void signOnPage(Request& request);
    void signOnPost(Request& request);
    void signOffPost(Request& request);
    void browsePage(Request& request);
    void objectPage(Request& request);

    // Sends an authenticate document built from the browser's request and shows the answer:
    // a visa signs the session on and leads to the directory; a prompt is shown as a form.
    // True when it signed the session on.
    bool authenticate(Request& request, const std::string& action,
                      std::vector<std::pair<std::string, std::string>> formFields);
    // Runs job after the session's earlier requests, on a worker.
    void enqueue(const std::shared_ptr<SessionSlot>& slot, std::function<void()> job);
    void serveInSession(HttpRequest http, Reply reply, Page page, bool form, bool signedOn);
    std::optional<SearchAnswer> search(Request& request, QuerySpec query);
    // The provider's entries, timed for the metrics.
    CallOutcome authenticateCall(const std::string& document);
    CallOutcome searchCall(const std::string& visa, const std::string& query);
    // /healthz: 200 when every namespace's object can be read, else (or past the deadline) 503.
    void checkHealth(Reply reply);
    bool directoryHealthy();  // on a worker
    std::string userNameOf(const std::string& visa, const std::string& userId,
                           const std::string& locale);
    void endAbandonedSessions();
    void endSession(const std::string& namespaceId, const std::string& visa, Request* request,
                    const char* action);
    std::string headerHtml(Request& request);
    const NamespaceChoice* findNamespace(const std::string& id) const;
    // False when the trusted header is sent twice or names another user than the session's
    // (the session is then ended and the request answered).
    bool remoteUserAccepted(Request& request);

    HostSession& m_provider;
    std::vector<NamespaceChoice> m_namespaces;
    ServeOptions m_options;
    std::string m_defaultLocale;
    SessionStore m_sessions;
    SignOnThrottle m_throttle;
    GatewayMetrics m_metrics;
    std::chrono::milliseconds m_deadline;  // the longest time-out of the namespaces
    SharedCheck m_health;                  // /healthz's check; its jobs run on m_workers
    struct Workers;
    std::unique_ptr<Workers> m_workers;
    // The directory access library's check of its configuration in force, when the provider
    // loaded one (null otherwise).
    using DirectoryCheck = int32_t (*)(int32_t level);
    DirectoryCheck m_checkDirectory;
};

// The headers every answer carries (security policy, no caching unless the answer says).
void addStandardHeaders(HttpResponse& response);

}  // namespace basalt_host::serve
