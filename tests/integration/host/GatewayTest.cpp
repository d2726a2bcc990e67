// basalt-host serve with the real provider against the fixture's directory, over raw HTTP: the
// pages a browser never shows, static files, numbers in the query, session renewal, and a
// directory that stops answering.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <regex>
#include <thread>

#include "HostProcess.h"
#include "RawHttpClient.h"
#include "RidgeTestDirectory.h"
#include "StallingProxy.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using namespace std::chrono_literals;

std::string headerOf(const std::string& response, const std::string& name) {
    std::smatch match;
    if (std::regex_search(response, match,
                          std::regex("\r\n" + name + ": ([^\r]*)\r\n", std::regex::icase))) {
        return match[1];
    }
    return "";
}

// The request header that sends back the AS_TICKET cookie an answer set; empty when it set none.
std::string ticketCookie(const std::string& answer) {
    std::smatch match;
    if (std::regex_search(answer, match, std::regex("Set-Cookie: (AS_TICKET=[^;\r]+)"))) {
        return "Cookie: " + match[1].str() + "\r\n";
    }
    return "";
}

class GatewayAgainstDirectory : public ::testing::Test {
protected:
    void SetUp() override {
        env = ridge_test::RidgeTestDirectory::fromEnvironment();
        ASSERT_FALSE(env.host().empty()) << "RIDGE_TEST_ENV does not name the fixture's env file";
        home = dir.path("home");
        env.copyTestHomeTo(home);
    }

    void start(const std::string& connection, const std::string& timeout = "5",
               std::vector<std::string> options = {}) {
        std::string config =
            dir.write("ridgetest.xml",
                      ridgeConfig("ridgetest", connection, env.baseDn(), "ridgetest", timeout));
        options.insert(options.begin(), {"-c", config});
        gateway = std::make_unique<GatewayProcess>(
            std::vector<std::string>{"-l", BASALT_PROVIDER_LIBRARY}, options,
            std::vector<std::pair<std::string, std::string>>{{"BASALT_HOME", home}});
        ASSERT_GT(gateway->port(), 0);
    }

    std::string get(const std::string& target, const std::string& headers = "",
                    const std::string& host = "127.0.0.1") {
        RawHttpClient client(gateway->port());
        client.send("GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\n" + headers + "\r\n");
        return client.response(20s);
    }

    std::string post(const std::string& target, const std::string& session, const std::string& form,
                     const std::string& headers = "") {
        RawHttpClient client(gateway->port());
        client.send(
            "POST " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nCookie: basalt_session=" + session +
            "\r\nContent-Type: application/x-www-form-urlencoded\r\n" +
            "Content-Length: " + std::to_string(form.size()) + "\r\n" + headers + "\r\n" + form);
        return client.response(30s);
    }

    // Signs alice on; the signed-on session's cookie, the one before sign-on in before, the
    // answer in answered.
    std::string signOn(std::string* before = nullptr, std::string* answered = nullptr) {
        std::string page = get("/logon");
        std::string session = sessionCookie(page);
        if (before) {
            *before = session;
        }
        std::string answer = post("/logon", session,
                                  "basalt_csrf=" + formToken(page) +
                                      "&VORNamespace=ridgetest&VORUsername=alice&VORPassword="
                                      "Secret%232024");
        EXPECT_EQ(statusOf(answer), 303) << answer;
        if (answered) {
            *answered = answer;
        }
        return sessionCookie(answer);
    }

    ridge_test::RidgeTestDirectory env;
    ScratchDir dir;
    std::string home;
    std::unique_ptr<GatewayProcess> gateway;
};

