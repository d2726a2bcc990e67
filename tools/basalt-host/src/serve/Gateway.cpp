#include "Gateway.h"

#include <algorithm>
#include <atomic>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/thread_pool.hpp>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "AccessLog.h"
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
#include "RequestChecks.h"
#include "RequestDeadlines.h"

namespace basalt_host::serve {
namespace {

constexpr const char* kSessionCookie = "basalt_session";

// Nothing but this server's own style sheet and forms; no script, no frame, no plug-in.
constexpr const char* kContentSecurityPolicy =
    "default-src 'none'; style-src 'self'; img-src 'self'; form-action 'self'; "
    "frame-ancestors 'none'; base-uri 'none'";

constexpr const char* kHtml = "text/html; charset=utf-8";

// AS_CheckConfiguration's level for "a server answers, the service identity binds and the
// base DN is an entry it can read".
constexpr int32_t kDirectoryReadable = 4;

// The furthest a listing may be paged; past it a number is a mistake or a probe.
constexpr int kMaxSkip = 1000000;

// The actions a sign-on form may ask for; anything else signs on plainly.
std::string logonAction(const std::string& requested) {
    return requested == "logonAs" ? requested : "logon";
}

void redirect(HttpResponse& response, const std::string& location) {
    response.status = 303;
    response.setHeader("Location", location);
}

// The page for a status with a sentence and one link onward.
HttpResponse noticePage(int status, const PageTexts& texts, const std::string& sentence,
                        const std::string& link, const std::string& linkText) {
    HttpResponse response;
    response.status = status;
    response.setContent(
        htmlPage(texts.lang, sentence,
                 "<main>" + noticeHtml(sentence) + "<p><a href=\"" + htmlEscape(link) + "\">" +
                     htmlEscape(linkText) + "</a></p></main>"),
        kHtml);
    return response;
}

// Whether the provider's failure says the directory did not answer: the access library's
// timeout (-63) or unreachable server (-108), as the exception's code or carried as
// "<code>, <function>" in the message of a failed library call, whatever the language.
bool directoryUnavailable(const ProviderException& failure) {
    if (failure.errorCode == -63 || failure.errorCode == -108) {
        return true;
    }
    for (const ProviderMessage& message : failure.messages) {
        for (const char* code : {" -63, ", " -108, "}) {
            if (message.text.find(code) != std::string::npos) {
                return true;
            }
        }
    }
    return false;
}

// The route a path is counted under: the gateway's own paths, every other one as "other".
std::string routeLabel(const std::string& path) {
    for (const char* route :
         {"/", "/logon", "/logoff", "/browse", "/object", "/style.css", "/healthz", "/metrics"}) {
        if (path == route) {
            return path;
        }
    }
    return "other";
}

// The address to ask again after an outage: the page asked for, or the sign-on after a form.
std::string retryTarget(const HttpRequest& http) {
    if (http.method != "GET") {
        return http.path == "/logon" ? "/logon" : "/browse";
    }
    return http.query.empty() ? http.path : http.path + "?" + http.query;
}

// The directory did not answer: a page that says so and asks again.
HttpResponse unavailablePage(const HttpRequest& http, const PageTexts& texts) {
    HttpResponse response =
        noticePage(503, texts, texts.unavailable, retryTarget(http), texts.retry);
    response.setHeader("Retry-After", "10");
    return response;
}

// The longest time-out of the namespaces, a little shortened so that the browser hears of an
// outage before the provider's own time-out.
std::chrono::milliseconds requestDeadline(const std::vector<NamespaceChoice>& namespaces) {
    std::chrono::milliseconds longest{0};
    for (const NamespaceChoice& choice : namespaces) {
        longest = std::max(longest, choice.timeout);
    }
    if (longest.count() == 0) {
        longest = NamespaceChoice{}.timeout;
    }
    return longest * 9 / 10;
}

}  // namespace

void addStandardHeaders(HttpResponse& response) {
    const std::pair<const char*, const char*> standard[] = {
        {"Content-Security-Policy", kContentSecurityPolicy},
        {"X-Content-Type-Options", "nosniff"},
        {"X-Frame-Options", "DENY"},
        // same-origin rather than no-referrer: with the latter a browser sends "Origin: null"
        // on the gateway's own form posts, which the origin check must refuse.
        {"Referrer-Policy", "same-origin"},
        {"Cache-Control", "no-store"}};
    for (const auto& [name, value] : standard) {
        if (!response.hasHeader(name)) {
            response.addHeader(name, value);
        }
    }
}

// A bounded pool of threads for provider calls, apart from the network threads, and one thread
// for the requests' deadlines (never held up by a provider call).
struct Gateway::Workers {
    Workers(int threads, std::chrono::milliseconds deadline)
        : pool(static_cast<std::size_t>(std::max(threads, 1))),
          guard(boost::asio::make_work_guard(timers)),
          deadlines(timers, deadline),
          timerThread([this] { timers.run(); }) {}
    ~Workers() { stop(); }
    // Lets the requests in progress finish; deadlines and delayed answers still pending belong
    // to answers nobody can be given any more (the server has stopped).
    void stop() {
        pool.join();
        timers.stop();
        if (timerThread.joinable()) {
            timerThread.join();
        }
    }
    boost::asio::thread_pool pool;
    boost::asio::io_context timers;
    boost::asio::executor_work_guard<boost::asio::io_context::executor_type> guard;
    RequestDeadlines deadlines;
    std::thread timerThread;
};

struct Gateway::Request {
    const HttpRequest& http;
    HttpResponse& response;
    std::string locale;
    const PageTexts* texts;
    std::vector<std::pair<std::string, std::string>> cookies;  // the browser's, ours excepted
    std::string sessionId;
    std::shared_ptr<SessionSlot> slot;
    std::unique_lock<std::mutex> lock;
    std::chrono::milliseconds replyDelay{0};  // a failed sign-on's answer is held back
    std::string notice;                       // said above the sign-on form
    GatewayMetrics* metrics = nullptr;

