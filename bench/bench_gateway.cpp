// The web gateway under load (a benchmark, not a timed test): 8 clients over kept-alive
// connections page through a folder of 100 users and sign on, against the same searches and
// sign-ons made through the provider's tables by 8 threads in the same process, in the same
// run, on a directory of its own. Both sides are measured in rounds, one after the other in
// each. Prints requests per second, p50 and p99 of each over all rounds, the CPU time each took
// per request (this process, the server's, the directory's: on a busy machine a steadier
// figure than the times), and what the gateway adds at p50 in the median round. Its sign-ons
// are also measured against a bare relay: the gateway's HTTP layer and a pool of provider
// threads like its own, in a process of its own, making a sign-on's provider calls and nothing
// else; what the gateway adds beyond the relay is the cost of its own work (sessions, pages,
// cookies, throttle, log), the rest that of any HTTP front with provider calls apart from its
// network thread on this machine.
// BENCH_GATEWAY_ROUNDS sets the rounds (5), BENCH_GATEWAY_WORKERS the gateway's --workers and
// the relay's provider threads;
// BENCH_GATEWAY_PAGES and BENCH_GATEWAY_SIGNONS lower the counts for a run under a profiler.
#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <boost/asio/post.hpp>
#include <boost/asio/thread_pool.hpp>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "AuthenticateDocuments.h"
#include "BenchDirectory.h"
#include "DirectoryPages.h"
#include "Gateway.h"
#include "HostDocuments.h"
#include "HostProcess.h"
#include "HostSession.h"
#include "HttpServer.h"
#include "ObjectTable.h"
#include "ProviderAnswers.h"
#include "QueryDocuments.h"
#include "RawHttpClient.h"
#include "XmlTree.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace basalt_host;

constexpr const char* kPassword = "Bench#2024";
constexpr int kUsers = 100;
// Counts a profiling run may lower (BENCH_GATEWAY_PAGES, BENCH_GATEWAY_SIGNONS); the figures
// to compare are made with these.
int countFromEnvironment(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text && std::atoi(text) > 0 ? std::atoi(text) : fallback;
}
constexpr int kClients = 8;
const int kPages = countFromEnvironment("BENCH_GATEWAY_PAGES", 300);      // per client
const int kSignOns = countFromEnvironment("BENCH_GATEWAY_SIGNONS", 150);  // per client
const int kRounds = countFromEnvironment("BENCH_GATEWAY_ROUNDS", 5);
const int kWorkers = countFromEnvironment("BENCH_GATEWAY_WORKERS", serve::ServeOptions{}.workers);
constexpr int kPageSize = 25;  // the gateway's default

// The CPU time a process has used, in milliseconds: this one's from the kernel's account
// (threads that have ended included), another's as the sum over its threads.
double cpuMilliseconds(pid_t pid) {
    if (pid == getpid()) {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    }
    if (pid <= 0) {
        return 0;
    }
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    double total = 0;
    if (DIR* dir = opendir(tasks.c_str())) {
        while (dirent* entry = readdir(dir)) {
            unsigned long long ns = 0;
            if (entry->d_name[0] != '.' &&
                (std::ifstream(tasks + "/" + entry->d_name + "/schedstat") >> ns)) {
                total += static_cast<double>(ns) / 1e6;
            }
        }
        closedir(dir);
    }
    return total;
}

// Whose CPU time each figure counts besides this process's and the server's.
pid_t directoryPid = 0;