// Pages a browser test never meets: errors in the request's language with a way on, and a
// style sheet kept by the browser that makes no session.
TEST_F(GatewayAgainstDirectory, ErrorPagesAndTheStyleSheet) {
    start(env.hostPort());
    std::string missing = get("/no-such-page", "Accept-Language: fr\r\n");
    EXPECT_EQ(statusOf(missing), 404);
    EXPECT_THAT(bodyOf(missing), HasSubstr("existe pas"));
    EXPECT_THAT(bodyOf(missing), HasSubstr("href=\"/browse\""));
    std::string wrongMethod = get("/logoff");
    EXPECT_EQ(statusOf(wrongMethod), 405);
    EXPECT_EQ(headerOf(wrongMethod, "Allow"), "POST");

    std::string first = get("/style.css");
    EXPECT_EQ(statusOf(first), 200);
    EXPECT_EQ(sessionCookie(first), "");
    std::string again = get("/style.css", "If-None-Match: " + headerOf(first, "ETag") + "\r\n");
    EXPECT_EQ(statusOf(again), 304);
    EXPECT_EQ(gateway->stop(), 0);
}

TEST_F(GatewayAgainstDirectory, TheSessionIdentifierIsRenewedAtSignOn) {
    start(env.hostPort());
    std::string before;
    std::string after = signOn(&before);
    ASSERT_FALSE(before.empty());
    ASSERT_FALSE(after.empty());
    EXPECT_NE(before, after);
    EXPECT_EQ(statusOf(get("/browse", "Cookie: basalt_session=" + after + "\r\n")), 200);
    // A second client holding the identifier planted before sign-on is not signed on.
    std::string planted = get("/browse", "Cookie: basalt_session=" + before + "\r\n");
    EXPECT_EQ(statusOf(planted), 303);
    EXPECT_THAT(headerOf(planted, "Location"), ::testing::StartsWith("/logon?"));
}

TEST_F(GatewayAgainstDirectory, OnlyTheGatewaysOwnNamesAreServed) {
    start(env.hostPort(), "5", {"--public-name", "directory.example.org"});
    for (const char* name : {"127.0.0.1:80", "localhost", "Directory.Example.org:8443"}) {
        EXPECT_EQ(statusOf(get("/style.css", "", name)), 200) << name;
    }
    // A page elsewhere whose name was pointed at this machine.
    std::string rebound = get("/logon", "", "attacker.example.net");
    EXPECT_EQ(statusOf(rebound), 400);
    EXPECT_EQ(sessionCookie(rebound), "");
    EXPECT_EQ(statusOf(get("/style.css", "Host: localhost\r\n")), 400) << "two Host headers";
    EXPECT_EQ(statusOf(get("/style.css", "", "localhost:80@attacker.example.net")), 400)
        << "more than a port after the name";
}

TEST_F(GatewayAgainstDirectory, TheTrustedHeaderIsCheckedOnEveryRequest) {
    start(env.hostPort(), "5", {"--trusted-user-header", "X-Remote-User"});
    auto signOnAsBob = [&] {
        std::string answer = get("/logon", "X-Remote-User: bob\r\n");
        EXPECT_EQ(statusOf(answer), 303) << answer;
        return "Cookie: basalt_session=" + sessionCookie(answer) + "\r\n";
    };
    std::string bob = signOnAsBob();
    EXPECT_EQ(statusOf(get("/browse", bob + "X-Remote-User: bob\r\n")), 200);

    // Twice, the header names no one for certain (a proxy that appends lets the client win).
    EXPECT_EQ(statusOf(get("/browse", bob + "X-Remote-User: bob\r\nX-Remote-User: alice\r\n")),
              400);
    EXPECT_EQ(statusOf(get("/logon", "X-Remote-User: alice\r\nX-Remote-User: bob\r\n")), 400);

    // Another user, or none, ends the session for good.
    std::string other = get("/browse", bob + "X-Remote-User: alice\r\n");
    EXPECT_EQ(statusOf(other), 303);
    EXPECT_EQ(headerOf(other, "Location"), "/logon");
    EXPECT_EQ(statusOf(get("/browse", bob + "X-Remote-User: bob\r\n")), 303);

    std::string again = signOnAsBob();
    EXPECT_EQ(statusOf(get("/browse", again)), 303);
    EXPECT_EQ(statusOf(get("/browse", again + "X-Remote-User: bob\r\n")), 303);
}