    WebSession& session() { return slot->session; }

    void page(int status, const std::string& title, const std::string& body) {
        response.status = status;
        response.setContent(htmlPage(texts->lang, title, "<main>" + body + "</main>"), kHtml);
    }

    void unavailable() {
        response = unavailablePage(http, *texts);
        metrics->countDirectoryFailure();
    }
};

Gateway::Gateway(HostSession& provider, std::vector<NamespaceChoice> namespaces,
                 const ServeOptions& options, const std::string& defaultLocale)
    : m_provider(provider),
      m_namespaces(std::move(namespaces)),
      m_options(options),
      m_defaultLocale(defaultLocale),
      m_sessions(std::chrono::minutes(options.idleMinutes), options.maxAnonymousSessions,
                 options.sessionsPerAccount),
      m_throttle(options.throttle),
      m_deadline(requestDeadline(m_namespaces)),
      // Anyone may ask for /healthz, and each check connects to the directory: one check at
      // a time, its outcome shared and kept for a second.
      m_health(
          [this] { return directoryHealthy(); },
          [this](std::function<void()> job) { boost::asio::post(m_workers->pool, std::move(job)); },
          std::chrono::seconds(1)),
      m_workers(std::make_unique<Workers>(options.workers, m_deadline)),
      m_checkDirectory(
          reinterpret_cast<DirectoryCheck>(m_provider.library().symbol("AS_CheckConfiguration"))) {}

Gateway::~Gateway() = default;

void Gateway::handle(HttpRequest http, Reply reply) {
    struct Route {
        const char* method;
        const char* path;
        Page page;
        bool form;      // a post that must come from this site with the session's token
        bool signedOn;  // only for a signed-on session
    };
    static const Route routes[] = {
        {"GET", "/logon", &Gateway::signOnPage, false, false},
        {"POST", "/logon", &Gateway::signOnPost, true, false},
        {"POST", "/logoff", &Gateway::signOffPost, true, false},
        {"GET", "/browse", &Gateway::browsePage, false, true},
        {"GET", "/object", &Gateway::objectPage, false, true},
    };
    // Every answer is counted and logged, whichever thread gives it.
    reply = [this, reply = std::move(reply), started = std::chrono::steady_clock::now(),
             record = AccessRecord{http.clientAddress, http.method, http.path}](
                HttpResponse response) mutable {
        record.status = response.status;
        record.bytes = response.body.size();
        record.took = std::chrono::steady_clock::now() - started;
        // Counted before the answer, so a client that has it sees it counted; logged after,
        // so the answer does not wait for the log's write.
        m_metrics.countRequest(routeLabel(record.path), record.status);
        reply(std::move(response));
        writeAccessLog(record);
    };
    auto answer = [&](HttpResponse response) {
        addStandardHeaders(response);
        reply(std::move(response));
    };
    if (!hostAccepted(http, m_options.address, m_options.publicNames)) {
        answer(errorPage(400, http.header("Accept-Language")));
        return;
    }
    if (http.path == "/style.css" && http.method == "GET") {
        // From memory, named by its content, so a browser keeps it instead of asking each page.
        static const std::string tag = "\"" + randomToken(8) + "\"";
        HttpResponse response;
        response.setHeader("ETag", tag);
        response.setHeader("Cache-Control", "public, max-age=3600");
        if (http.header("If-None-Match") == tag) {
            response.status = 304;
        } else {
            response.setContent(styleSheet(), "text/css; charset=utf-8");
        }
        answer(std::move(response));
        return;
    }
    if (http.path == "/metrics" && http.method == "GET") {
        HttpResponse response;
        std::size_t all = m_sessions.size();
        std::size_t signedOn = m_sessions.signedOnCount();
        response.setContent(m_metrics.exposition(signedOn, all - std::min(all, signedOn)),
                            "text/plain; version=0.0.4; charset=utf-8");
        answer(std::move(response));
        return;
    }
    if (http.path == "/healthz" && http.method == "GET") {
        checkHealth(std::move(reply));
        return;
    }
    if (http.path == "/" && http.method == "GET") {
        HttpResponse response;
        redirect(response, "/browse");
        answer(std::move(response));
        return;
    }
    bool pathKnown = routeLabel(http.path) != "other";
    for (const Route& route : routes) {
        if (http.path != route.path) {
            continue;
        }
        pathKnown = true;
        if (http.method == route.method) {
            serveInSession(std::move(http), std::move(reply), route.page, route.form,
                           route.signedOn);
            return;
        }
    }
    HttpResponse response = errorPage(pathKnown ? 405 : 404, http.header("Accept-Language"));
    if (pathKnown) {
        response.setHeader("Allow", http.path == "/logon"    ? "GET, POST"
                                    : http.path == "/logoff" ? "POST"
                                                             : "GET");
    }
    answer(std::move(response));
}

void Gateway::checkHealth(Reply reply) {
    // Answered by the check's outcome or by the deadline, whichever comes first: a monitor
    // learns of a frozen directory within the namespaces' time-out.
    auto answered = std::make_shared<std::atomic<bool>>(false);
    auto shared = std::make_shared<Reply>(std::move(reply));
    auto give = [answered, shared](int status, const char* text) {
        if (!answered->exchange(true)) {
            HttpResponse response;
            response.status = status;
            response.setContent(text, "text/plain; charset=utf-8");
            addStandardHeaders(response);
            (*shared)(std::move(response));
        }
    };
    auto deadline = std::make_shared<boost::asio::steady_timer>(m_workers->timers, m_deadline);
    deadline->async_wait([give](boost::system::error_code ec) {
        if (!ec) {
            give(503, "the directory does not answer\n");
        }
    });
    m_health.ask([this, give, deadline](bool healthy) {
        boost::asio::post(m_workers->timers, [deadline] { deadline->cancel(); });
        give(healthy ? 200 : 503, healthy ? "ok\n" : "the directory does not answer\n");
    });
}

bool Gateway::directoryHealthy() {
    m_metrics.countHealthCheck();
    bool healthy = !m_namespaces.empty();
    for (const NamespaceChoice& choice : m_namespaces) {
        CallOutcome outcome =
            searchCall(namespaceVisaDocument(choice.id),
                       namespaceQueryDocument(choice.id, m_defaultLocale, m_defaultLocale));
        healthy = healthy && outcome.code >= 0 && outcome.response;
    }
    // The provider builds the namespace object from its configuration alone: the directory
    // itself is asked through the access library it loaded (a server answers, the service
    // identity binds, the base DN can be read), on a connection of its own each time.
    if (healthy && m_checkDirectory) {
        healthy = m_checkDirectory(kDirectoryReadable) == 0;
    }
    return healthy;
}

CallOutcome Gateway::authenticateCall(const std::string& document) {
    auto started = std::chrono::steady_clock::now();
    CallOutcome outcome = m_provider.library().authenticateXml(document);
    m_metrics.observeProviderCall(std::chrono::steady_clock::now() - started);
    return outcome;
}

CallOutcome Gateway::searchCall(const std::string& visa, const std::string& query) {
    auto started = std::chrono::steady_clock::now();
    CallOutcome outcome = m_provider.library().searchXml(visa, query);
    m_metrics.observeProviderCall(std::chrono::steady_clock::now() - started);
    return outcome;
}

HttpResponse Gateway::errorPage(int status, const std::string& acceptLanguage) const {
    const PageTexts& texts = pageTexts(productLocaleFrom(acceptLanguage, m_defaultLocale));
    const char* sentence = texts.badRequest;
    switch (status) {
        case 404:
            sentence = texts.notFound;
            break;
        case 405:
            sentence = texts.wrongMethod;
            break;
        case 413:
            sentence = texts.tooLarge;
            break;
        case 414:
            sentence = texts.addressTooLong;
            break;
        case 431:
            sentence = texts.headersTooLarge;
            break;
        case 501:
            sentence = texts.notImplemented;
            break;
        case 503:
            sentence = texts.unavailable;
            break;
        default:
            break;
    }
    HttpResponse response = noticePage(status, texts, sentence, "/browse", texts.toStart);
    addStandardHeaders(response);
    return response;
}

HttpResponse Gateway::refusal(int status, const std::string& acceptLanguage,
                              const std::string& client) {
    HttpResponse response = errorPage(status, acceptLanguage);
    m_metrics.countRequest("refused", status);
    writeAccessLog({client, "-", "-", status, response.body.size(), {}});
    return response;
}

void Gateway::enqueue(const std::shared_ptr<SessionSlot>& slot, std::function<void()> job) {
    {
        std::lock_guard lock(slot->queueMutex);
        slot->queue.push_back(std::move(job));
        if (slot->running) {
            return;
        }
        slot->running = true;
    }
    // One worker runs the session's queue to its end; another session's requests are free to
    // take the other workers meanwhile.
    boost::asio::post(m_workers->pool, [slot] {
        for (;;) {
            std::function<void()> next;
            {
                std::lock_guard lock(slot->queueMutex);
                if (slot->queue.empty()) {
                    slot->running = false;
                    return;
                }
                next = std::move(slot->queue.front());
                slot->queue.pop_front();
            }
            next();
        }
    });
}

namespace {

// A form from another site, or without the session's token, is refused with a page that leads
// back to the sign-on.
bool formAccepted(Gateway::Request& request) {
    // A browser says where a form came from; one from another site is refused even before the
    // token is looked at.
    const std::string origin = request.http.header("Origin");
    const std::string host = request.http.header("Host");
    bool sameOrigin = origin.empty() || origin == "http://" + host || origin == "https://" + host;
    if (sameOrigin && request.http.hasParam(kCsrfField) &&
        tokensEqual(request.http.param(kCsrfField), request.session().csrfToken)) {
        return true;
    }
    request.page(403, request.texts->signOnTitle,
                 noticeHtml(request.texts->formExpired) + "<p><a href=\"/logon\">" +
                     htmlEscape(request.texts->signOnAgain) + "</a></p>");
    return false;
}

}  // namespace

void Gateway::serveInSession(HttpRequest http, Reply reply, Page page, bool form, bool signedOn) {
    // The session is found on the network thread (memory only); the page runs on a worker
    // after the session's earlier requests.
    auto shared = std::make_shared<HttpRequest>(std::move(http));
    std::vector<std::pair<std::string, std::string>> cookies;
    std::string presented;
    for (auto& [name, value] : parseCookieHeader(shared->header("Cookie"))) {
        if (name == kSessionCookie) {
            presented = value;
        } else {
            cookies.emplace_back(std::move(name), std::move(value));
        }
    }
    SessionStore::Found found = m_sessions.findOrCreate(presented);
    const bool hadSession = !presented.empty();

    // Whichever comes first answers: the page, or the deadline with the outage page (the page
    // is then dropped when it ends; a request still queued then is not run at all).
    struct Waiting : RequestDeadlines::Watched {
        Gateway* gateway;
        std::shared_ptr<HttpRequest> http;
        Reply reply;
        std::atomic<bool> answered{false};

        Waiting(Gateway* gateway, std::shared_ptr<HttpRequest> http, Reply reply)
            : gateway(gateway), http(std::move(http)), reply(std::move(reply)) {}
        void expire() override {
            if (!answered.exchange(true)) {
                gateway->m_metrics.countDirectoryFailure();
                HttpResponse response = unavailablePage(
                    *http, pageTexts(productLocaleFrom(http->header("Accept-Language"),
                                                       gateway->m_defaultLocale)));
                addStandardHeaders(response);
                reply(std::move(response));
            }
        }
    };
    auto waiting = std::make_shared<Waiting>(this, shared, std::move(reply));
    m_workers->deadlines.watch(waiting);
    enqueue(found.slot, [this, waiting, found, hadSession, page, form, signedOn,
                         cookies = std::move(cookies)]() mutable {
        if (waiting->answered.load()) {
            return;
        }
        const HttpRequest& http = *waiting->http;
        HttpResponse response;
        std::string locale = productLocaleFrom(http.header("Accept-Language"), m_defaultLocale);
        if (found.created) {
            response.addHeader("Set-Cookie", sessionCookieHeader(kSessionCookie, found.id,
                                                                 m_options.secureCookies));
        }
        std::chrono::milliseconds delay{0};
        try {
            Request request{http,
                            response,
                            locale,
                            &pageTexts(locale),
                            std::move(cookies),
                            found.id,
                            found.slot,
                            std::unique_lock(found.slot->mutex),
                            std::chrono::milliseconds(0),
                            std::string(),
                            &m_metrics};
            if (!remoteUserAccepted(request)) {
                // answered
            } else if (signedOn && !request.session().signedOn()) {
                // Back to this page after sign-on; a browser whose session is gone hears why.
                std::string asked = http.path + (http.query.empty() ? "" : "?" + http.query);
                redirect(response, "/logon?next=" + urlEncode(asked) +
                                       (found.created && hadSession ? "&expired=1" : ""));
            } else if (!form || formAccepted(request)) {
                (this->*page)(request);
            }
            delay = request.replyDelay;
        } catch (const std::exception& error) {
            std::cerr << "basalt-host serve: request failed: " << error.what() << '\n';
            const PageTexts& texts = pageTexts(locale);
            response = noticePage(500, texts, texts.failed, "/browse", texts.toStart);
        }
        addStandardHeaders(response);
        if (waiting->answered.exchange(true)) {
            return;
        }
        m_workers->deadlines.answered(*waiting);
        if (delay.count() == 0) {
            waiting->reply(std::move(response));
            return;
        }
        // Held back on the timer thread, not on a worker.
        auto later = std::make_shared<boost::asio::steady_timer>(m_workers->timers, delay);
        later->async_wait(
            [later, waiting, response = std::move(response)](boost::system::error_code) mutable {
                waiting->reply(std::move(response));
            });
    });
}

bool Gateway::remoteUserAccepted(Request& request) {
    if (m_options.trustedUserHeader.empty()) {
        return true;
    }
    if (request.http.headerCount(m_options.trustedUserHeader) > 1) {
        request.page(400, request.texts->signOnTitle, noticeHtml(request.texts->userHeaderTwice));
        return false;
    }
    WebSession& session = request.session();
    if (!session.signedOn() ||
        request.http.header(m_options.trustedUserHeader) == session.remoteUser) {
        return true;
    }
    // The proxy now names someone else, or no one: that session is over.
    endSession(session.namespaceId, session.visa, &request, "logoff");
    session = WebSession{};
    m_sessions.remove(request.sessionId);
    request.response.addHeader("Set-Cookie",
                               sessionCookieHeader(kSessionCookie, "", m_options.secureCookies));
    redirect(request.response, "/logon");
    return false;
}

const NamespaceChoice* Gateway::findNamespace(const std::string& id) const {
    for (const NamespaceChoice& choice : m_namespaces) {
        if (choice.id == id) {
            return &choice;
        }
    }
    return nullptr;
}

void Gateway::signOnPage(Request& request) {
    const HttpRequest& http = request.http;
    HttpResponse& response = request.response;
    if (request.session().signedOn()) {
        redirect(response, "/browse");
        return;
    }
    std::string namespaceId = http.param("namespace");
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
    if (std::string next = http.param("next"); isLocalTarget(next)) {
        request.session().nextPage = next;
    }
    if (http.param("expired") == "1") {
        request.notice = request.texts->sessionExpired;
    }
    authenticate(request, "logon", {{"VORNamespace", namespaceId}});
}

void Gateway::signOnPost(Request& request) {
    const HttpRequest& http = request.http;
    HttpResponse& response = request.response;
    if (request.session().signedOn()) {
        redirect(response, "/browse");
        return;
    }
    // The form's fields in order, each name once; a field the prompt asked to be typed
    // twice must be typed the same both times.
    std::vector<std::pair<std::string, std::string>> fields;
    for (const auto& param : http.params) {
        // Named, not a structured binding: clang 14 (the fuzz build) cannot capture one.
        const std::string& name = param.first;
        const std::string& value = param.second;
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
    std::string action = logonAction(http.param("h_VOR_action"));
    std::string namespaceId = http.param("VORNamespace");
    if (!namespaceId.empty()) {
        request.session().namespaceId = namespaceId;
    }
    // Guessing is slowed per account and per address; a sign-on without a name (the trusted
    // environment, a ticket) guesses nothing.
    std::string account = http.param("VORUsername");
    if (account.empty()) {
        authenticate(request, action, std::move(fields));
        return;
    }
    std::chrono::seconds wait = m_throttle.begin(account, http.clientAddress);
    if (wait.count() > 0) {
        response = noticePage(429, *request.texts, request.texts->tooManyAttempts, "/logon",
                              request.texts->signOnAgain);
        response.setHeader("Retry-After", std::to_string(wait.count()));
        m_metrics.countSignOn("throttled");
        return;
    }
    if (authenticate(request, action, std::move(fields))) {
        m_throttle.succeeded(account, http.clientAddress);
        m_metrics.countSignOn("signed_on");
    } else {
        request.replyDelay = m_throttle.failureDelay(account, http.clientAddress);
        m_metrics.countSignOn(response.status == 503 ? "unavailable" : "refused");
    }
}

bool Gateway::authenticate(Request& request, const std::string& action,
                           std::vector<std::pair<std::string, std::string>> formFields) {
    // The proxy's header names the remote user; sent twice, it names no one for certain.
    // Sent twice, the header was refused before the page ran (remoteUserAccepted).
    std::string remoteUser = m_options.trustedUserHeader.empty()
                                 ? std::string()
                                 : request.http.header(m_options.trustedUserHeader);
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
        CallOutcome outcome = authenticateCall(authenticateDocument(document));
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
        return false;
    }
    AuthenticateAnswer& answer = *read;
    for (const SetCookieVar& cookie : answer.setCookies) {
        if (std::optional<std::string> header = setCookieHeader(cookie)) {
            request.response.addHeader("Set-Cookie", *header);
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
        session.remoteUser = remoteUser;
        // A new identifier for the signed-on session: one known before sign-on is now useless.
        // The account as the provider names it (not as typed): its oldest session ends past
        // the limit, and is signed off with the provider at once.
        std::string renewed = m_sessions.renew(
            request.sessionId, *request.slot,
            answer.userId.empty() ? std::string() : session.namespaceId + '\0' + answer.userId);
        endAbandonedSessions();
        request.sessionId = renewed;
        // Only the renewed identifier goes out, not one made for this very request.
        std::erase_if(request.response.headers, [](const auto& header) {
            return headerNamesEqual(header.first, "Set-Cookie") &&
                   header.second.starts_with(std::string(kSessionCookie) + "=");
        });
        request.response.addHeader(
            "Set-Cookie", sessionCookieHeader(kSessionCookie, renewed, m_options.secureCookies));
        redirect(request.response,
                 session.nextPage.empty() ? "/browse" : std::exchange(session.nextPage, ""));
        return true;
    }
    ProviderException failure = answer.exception.value_or(ProviderException{});
    if (directoryUnavailable(failure)) {
        request.unavailable();
        return false;
    }
    std::string body = "<h1>" + htmlEscape(request.texts->signOnTitle) + "</h1>";
    if (!request.notice.empty()) {
        body += "<p class=\"notice\">" + htmlEscape(request.notice) + "</p>";
    }
    if (failure.isPrompt()) {
        body += promptHtml(failure, {"/logon", request.session().csrfToken, request.texts});
        request.session().lastPrompt = std::move(failure);
        request.page(200, request.texts->signOnTitle, body);
        return false;
    }
    body += messagesHtml(failure.messages);
    body += "<p><a href=\"/logon\">" + htmlEscape(request.texts->signOnAgain) + "</a></p>";
    request.page(403, request.texts->signOnTitle, body);
    return false;
}

void Gateway::signOffPost(Request& request) {
    HttpResponse& response = request.response;
    if (request.session().signedOn()) {
        endSession(request.session().namespaceId, request.session().visa, &request, "logoff");
    }
    // Requests of this session still queued find it signed off.
    request.session() = WebSession{};
    m_sessions.remove(request.sessionId);
    response.addHeader("Set-Cookie",
                       sessionCookieHeader(kSessionCookie, "", m_options.secureCookies));
    request.page(200, request.texts->signOff,
                 "<h1>" + htmlEscape(request.texts->signOff) + "</h1><p>" +
                     htmlEscape(request.texts->signedOff) + "</p><p><a href=\"/logon\">" +
                     htmlEscape(request.texts->signOnAgain) + "</a></p>");
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
    CallOutcome outcome = authenticateCall(authenticateDocument(document));
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
                    request->response.addHeader("Set-Cookie", *header);
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

// Signed off rather than merely dropped: the ticket expires with the session, so the browser's
// AS_TICKET cookie cannot sign it on again without the password.
void Gateway::endAbandonedSessions() {
    for (const auto& [namespaceId, visa] : m_sessions.takeAbandonedVisas()) {
        endSession(namespaceId, visa, nullptr, "logoff");
    }
}

void Gateway::endIdleSessions() {
    m_sessions.removeIdle();
    boost::asio::post(m_workers->pool, [this] { endAbandonedSessions(); });
}

void Gateway::endAllSessions() {
    m_workers->stop();
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
    CallOutcome outcome = searchCall(visa, queryDocument(query));
    if (outcome.code < 0 || !outcome.response) {
        return "";
    }
    try {
        std::vector<ObjectRow> rows = readSearchResponse(*outcome.response).rows;
        return rows.empty() ? "" : rows.front().value("defaultName");
    } catch (const HostError&) {
        return "";
    }
}

// Runs one query for the signed-on user; the parsed answer, or nothing when the provider
// refused (the page then shows its messages).
std::optional<SearchAnswer> Gateway::search(Request& request, QuerySpec query) {
    query.productLocale = request.locale;
    query.contentLocale = request.locale;
    CallOutcome outcome = searchCall(request.session().visa, queryDocument(query));
    HostSession::noteProblems(outcome);
    if (outcome.code >= 0 && outcome.response) {
        return readSearchResponse(*outcome.response);
    }
    ProviderException failure =
        outcome.exception ? readExceptionText(*outcome.exception) : ProviderException{};
    if (directoryUnavailable(failure)) {
        request.unavailable();
        return std::nullopt;
    }
    if (failure.messages.empty()) {
        failure.messages.push_back({0, request.texts->failed});
    }
    request.page(400, request.texts->directory,
                 headerHtml(request) + messagesHtml(failure.messages) + "<p><a href=\"/browse\">" +
                     htmlEscape(request.texts->toStart) + "</a></p>");
    return std::nullopt;
}

void Gateway::browsePage(Request& request) {
    const HttpRequest& http = request.http;
    HttpResponse& response = request.response;
    ListingView view;
    view.pageSize = m_options.pageSize;
    view.folderPath = http.param("folder");
    if (view.folderPath.empty()) {
        view.folderPath = voridPath(request.session().namespaceId);
    }
    view.filter = http.param("filter");
    std::string skip = http.param("skip");
    std::optional<int> skipped = skip.empty() ? 0 : parseCount(skip, kMaxSkip);
    if (!skipped) {
        response = noticePage(400, *request.texts, request.texts->badNumber, "/browse",
                              request.texts->toStart);
        return;
    }
    view.skip = *skipped;

    // The container itself: its name and where it sits.
    QuerySpec self;
    self.searchPath = view.folderPath;
    self.properties = {"defaultName", "ancestors", "searchPath", "objectClass"};
    std::optional<SearchAnswer> folder = search(request, self);
    if (!folder) {
        return;
    }
    view.folderName =
        folder->rows.empty() ? view.folderPath : folder->rows.front().value("defaultName");
    view.ancestors = std::move(folder->ancestors);

    // One page of its children, and one more to tell whether a next page exists.
    QuerySpec children;
    children.searchPath = childrenPath(view.folderPath, view.filter);
    children.properties = {"defaultName", "objectClass", "searchPath"};
    children.skip = view.skip;
    children.max = view.pageSize + 1;
    std::optional<SearchAnswer> listing = search(request, children);
    if (!listing) {
        return;
    }
    view.rows = std::move(listing->rows);
    if (static_cast<int>(view.rows.size()) > view.pageSize) {
        view.rows.resize(static_cast<std::size_t>(view.pageSize));
        view.more = true;
    }
    request.page(200, view.folderName + " – " + request.texts->directory,
                 headerHtml(request) + listingHtml(view, *request.texts));
}

void Gateway::objectPage(Request& request) {
    const HttpRequest& http = request.http;
    QuerySpec query;
    query.searchPath = http.param("path");
    query.properties = {"*"};
    std::optional<SearchAnswer> answer = search(request, query);
    if (!answer) {
        return;
    }
    const std::vector<ObjectRow>& rows = answer->rows;
    if (rows.empty()) {
        request.page(404, request.texts->directory,
                     headerHtml(request) + noticeHtml(request.texts->noObjects));
        return;
    }
    request.page(
        200, objectName(rows.front()) + " – " + request.texts->directory,
        headerHtml(request) + propertiesHtml(rows.front(), http.param("from"), *request.texts));
}

}  // namespace basalt_host::serve