struct Figures {
    std::vector<double> ms;
    double seconds = 0;
    double cpuHere = 0, cpuServer = 0, cpuDirectory = 0;  // milliseconds in all
    void print(const char* what) {
        std::sort(ms.begin(), ms.end());
        auto at = [&](double q) { return ms[static_cast<std::size_t>(q * (ms.size() - 1))]; };
        const double n = static_cast<double>(ms.size());
        std::printf(
            "%-34s %7zu  %6.0f/s  p50 %6.3f ms  p99 %6.3f ms  cpu/op %.3f ms (here %.3f, server "
            "%.3f, directory %.3f)\n",
            what, ms.size(), n / seconds, at(0.5), at(0.99),
            (cpuHere + cpuServer + cpuDirectory) / n, cpuHere / n, cpuServer / n, cpuDirectory / n);
    }
    void add(const Figures& other) {
        ms.insert(ms.end(), other.ms.begin(), other.ms.end());
        seconds += other.seconds;
        cpuHere += other.cpuHere;
        cpuServer += other.cpuServer;
        cpuDirectory += other.cpuDirectory;
    }
    double p50() {
        std::sort(ms.begin(), ms.end());
        return ms[ms.size() / 2];
    }
};

// Runs work(client, i) count times on each of clients threads; each call's time. server: the
// process that answers them, if not this one.
Figures load(int clients, int count, const std::function<void(int, int)>& work, pid_t server = 0) {
    Figures figures;
    std::mutex mutex;
    const double here = cpuMilliseconds(getpid()), serverBefore = cpuMilliseconds(server),
                 directory = cpuMilliseconds(directoryPid);
    auto started = Clock::now();
    std::vector<std::thread> threads;
    for (int client = 0; client < clients; ++client) {
        threads.emplace_back([&, client] {
            std::vector<double> mine;
            for (int i = 0; i < count; ++i) {
                auto before = Clock::now();
                work(client, i);
                mine.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - before).count());
            }
            std::lock_guard lock(mutex);
            figures.ms.insert(figures.ms.end(), mine.begin(), mine.end());
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    figures.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    figures.cpuHere = cpuMilliseconds(getpid()) - here;
    figures.cpuServer = cpuMilliseconds(server) - serverBefore;
    figures.cpuDirectory = cpuMilliseconds(directoryPid) - directory;
    return figures;
}

std::string formEncode(const std::string& text) {
    std::string out;
    char hex[4];
    for (unsigned char c : text) {
        if (std::isalnum(c)) {
            out += static_cast<char>(c);
        } else {
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

// One kept-alive connection to the gateway.
struct Browser {
    explicit Browser(int port) : client(port) {}
    RawHttpClient client;
    std::string session;

    std::string ask(const std::string& request) {
        if (!client.send(request)) {
            throw std::runtime_error("the gateway closed the connection");
        }
        std::string answer = client.response(std::chrono::seconds(30));
        if (answer.empty()) {
            throw std::runtime_error("no answer from the gateway");
        }
        return answer;
    }
    std::string get(const std::string& target) {
        return ask("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
                   (session.empty() ? "" : "Cookie: basalt_session=" + session + "\r\n") + "\r\n");
    }
    void signOn(const std::string& user) {
        session.clear();
        std::string page = get("/logon");
        session = sessionCookie(page);
        std::string form = "basalt_csrf=" + formToken(page) +
                           "&VORNamespace=bench&VORUsername=" + user +
                           "&VORPassword=" + formEncode(kPassword);
        std::string answer =
            ask("POST /logon HTTP/1.1\r\nHost: 127.0.0.1\r\nCookie: basalt_session=" + session +
                "\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                std::to_string(form.size()) + "\r\n\r\n" + form);
        if (answer.compare(9, 3, "303") != 0) {
            throw std::runtime_error("the gateway did not sign " + user + " on");
        }
        session = sessionCookie(answer);
    }
};

// As the gateway signs on, with the documents it sends: the prompt asked for (the sign-on form's
// page), then the credentials given and the signed-on user's name read (shown on every page);
// the visa. The gateway tells the provider on each that no trusted environment is there to be
// tried (VORCheckGateway).
void askPrompt(HostSession& provider) {
    AuthenticateRequest request;
    request.action = "logon";
    request.formFields = {{"VORNamespace", "bench"}, {"VORCheckGateway", "true"}};
    provider.library().authenticateXml(authenticateDocument(request));
}
std::string signOnWith(HostSession& provider, const std::string& user) {
    AuthenticateRequest request;
    request.action = "logon";
    request.formFields = {{"VORNamespace", "bench"},
                          {"VORUsername", user},
                          {"VORPassword", kPassword},
                          {"VORCheckGateway", "true"}};
    CallOutcome outcome = provider.library().authenticateXml(authenticateDocument(request));
    serve::AuthenticateAnswer answer =
        serve::readAuthenticateResponse(outcome.code, outcome.response.value_or(""));
    if (answer.visa.empty()) {
        throw std::runtime_error("the provider did not sign " + user + " on");
    }
    QuerySpec name;
    name.searchPath = voridPath(answer.userId);
    name.properties = {"defaultName"};
    if (provider.library().searchXml(answer.visa, queryDocument(name)).code < 0) {
        throw std::runtime_error("the name of " + user + " could not be read");
    }
    return answer.visa;
}

// The bare relay's answers: what a Browser needs to go on, after the provider calls.
serve::HttpResponse relayAnswer(HostSession& provider, const serve::HttpRequest& request) {
    serve::HttpResponse response;
    try {
        response.addHeader("Set-Cookie", "basalt_session=relay; Path=/");
        if (request.method == "GET") {
            askPrompt(provider);
            response.setContent("<input name=\"basalt_csrf\" value=\"relay\">",
                                "text/html; charset=utf-8");
        } else {
            signOnWith(provider, request.param("VORUsername"));
            response.status = 303;
            response.setHeader("Location", "/browse");
        }
    } catch (const std::exception&) {
        response.status = 500;
    }
    return response;
}

// The bare relay, in a process of its own forked before this one starts a thread: the gateway's
// HTTP server, and as many threads for provider calls apart from the network thread as the
// gateway has.
class Relay {
public:
    explicit Relay(const HostOptions& host) {
        int ends[2];
        if (pipe(ends) != 0) {
            throw std::runtime_error("no pipe for the relay");
        }
        m_pid = fork();
        if (m_pid == 0) {
            close(ends[0]);
            serve(host, ends[1]);
        }
        close(ends[1]);
        if (m_pid < 0 || read(ends[0], &m_port, sizeof m_port) != sizeof m_port) {
            m_port = 0;
        }
        close(ends[0]);
    }
    ~Relay() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    Relay(const Relay&) = delete;
    Relay& operator=(const Relay&) = delete;
    int port() const { return m_port; }
    pid_t pid() const { return m_pid; }

private:
    // Never returns: the child leaves without running the parent's destructors (the scratch
    // directory is the parent's to remove).
    [[noreturn]] static void serve(const HostOptions& host, int out) {
        int port = 0;
        try {
            HostSession provider(host);
            if (provider.initialized() && provider.configureAll()) {
                boost::asio::thread_pool workers(static_cast<std::size_t>(kWorkers));
                serve::HttpServer server(
                    serve::HttpLimits{},
                    [&](serve::HttpRequest request, serve::Reply reply) {
                        boost::asio::post(workers, [&provider, request = std::move(request),
                                                    reply = std::move(reply)] {
                            reply(relayAnswer(provider, request));
                        });
                    },
                    [](int status, const std::string&, const std::string&) {
                        serve::HttpResponse response;
                        response.status = status;
                        return response;
                    });
                port = server.listen("127.0.0.1", 0);
                if (port != 0 && write(out, &port, sizeof port) == sizeof port) {
                    server.run();
                }
            }
        } catch (...) {
        }
        if (port == 0) {
            [[maybe_unused]] ssize_t ignored = write(out, &port, sizeof port);
        }
        _exit(0);
    }
    pid_t m_pid = -1;
    int m_port = 0;
};

}  // namespace

int main() {
    bench::ScratchDirectory directory;
    try {
        directory.Start("bench-gateway", bench::StaffLdif(kUsers, kPassword, false), true);
        const std::string home = directory.env.at("RIDGE_TEST_HOME");
        setenv("BASALT_HOME", home.c_str(), 1);
        const std::string config =
            "<instance name=\"bench\"><parameter name=\"id\"><value>bench</value></parameter>"
            "<parameter name=\"connection\"><value>" +
            directory.env.at("RIDGE_HOST") + ":" + directory.env.at("RIDGE_PORT") +
            "</value></parameter><parameter name=\"baseDN\"><value>" +
            directory.env.at("RIDGE_BASE_DN") +
            "</value></parameter><parameter name=\"namespace\"><value>bench</value></parameter>"
            "<parameter name=\"timeOut\"><value>10</value></parameter></instance>";
        const std::string configPath = (directory.work / "bench.xml").string();
        std::ofstream(configPath) << config;

        // The provider's tables, in this process.
        HostOptions host;
        host.library = BASALT_LIBRARY_PATH;
        host.configs = {configPath};
        host.configTexts = {config};
        Relay relay(host);  // forked while this process has no other thread
        if (relay.port() == 0) {
            throw std::runtime_error("the relay did not start");
        }
        HostSession provider(host);
        if (!provider.initialized() || !provider.configureAll()) {
            throw std::runtime_error("the provider did not start");
        }
        auto signOnThroughTables = [&](const std::string& user) {
            askPrompt(provider);
            return signOnWith(provider, user);
        };
        const std::string visa = signOnThroughTables("user0");
        auto searchThroughTables = [&](const QuerySpec& query) {
            CallOutcome outcome = provider.library().searchXml(visa, queryDocument(query));
            if (outcome.code < 0 || !outcome.response) {
                throw std::runtime_error("a search failed");
            }
            return *outcome.response;
        };

        // The Staff folder's search path, as the gateway's links name it: below the namespace's
        // root folder (named after its entry).
        auto childNamed = [&](const std::string& parent, const std::string& name) {
            QuerySpec children;
            children.searchPath = serve::childrenPath(parent, "");
            children.properties = {"defaultName", "objectClass", "searchPath"};
            for (const ObjectRow& row :
                 responseRows(*parseXml(searchThroughTables(children), "listing"))) {
                if (row.value("defaultName") == name) {
                    return row.value("searchPath");
                }
            }
            throw std::runtime_error("no folder " + name);
        };
        const std::string staff = childNamed(childNamed(voridPath("bench"), "bench"), "Staff");
        // A browse page is these two searches: the folder itself, then a page of children.
        auto browseThroughTables = [&](int page) {
            QuerySpec self;
            self.searchPath = staff;
            self.properties = {"defaultName", "ancestors", "searchPath", "objectClass"};
            searchThroughTables(self);
            QuerySpec children;
            children.searchPath = serve::childrenPath(staff, "");
            children.properties = {"defaultName", "objectClass", "searchPath"};
            children.skip = page * kPageSize;
            children.max = kPageSize + 1;
            searchThroughTables(children);
        };

        GatewayProcess gateway({"-l", BASALT_LIBRARY_PATH},
                               {"-c", configPath, "--workers", std::to_string(kWorkers)},
                               {{"BASALT_HOME", home}});
        if (gateway.port() == 0) {
            throw std::runtime_error("the gateway did not start");
        }
        const pid_t gatewayPid = gateway.pid();
        directoryPid = std::atoi(directory.env["RIDGE_SLAPD_PID"].c_str());
        std::vector<std::unique_ptr<Browser>> browsers, relayBrowsers;
        for (int client = 0; client < kClients; ++client) {
            browsers.push_back(std::make_unique<Browser>(gateway.port()));
            browsers.back()->signOn("user" + std::to_string(client + 1));
            relayBrowsers.push_back(std::make_unique<Browser>(relay.port()));
            relayBrowsers.back()->signOn("user" + std::to_string(client + 1));
        }
        std::string folder = "/browse?folder=";
        for (unsigned char c : staff) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            folder += std::isalnum(c) ? std::string(1, static_cast<char>(c)) : std::string(hex);
        }

        std::printf("a browse page is 2 searches; a sign-on 2 requests, 3 provider calls\n");
        for (int clients : {1, kClients}) {
            // Warm both paths first.
            load(clients, std::min(20, kPages), [&](int, int i) { browseThroughTables(i % 4); });
            load(clients, std::min(20, kPages), [&](int client, int i) {
                browsers[client]->get(folder + "&skip=" + std::to_string((i % 4) * kPageSize));
            });
            load(clients, std::min(20, kSignOns),
                 [&](int client, int) { relayBrowsers[client]->signOn("user0"); });
            // Ten accounts a client, and the lone client's apart from the eight's: the gateway
            // keeps at most 100 signed-on sessions an account and signs the oldest off past that
            // (--sessions-per-account), which the tables side never does; five rounds make 75
            // sign-ons an account.
            auto user = [clients](int client, int i) {
                const int first = clients == 1 ? 90 : 10 + client * 10;
                return "user" + std::to_string(first + i % 10);
            };
            // In rounds, each side after the other: a machine whose speed drifts during the run
            // moves both sides of a round alike, and the median round is the figure.
            Figures tablesBrowse, gatewayBrowse, tablesSignOn, gatewaySignOn, relaySignOn;
            std::vector<double> browseAdds, signOnAdds, relayAdds, beyondRelay;
            for (int round = 0; round < kRounds; ++round) {
                Figures tables =
                    load(clients, kPages, [&](int, int i) { browseThroughTables(i % 4); });
                Figures gateway = load(
                    clients, kPages,
                    [&](int client, int i) {
                        std::string answer = browsers[client]->get(
                            folder + "&skip=" + std::to_string((i % 4) * kPageSize));
                        if (answer.compare(9, 3, "200") != 0) {
                            throw std::runtime_error("a browse page failed: " +
                                                     answer.substr(0, 40));
                        }
                    },
                    gatewayPid);
                browseAdds.push_back(gateway.p50() - tables.p50());
                tablesBrowse.add(tables);
                gatewayBrowse.add(gateway);
                tables = load(clients, kSignOns,
                              [&](int client, int i) { signOnThroughTables(user(client, i)); });
                gateway = load(
                    clients, kSignOns,
                    [&](int client, int i) { browsers[client]->signOn(user(client, i)); },
                    gatewayPid);
                Figures relayed = load(
                    clients, kSignOns,
                    [&](int client, int i) { relayBrowsers[client]->signOn(user(client, i)); },
                    relay.pid());
                signOnAdds.push_back(gateway.p50() - tables.p50());
                relayAdds.push_back(relayed.p50() - tables.p50());
                beyondRelay.push_back(gateway.p50() - relayed.p50());
                tablesSignOn.add(tables);
                gatewaySignOn.add(gateway);
                relaySignOn.add(relayed);
            }
            std::printf("\n%d client(s), %d rounds:\n", clients, kRounds);
            tablesBrowse.print("browse page, provider's tables");
            gatewayBrowse.print("browse page, gateway (keep-alive)");
            tablesSignOn.print("sign-on, provider's tables");
            gatewaySignOn.print("sign-on, gateway (keep-alive)");
            relaySignOn.print("sign-on, bare relay (keep-alive)");
            auto rounds = [](std::vector<double> adds) {
                std::string text;
                for (double add : adds) {
                    char one[16];
                    std::snprintf(one, sizeof one, " %+.2f", add);
                    text += one;
                }
                std::sort(adds.begin(), adds.end());
                char median[64];
                std::snprintf(median, sizeof median, "%+.3f ms (rounds:", adds[adds.size() / 2]);
                return median + text + ")";
            };
            std::printf("gateway adds at p50, median round: browse %s, sign-on %s\n",
                        rounds(browseAdds).c_str(), rounds(signOnAdds).c_str());
            std::printf(
                "sign-on at p50, median round: the relay adds %s, the gateway beyond it %s\n",
                rounds(relayAdds).c_str(), rounds(beyondRelay).c_str());
        }
        gateway.stop();
        provider.finish();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_gateway: %s\n", error.what());
        directory.Stop();
        return 1;
    }
    directory.Stop();
    return 0;
}