TEST_F(GatewayAgainstDirectory, StoppingTheGatewayExpiresEveryTicket) {
    start(env.hostPort());
    std::string answer;
    signOn(nullptr, &answer);
    const std::string ticket = ticketCookie(answer);
    ASSERT_FALSE(ticket.empty()) << answer;
    // The ticket alone signs a new browser session on while the gateway runs...
    EXPECT_EQ(statusOf(get("/logon", ticket)), 303);

    EXPECT_EQ(gateway->stop(), 0);
    start(env.hostPort());
    // ...and no longer once SIGTERM has ended the sessions: the password is asked for.
    std::string after = get("/logon", ticket);
    EXPECT_EQ(statusOf(after), 200) << after;
    EXPECT_THAT(bodyOf(after), HasSubstr("VORPassword"));
}

// One account signing on again and again cannot fill the gateway: past its limit of sessions
// its oldest ends, signed off with the provider, so that session's ticket signs no one on.
TEST_F(GatewayAgainstDirectory, AnAccountSigningOnAgainEndsItsOldestSessionPastTheLimit) {
    start(env.hostPort(), "5", {"--sessions-per-account", "1"});
    std::string answer;
    const std::string first = signOn(nullptr, &answer);
    const std::string firstTicket = ticketCookie(answer);
    ASSERT_FALSE(firstTicket.empty()) << answer;
    const std::string second = signOn();
    EXPECT_EQ(statusOf(get("/browse", "Cookie: basalt_session=" + second + "\r\n")), 200);
    EXPECT_EQ(statusOf(get("/browse", "Cookie: basalt_session=" + first + "\r\n")), 303);
    std::string again = get("/logon", firstTicket);
    EXPECT_EQ(statusOf(again), 200) << again;
    EXPECT_THAT(bodyOf(again), HasSubstr("VORPassword"));
    EXPECT_THAT(bodyOf(get("/metrics")),
                HasSubstr("basalt_gateway_sessions{state=\"signed_on\"} 1\n"));
}

TEST_F(GatewayAgainstDirectory, PasswordGuessingIsSlowedThenRefusedButNotOtherUsers) {
    start(env.hostPort(), "5", {"--sign-on-attempts", "5"});
    auto attempt = [&](const std::string& user, const std::string& password,
                       std::chrono::milliseconds* took) {
        std::string page = get("/logon");
        auto started = std::chrono::steady_clock::now();
        std::string answer =
            post("/logon", sessionCookie(page),
                 "basalt_csrf=" + formToken(page) + "&VORNamespace=ridgetest&VORUsername=" + user +
                     "&VORPassword=" + password);
        *took = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - started);
        return answer;
    };
    std::chrono::milliseconds took{0};
    std::vector<std::chrono::milliseconds> times;
    for (int i = 0; i < 5; ++i) {
        std::string answer = attempt("alice", "guess" + std::to_string(i), &took);
        EXPECT_NE(statusOf(answer), 303);
        times.push_back(took);
    }
    EXPECT_LT(times[0], 500ms);
    EXPECT_GE(times[3], 500ms);
    EXPECT_GE(times[4], 1000ms);

    std::string refused = attempt("alice", "Secret%232024", &took);
    EXPECT_EQ(statusOf(refused), 429);
    EXPECT_GT(std::atoi(headerOf(refused, "Retry-After").c_str()), 0);
    EXPECT_THAT(bodyOf(refused), HasSubstr("href=\"/logon\""));

    // A colleague behind the same address signs on at once.
    EXPECT_EQ(statusOf(attempt("bob", "Secret%232024", &took)), 303);
    EXPECT_LT(took, 500ms);
}

