#include "Gateway.h"

#include <httplib.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <optional>
#include <utility>

#include "AuthenticateDocuments.h"
#include "DirectoryPages.h"
#include "EnvironmentDocuments.h"
#include "HostDocuments.h"
#include "HostError.h"
#include "Html.h"
#include "HttpCookies.h"
#include "ObjectTable.h"
#include "PageTexts.h"
#include "PromptForm.h"
#include "ProviderAnswers.h"
#include "QueryDocuments.h"
#include "XmlTree.h"

namespace basalt_host::serve {
namespace {

constexpr const char* kSessionCookie = "basalt_session";

// Nothing but this server's own style sheet and forms; no script, no frame, no plug-in.
constexpr const char* kContentSecurityPolicy =
    "default-src 'none'; style-src 'self'; img-src 'self'; form-action 'self'; "
    "frame-ancestors 'none'; base-uri 'none'";

constexpr const char* kHtml = "text/html; charset=utf-8";

// The actions a sign-on form may ask for; anything else signs on plainly.
std::string logonAction(const std::string& requested) {
    return requested == "logonAs" ? requested : "logon";
}

void redirect(httplib::Response& response, const std::string& location) {
    response.status = 303;
    response.set_header("Location", location);
}

}  // namespace

struct Gateway::Request {
    const httplib::Request& http;
    httplib::Response& response;
    std::string locale;
    const PageTexts* texts;
    std::vector<std::pair<std::string, std::string>> cookies;  // the browser's, ours excepted
    std::string sessionId;
    std::shared_ptr<SessionSlot> slot;
    std::unique_lock<std::mutex> lock;

    WebSession& session() { return slot->session; }

