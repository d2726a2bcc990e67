#pragma once
// The web gateway: plays the framework for browsers. Each request becomes an authenticate or
// search document for the provider; the answers become pages.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "HostSession.h"
#include "QueryDocuments.h"
#include "WebSessions.h"
#include "XmlTree.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace basalt_host::serve {

struct ServeOptions {
    std::string address = "127.0.0.1";
    int port = 8080;  // 0: any free port
    // A request header set by a trusted reverse proxy whose value becomes REMOTE_USER and, when
    // the provider asks for it, the environment document's REMOTE_USER; empty: REMOTE_USER is
    // never sent.
    std::string trustedUserHeader;
    bool secureCookies = false;  // the session cookie only over HTTPS (behind a TLS proxy)
    int idleMinutes = 30;
    std::size_t maxSessions = 10000;
    int pageSize = 25;
};

struct NamespaceChoice {
    std::string id;
    std::string displayName;
};

class Gateway {
public:
    Gateway(HostSession& provider, std::vector<NamespaceChoice> namespaces,
            const ServeOptions& options, const std::string& defaultLocale);
    ~Gateway();
    Gateway(const Gateway&) = delete;
    Gateway& operator=(const Gateway&) = delete;

    // Registers the routes and the headers every answer carries.
    void install(httplib::Server& server);

    // Ends with the provider every session still signed on (when the server has stopped).
    void endAllSessions();

    struct Request;  // one browser request with its session (Gateway.cpp)

private:
    void signOnPage(const httplib::Request& http, httplib::Response& response);
    void signOnPost(const httplib::Request& http, httplib::Response& response);
    void signOffPost(const httplib::Request& http, httplib::Response& response);
    void browsePage(const httplib::Request& http, httplib::Response& response);
    void objectPage(const httplib::Request& http, httplib::Response& response);

    // Sends an authenticate document built from the browser's request and shows the answer:
    // a visa signs the session on and leads to the directory; a prompt is shown as a form.
    void authenticate(Request& request, const std::string& action,
                      std::vector<std::pair<std::string, std::string>> formFields);
    // Runs handler with the browser's request: its session (a new one when it has none) and its
    // language. A form post reaches handler only from this site with the session's token, a
    // directory page only for a signed-on session.
    template <typename Handler>
    void withRequest(const httplib::Request& http, httplib::Response& response, Handler handler);
    template <typename Handler>
    void withForm(const httplib::Request& http, httplib::Response& response, Handler handler);
    template <typename Handler>
    void withSignedOn(const httplib::Request& http, httplib::Response& response, Handler handler);
    std::unique_ptr<XmlElement> search(Request& request, QuerySpec query);
    std::string userNameOf(const std::string& visa, const std::string& userId,
                           const std::string& locale);
    void endAbandonedSessions();
    void endSession(const std::string& namespaceId, const std::string& visa, Request* request,
                    const char* action);
    std::string headerHtml(Request& request);
    const NamespaceChoice* findNamespace(const std::string& id) const;

    HostSession& m_provider;
    std::vector<NamespaceChoice> m_namespaces;
    ServeOptions m_options;
    std::string m_defaultLocale;
    SessionStore m_sessions;
};

}  // namespace basalt_host::serve