// Paging numbers are whole numbers or refused; what happened is counted and logged.
TEST_F(GatewayAgainstDirectory, PagingMetricsHealthAndTheAccessLog) {
    start(env.hostPort());
    EXPECT_EQ(statusOf(get("/healthz")), 200);
    std::string cookie = "Cookie: basalt_session=" + signOn() + "\r\n";
    std::string first = get("/browse", cookie);
    ASSERT_EQ(statusOf(first), 200);
    std::string second = get("/browse?skip=1", cookie);
    EXPECT_EQ(statusOf(second), 200);
    EXPECT_NE(bodyOf(first), bodyOf(second));
    // 2^32 + 1 once wrapped to 1 and showed the second page.
    for (const char* skip : {"4294967297", "-1", "1x", "%201"}) {
        std::string refused = get(std::string("/browse?skip=") + skip, cookie);
        EXPECT_EQ(statusOf(refused), 400) << skip;
        EXPECT_THAT(bodyOf(refused), HasSubstr("href=\"/browse\"")) << skip;
    }
    get("/no-such-page");

    std::string text = bodyOf(get("/metrics"));
    EXPECT_THAT(text,
                HasSubstr("basalt_gateway_requests_total{route=\"/browse\",status=\"200\"} 2\n"));
    EXPECT_THAT(text, HasSubstr("basalt_gateway_sign_ons_total{outcome=\"signed_on\"} 1\n"));
    EXPECT_THAT(text, HasSubstr("basalt_gateway_sessions{state=\"signed_on\"} 1\n"));
    EXPECT_THAT(text, HasSubstr("basalt_gateway_directory_failures_total 0\n"));

    // Anyone may ask for /healthz, and a check connects to the directory: requests close
    // together share one check (at most one a second), whatever their number.
    const auto asked = std::chrono::steady_clock::now();
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(statusOf(get("/healthz")), 200);
    }
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - asked)
            .count();
    const std::string counted = "\nbasalt_gateway_health_checks_total ";
    text = bodyOf(get("/metrics"));
    ASSERT_NE(text.find(counted), std::string::npos) << text;
    EXPECT_LE(std::stol(text.substr(text.find(counted) + counted.size())), 2 + seconds);

    gateway->stop();
    std::string log = gateway->output();
    EXPECT_THAT(
        log,
        HasSubstr(
            "\"client\":\"127.0.0.1\",\"method\":\"GET\",\"path\":\"/browse\",\"status\":200"));
    EXPECT_THAT(log, HasSubstr("\"path\":\"/no-such-page\",\"status\":404"));
    EXPECT_THAT(log, Not(HasSubstr("skip=")));
    EXPECT_THAT(log, Not(HasSubstr("Secret")));
}

TEST_F(GatewayAgainstDirectory, AFrozenDirectoryGivesARetryPageWithinItsTimeout) {
    ridge_test::StallingProxy proxy(std::atoi(env.port().c_str()));
    start("127.0.0.1:" + std::to_string(proxy.Port()), "2");
    // From now on the directory accepts connections and never answers.
    proxy.Swallow();
    std::string page = get("/logon");
    std::string session = sessionCookie(page);
    ASSERT_FALSE(session.empty()) << page;

    // The sign-on waits on the directory; meanwhile other clients are served at once.
    std::string answer;
    auto started = std::chrono::steady_clock::now();
    std::thread stuck([&] {
        answer = post("/logon", session,
                      "basalt_csrf=" + formToken(page) +
                          "&VORNamespace=ridgetest&VORUsername=alice&VORPassword=Secret%232024",
                      "Accept-Language: fr\r\n");
    });
    std::this_thread::sleep_for(300ms);
    auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(statusOf(get("/style.css")), 200);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 500ms);
    stuck.join();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 15s);
    // A monitor hears of it too, within the time-out.
    EXPECT_EQ(statusOf(get("/healthz")), 503);

    EXPECT_EQ(statusOf(answer), 503) << answer;
    EXPECT_FALSE(headerOf(answer, "Retry-After").empty());
    EXPECT_THAT(bodyOf(answer), HasSubstr("n&apos;est pas disponible"));
    EXPECT_THAT(bodyOf(answer), HasSubstr("href=\"/logon\""));
    EXPECT_THAT(bodyOf(answer), Not(HasSubstr("-63")));

    EXPECT_THAT(bodyOf(get("/metrics")),
                Not(HasSubstr("basalt_gateway_directory_failures_total 0\n")));
}

}  // namespace