    void page(int status, const std::string& title, const std::string& body) {
        response.status = status;
        response.set_content(htmlPage(texts->lang, title, "<main>" + body + "</main>"), kHtml);
    }
};

Gateway::Gateway(HostSession& provider, std::vector<NamespaceChoice> namespaces,
                 const ServeOptions& options, const std::string& defaultLocale)
    : m_provider(provider),
      m_namespaces(std::move(namespaces)),
      m_options(options),
      m_defaultLocale(defaultLocale),
      m_sessions(std::chrono::minutes(options.idleMinutes), options.maxSessions) {}

Gateway::~Gateway() = default;

void Gateway::install(httplib::Server& server) {
    server.set_default_headers({{"Content-Security-Policy", kContentSecurityPolicy},
                                {"X-Content-Type-Options", "nosniff"},
                                {"X-Frame-Options", "DENY"},
                                // same-origin rather than no-referrer: with the latter a browser
                                // sends "Origin: null" on the gateway's own form posts, which the
                                // origin check below must refuse.
                                {"Referrer-Policy", "same-origin"},
                                {"Cache-Control", "no-store"}});
    server.set_payload_max_length(64 * 1024);
    // Sessions dropped for idleness are ended with the provider by the next request.
    server.set_pre_routing_handler([this](const httplib::Request&, httplib::Response&) {
        endAbandonedSessions();
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server.Get("/style.css", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(styleSheet(), "text/css; charset=utf-8");
    });
    server.Get("/", [](const httplib::Request&, httplib::Response& response) {
        redirect(response, "/browse");
    });
    server.Get("/logon", [this](const httplib::Request& http, httplib::Response& response) {
        signOnPage(http, response);
    });
    server.Post("/logon", [this](const httplib::Request& http, httplib::Response& response) {
        signOnPost(http, response);
    });
    server.Post("/logoff", [this](const httplib::Request& http, httplib::Response& response) {
        signOffPost(http, response);
    });
    server.Get("/browse", [this](const httplib::Request& http, httplib::Response& response) {
        browsePage(http, response);
    });
    server.Get("/object", [this](const httplib::Request& http, httplib::Response& response) {
        objectPage(http, response);
    });
    server.set_exception_handler(
        [](const httplib::Request&, httplib::Response& response, std::exception_ptr failure) {
            std::string what = "unknown failure";
            try {
                std::rethrow_exception(failure);
            } catch (const std::exception& error) {
                what = error.what();
            } catch (...) {
            }
            std::cerr << "basalt-host serve: request failed: " << what << '\n';
            response.status = 500;
            response.set_content(htmlPage("en", "Error", "<main>" + noticeHtml(what) + "</main>"),
                                 kHtml);
        });
}

namespace {

// A form from another site, or without the session's token, is refused with a page that leads
// back to the sign-on.
bool formAccepted(Gateway::Request& request) {
    // A browser says where a form came from; one from another site is refused even before the
    // token is looked at.
    const std::string origin = request.http.get_header_value("Origin");
    const std::string host = request.http.get_header_value("Host");
    bool sameOrigin = origin.empty() || origin == "http://" + host || origin == "https://" + host;
    if (sameOrigin && request.http.has_param(kCsrfField) &&
        tokensEqual(request.http.get_param_value(kCsrfField), request.session().csrfToken)) {
        return true;
    }
    request.page(403, request.texts->signOnTitle,
                 noticeHtml(request.texts->formExpired) + "<p><a href=\"/logon\">" +
                     htmlEscape(request.texts->signOnAgain) + "</a></p>");
    return false;
}

}  // namespace

template <typename Handler>
void Gateway::withRequest(const httplib::Request& http, httplib::Response& response,
                          Handler handler) {
    std::string locale =
        productLocaleFrom(http.get_header_value("Accept-Language"), m_defaultLocale);
    std::vector<std::pair<std::string, std::string>> cookies;
    std::string presented;
    for (auto& [name, value] : parseCookieHeader(http.get_header_value("Cookie"))) {
        if (name == kSessionCookie) {
            presented = value;
        } else {
            cookies.emplace_back(std::move(name), std::move(value));
        }
    }
    SessionStore::Found found = m_sessions.findOrCreate(presented);
    if (found.created) {
        response.set_header("Set-Cookie",
                            sessionCookieHeader(kSessionCookie, found.id, m_options.secureCookies));
    }
    Request request{http,
                    response,
                    locale,
                    &pageTexts(locale),
                    std::move(cookies),
                    found.id,
                    found.slot,
                    std::unique_lock(found.slot->mutex)};
    handler(request);
}

template <typename Handler>
void Gateway::withForm(const httplib::Request& http, httplib::Response& response, Handler handler) {
    withRequest(http, response, [&](Request& request) {
        if (formAccepted(request)) {
            handler(request);
        }
    });
}

template <typename Handler>
void Gateway::withSignedOn(const httplib::Request& http, httplib::Response& response,
                           Handler handler) {
    withRequest(http, response, [&](Request& request) {
        if (!request.session().signedOn()) {
            redirect(response, "/logon");
            return;
        }
        handler(request);
    });
}

const NamespaceChoice* Gateway::findNamespace(const std::string& id) const {
    for (const NamespaceChoice& choice : m_namespaces) {
        if (choice.id == id) {
            return &choice;
        }
    }
    return nullptr;
}

void Gateway::signOnPage(const httplib::Request& http, httplib::Response& response) {
    withRequest(http, response, [&](Request& request) {
        if (request.session().signedOn()) {
            redirect(response, "/browse");
            return;
        }
        std::string namespaceId = http.get_param_value("namespace");
        if (namespaceId.empty() && m_namespaces.size() == 1) {
            namespaceId = m_namespaces.front().id;
        }
        if (!findNamespace(namespaceId)) {
            // The framework's namespace chooser: every configured namespace.
            std::string body = "<h1>" + htmlEscape(request.texts->signOnTitle) +
                               "</h1><form class=\"prompt\" method=\"get\" "
                               "action=\"/logon\"><div class=\"field\"><label "
                               "for=\"namespace\">" +
                               htmlEscape(request.texts->chooseNamespace) +
                               "</label><select id=\"namespace\" name=\"namespace\">";
            for (const NamespaceChoice& choice : m_namespaces) {
                body += "<option value=\"" + htmlEscape(choice.id) + "\">" +
                        htmlEscape(choice.displayName) + "</option>";
            }
            body += "</select></div><button type=\"submit\">" + htmlEscape(request.texts->next) +
                    "</button></form>";
            request.page(200, request.texts->signOnTitle, body);
            return;
        }
        request.session().namespaceId = namespaceId;
        authenticate(request, "logon", {{"VORNamespace", namespaceId}});
    });
}

void Gateway::signOnPost(const httplib::Request& http, httplib::Response& response) {
    withForm(http, response, [&](Request& request) {
        if (request.session().signedOn()) {
            redirect(response, "/browse");
            return;
        }
        // The form's fields in order, each name once; a field the prompt asked to be typed
        // twice must be typed the same both times.
        std::vector<std::pair<std::string, std::string>> fields;
        for (const auto& [name, value] : http.params) {
            if (name == kCsrfField) {
                continue;
            }
            auto same = std::find_if(fields.begin(), fields.end(),
                                     [&](const auto& field) { return field.first == name; });
            if (same == fields.end()) {
                fields.emplace_back(name, value);
            } else if (same->second != value) {
                const ProviderException& prompt = request.session().lastPrompt;
                std::string body =
                    "<h1>" + htmlEscape(request.texts->signOnTitle) + "</h1>" +
                    noticeHtml(request.texts->passwordsDiffer) +
                    promptHtml(prompt, {"/logon", request.session().csrfToken, request.texts});
                request.page(200, request.texts->signOnTitle, body);
                return;
            }
        }
        std::string action = logonAction(http.get_param_value("h_VOR_action"));
        std::string namespaceId = http.get_param_value("VORNamespace");
        if (!namespaceId.empty()) {
            request.session().namespaceId = namespaceId;
        }
        authenticate(request, action, std::move(fields));
    });
}

void Gateway::authenticate(Request& request, const std::string& action,
                           std::vector<std::pair<std::string, std::string>> formFields) {
    // The proxy's header names the remote user; sent twice, it names no one for certain.
    std::string remoteUser;
    if (!m_options.trustedUserHeader.empty()) {
        if (request.http.get_header_value_count(m_options.trustedUserHeader) > 1) {
            request.page(400, request.texts->signOnTitle,
                         noticeHtml(request.texts->userHeaderTwice));
            return;
        }
        remoteUser = request.http.get_header_value(m_options.trustedUserHeader.c_str());
    }
    AuthenticateRequest document;
    document.action = action;
    document.formFields = std::move(formFields);
    // Whether the trusted environment is tried is the gateway's to say, never the browser's.
    std::erase_if(document.formFields,
                  [](const auto& field) { return field.first == "VORCheckGateway"; });
    if (remoteUser.empty()) {
        // No remote user: what cannot sign on gets the sign-on form.
        document.formFields.emplace_back("VORCheckGateway", "true");
    } else {
        document.environment.emplace_back("REMOTE_USER", remoteUser);
    }
    document.cookies = request.cookies;
    document.productLocale = request.locale;
    document.contentLocale = request.locale;
    std::string typedName;
    for (const auto& [name, value] : document.formFields) {
        if (name == "VORUsername" && typedName.empty()) {
            typedName = value;
        }
    }

    // One call with the document as it stands; nothing when the provider gave no response.
    auto send = [&]() -> std::optional<AuthenticateAnswer> {
        CallOutcome outcome = m_provider.library().authenticateXml(authenticateDocument(document));
        HostSession::noteProblems(outcome);
        if (!outcome.response) {
            return std::nullopt;
        }
        return readAuthenticateResponse(outcome.code, *outcome.response);
    };
    std::optional<AuthenticateAnswer> read = send();
    // The provider asks for the environment the remote user signs on with: the request goes
    // again, once, with the environment document holding the header's value.
    if (read && read->code == -37 && read->exception && !remoteUser.empty()) {
        if (std::optional<std::string> environment =
                answerEnvironmentRequest(read->exception->securityBlob, document.environment)) {
            document.securityBlob = std::move(*environment);
            read = send();
        }
    }
    if (!read) {
        request.page(502, request.texts->failed, noticeHtml(request.texts->failed));
        return;
    }
    AuthenticateAnswer& answer = *read;
    for (const SetCookieVar& cookie : answer.setCookies) {
        if (std::optional<std::string> header = setCookieHeader(cookie)) {
            request.response.set_header("Set-Cookie", *header);
        } else {
            HostSession::warn("the provider's cookie '" + cookie.name +
                              "' cannot be sent as it is; it was left out");
        }
    }
    if (!answer.visa.empty() && answer.code >= 0) {
        WebSession& session = request.session();
        session.visa = answer.visa;
        session.userName = userNameOf(session.visa, answer.userId, request.locale);
        if (session.userName.empty()) {
            session.userName = typedName.empty() ? answer.userId : typedName;
        }
        session.lastPrompt = {};
        // A new identifier for the signed-on session: one known before sign-on is now useless.
        std::string renewed = m_sessions.renew(request.sessionId, *request.slot);
        request.sessionId = renewed;
        request.response.set_header(
            "Set-Cookie", sessionCookieHeader(kSessionCookie, renewed, m_options.secureCookies));
        redirect(request.response, "/browse");
        return;
    }
    ProviderException failure = answer.exception.value_or(ProviderException{});
    std::string body = "<h1>" + htmlEscape(request.texts->signOnTitle) + "</h1>";
    if (failure.isPrompt()) {
        body += promptHtml(failure, {"/logon", request.session().csrfToken, request.texts});
        request.session().lastPrompt = std::move(failure);
        request.page(200, request.texts->signOnTitle, body);
        return;
    }
    body += messagesHtml(failure.messages);
    body += "<p><a href=\"/logon\">" + htmlEscape(request.texts->signOnAgain) + "</a></p>";
    request.page(403, request.texts->signOnTitle, body);
}

void Gateway::signOffPost(const httplib::Request& http, httplib::Response& response) {
    withForm(http, response, [&](Request& request) {
        if (request.session().signedOn()) {
            endSession(request.session().namespaceId, request.session().visa, &request, "logoff");
        }
        m_sessions.remove(request.sessionId);
        response.set_header("Set-Cookie",
                            sessionCookieHeader(kSessionCookie, "", m_options.secureCookies));
        request.page(200, request.texts->signOff,
                     "<h1>" + htmlEscape(request.texts->signOff) + "</h1><p>" +
                         htmlEscape(request.texts->signedOff) + "</p><p><a href=\"/logon\">" +
                         htmlEscape(request.texts->signOnAgain) + "</a></p>");
    });
}

// Ends a provider session; with a request, the cookies the provider sets or clears go to the
// browser. A failure is reported on stderr: the browser's session ends in any case.
void Gateway::endSession(const std::string& namespaceId, const std::string& visa, Request* request,
                         const char* action) {
    AuthenticateRequest document;
    document.action = action;
    document.visa = visa;
    document.formFields.emplace_back("VORNamespace", namespaceId);
    if (request) {
        document.cookies = request->cookies;
        document.productLocale = request->locale;
        document.contentLocale = request->locale;
    }
    CallOutcome outcome = m_provider.library().authenticateXml(authenticateDocument(document));
    HostSession::noteProblems(outcome);
    if (!outcome.response) {
        HostSession::warn(std::string("the provider answered ") + action + " without a response");
        return;
    }
    try {
        AuthenticateAnswer answer = readAuthenticateResponse(outcome.code, *outcome.response);
        if (request) {
            for (const SetCookieVar& cookie : answer.setCookies) {
                if (std::optional<std::string> header = setCookieHeader(cookie)) {
                    request->response.set_header("Set-Cookie", *header);
                }
            }
        }
        if (outcome.code < 0 && answer.exception) {
            std::string text;
            for (const ProviderMessage& message : answer.exception->messages) {
                text += (text.empty() ? "" : "; ") + message.text;
            }
            HostSession::warn(std::string(action) + " failed: " + text);
        }
    } catch (const HostError& error) {
        HostSession::warn(error.what());
    }
}

void Gateway::endAbandonedSessions() {
    for (const auto& [namespaceId, visa] : m_sessions.takeAbandonedVisas()) {
        endSession(namespaceId, visa, nullptr, "logonExpired");
    }
}

void Gateway::endAllSessions() {
    m_sessions.clear();
    endAbandonedSessions();
}

std::string Gateway::headerHtml(Request& request) {
    const NamespaceChoice* current = findNamespace(request.session().namespaceId);
    return "<header><span class=\"signedon\">" + htmlEscape(request.texts->signedOnAs) + " <b>" +
           htmlEscape(request.session().userName) + "</b>" +
           (current ? " (" + htmlEscape(current->displayName) + ")" : std::string()) + "</span>" +
           buttonFormHtml("/logoff", request.session().csrfToken, request.texts->signOff) +
           "</header>";
}

// The signed-on user's name as the directory has it; empty when it cannot be had.
std::string Gateway::userNameOf(const std::string& visa, const std::string& userId,
                                const std::string& locale) {
    if (userId.empty()) {
        return "";
    }
    QuerySpec query;
    query.searchPath = voridPath(userId);
    query.properties = {"defaultName"};
    query.productLocale = locale;
    query.contentLocale = locale;
    CallOutcome outcome = m_provider.library().searchXml(visa, queryDocument(query));
    if (outcome.code < 0 || !outcome.response) {
        return "";
    }
    try {
        std::vector<ObjectRow> rows = responseRows(*parseXml(*outcome.response, "search response"));
        return rows.empty() ? "" : rows.front().value("defaultName");
    } catch (const HostError&) {
        return "";
    }
}

// Runs one query for the signed-on user; the parsed answer, or nothing when the provider
// refused (the page then shows its messages).
std::unique_ptr<XmlElement> Gateway::search(Request& request, QuerySpec query) {
    query.productLocale = request.locale;
    query.contentLocale = request.locale;
    CallOutcome outcome =
        m_provider.library().searchXml(request.session().visa, queryDocument(query));
    HostSession::noteProblems(outcome);
    if (outcome.code >= 0 && outcome.response) {
        return parseXml(*outcome.response, "search response");
    }
    ProviderException failure =
        outcome.exception ? readExceptionText(*outcome.exception) : ProviderException{};
    if (failure.messages.empty()) {
        failure.messages.push_back({0, request.texts->failed});
    }
    request.page(400, request.texts->directory,
                 headerHtml(request) + messagesHtml(failure.messages));
    return nullptr;
}

void Gateway::browsePage(const httplib::Request& http, httplib::Response& response) {
    withSignedOn(http, response, [&](Request& request) {
        ListingView view;
        view.pageSize = m_options.pageSize;
        view.folderPath = http.get_param_value("folder");
        if (view.folderPath.empty()) {
            view.folderPath = voridPath(request.session().namespaceId);
        }
        view.filter = http.get_param_value("filter");
        view.skip = std::max(0, std::atoi(http.get_param_value("skip").c_str()));

        // The container itself: its name and where it sits.
        QuerySpec self;
        self.searchPath = view.folderPath;
        self.properties = {"defaultName", "ancestors", "searchPath", "objectClass"};
        std::unique_ptr<XmlElement> folder = search(request, self);
        if (!folder) {
            return;
        }
        std::vector<ObjectRow> selfRows = responseRows(*folder);
        view.folderName =
            selfRows.empty() ? view.folderPath : selfRows.front().value("defaultName");
        if (const XmlElement* ancestors = folder->find("ancestors")) {
            if (const XmlElement* values = ancestors->child("value")) {
                for (const XmlElement* item : values->childrenNamed("item")) {
                    view.ancestors.emplace_back(item->childText("title"),
                                                item->childText("searchPath"));
                }
            }
        }

        // One page of its children, and one more to tell whether a next page exists.
        QuerySpec children;
        children.searchPath = childrenPath(view.folderPath, view.filter);
        children.properties = {"defaultName", "objectClass", "searchPath"};
        children.skip = view.skip;
        children.max = view.pageSize + 1;
        std::unique_ptr<XmlElement> listing = search(request, children);
        if (!listing) {
            return;
        }
        view.rows = responseRows(*listing);
        if (static_cast<int>(view.rows.size()) > view.pageSize) {
            view.rows.resize(static_cast<std::size_t>(view.pageSize));
            view.more = true;
        }
        request.page(200, request.texts->directory,
                     headerHtml(request) + listingHtml(view, *request.texts));
    });
}

void Gateway::objectPage(const httplib::Request& http, httplib::Response& response) {
    withSignedOn(http, response, [&](Request& request) {
        QuerySpec query;
        query.searchPath = http.get_param_value("path");
        query.properties = {"*"};
        std::unique_ptr<XmlElement> answer = search(request, query);
        if (!answer) {
            return;
        }
        std::vector<ObjectRow> rows = responseRows(*answer);
        if (rows.empty()) {
            request.page(404, request.texts->directory,
                         headerHtml(request) + noticeHtml(request.texts->noObjects));
            return;
        }
        request.page(
            200, request.texts->properties,
            headerHtml(request) +
                propertiesHtml(rows.front(), http.get_param_value("from"), *request.texts));
    });
}

}  // namespace basalt_host::serve
