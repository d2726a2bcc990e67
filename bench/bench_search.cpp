// Search through the provider's ABI (BasaltSearchXml, dlopen as a host does) against plain
// libldap doing the same directory work in the same run, bound as the same kind of identity (a
// signed-on user, whose reads the server checks against its access rules), on a generated
// directory of its own
// (SearchBenchDirectory.h: 100,000 users in nested folders, loaded with slapadd):
//   first page:  100 accounts of a folder with ten properties, a listing the session has not
//                seen (libldap: the same 100 entries with the same attributes in one search);
//   next page:   the following 100 of a 1,000-user folder, asked after the access library's
//                short-lived entry cache has expired (same libldap baseline);
//   root:        descendants of the namespace root, first page of 100 names (libldap: the
//                100,000 user names in a paged search); peak RSS is reported;
//   threads:     the first page on 1 and 2 threads, each thread on a session of its own
//                (libldap: a connection per thread); once as many rounds as the threads can
//                take, mostly from the handles' caches, and once one page per thread at the
//                same moment after the caches expired.
// Wall-clock time per operation measured by hand (pauses for cache expiry are not counted);
// medians of interleaved repetitions; the ratios are printed last.
#include "BenchDirectory.h"
#include "SearchBenchDirectory.h"

#include <VOR_AAA_Interface.h>
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <ldap.h>
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <latch>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace search_bench;

const fs::path kSourceDir = BASALT_SOURCE_DIR;
constexpr const char* kNamespaceId = "benchns";
constexpr auto kCacheExpired = std::chrono::milliseconds(1100);

std::string Take(char*& text) {
    std::string copy = text != nullptr ? text : "";
    std::free(text);
    text = nullptr;
    return copy;
}

void* Allocate(uint32_t size) {
    return std::malloc(size);
}

const char* kEnvelopeOpen =
    "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:bus=\"http://developer.basalt.test/schemas/bibus/3/\">"
    "<SOAP-ENV:Header><bus:biBusHeader/></SOAP-ENV:Header><SOAP-ENV:Body>";

std::string QueryDocument(const std::string& path, const std::vector<std::string>& properties,
                          int skip, int max) {
    std::string text = std::string(kEnvelopeOpen) +
                       "<query xmlns=\"http://developer.basalt.test/schemas/VOR/AAA/1/\">"
                       "<search>" +
                       path + "</search><properties>";
    for (const std::string& p : properties) {
        text += "<item>" + p + "</item>";
    }
    text += "</properties><options><skipObjects>" + std::to_string(skip) +
            "</skipObjects><maxObjects>" + std::to_string(max) +
            "</maxObjects></options></query></SOAP-ENV:Body></SOAP-ENV:Envelope>";
    return text;
}

std::string LogonDocument(const std::string& user) {
    return "<authenticateDocument><biBusHeader><VOR><action>logon</action><credentials>"
           "<credential><namespace>" +
           std::string(kNamespaceId) + "</namespace><username>" + user + "</username><password>" +
           kPassword +
           "</password></credential></credentials></VOR></biBusHeader>"
           "</authenticateDocument>";
}

// The visa element of an authenticate response.
std::string VisaOf(const std::string& response) {
    const size_t open = response.find("<visa");
    const size_t close = response.find("</visa>");
    if (open == std::string::npos || close == std::string::npos) {
        throw std::runtime_error("no visa in: " + response.substr(0, 400));
    }
    return response.substr(open, close + 7 - open);
}

// One object count of a query response.
int ObjectCount(std::string_view response) {
    const size_t at = response.find("cm:baseClass[");
    return at == std::string::npos ? -1 : std::atoi(response.data() + at + 13);
}

struct Bench {
    fs::path work;
    std::map<std::string, std::string> env;
    void* library = nullptr;
    VOR_AAA_LifecycleTable life{};
    VOR_AAA_DocumentTextTable text{};
    std::vector<std::string> visas;

    void Start() {
        std::string pattern = (fs::temp_directory_path() / "bench-search-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("no temporary folder");
        }
        work = pattern;
        std::cerr << "generating and loading " << BigUsers() + kStaffUsers + kPagesUsers
                  << " users with slapadd ...\n";
        WriteDirectory((work / "bench.ldif").string());
        const std::string command = "RIDGE_HOME_SOURCE='" + (kSourceDir / "data/home").string() +
                                    "' '" + (kSourceDir / "scripts/directory").string() +
                                    "' start '" + (work / "dir").string() + "' '" +
                                    (work / "bench.ldif").string() + "' >/dev/null";
        if (std::system(command.c_str()) != 0) {
            throw std::runtime_error("scripts/directory start failed");
        }
        env = bench::ReadEnv(work / "dir" / "env");
        setenv("BASALT_HOME", env.at("RIDGE_TEST_HOME").c_str(), 1);

        library = dlopen(BASALT_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            throw std::runtime_error(dlerror());
        }
        auto get =
            reinterpret_cast<VOR_AAA_GetInterfaceFn>(dlsym(library, VOR_AAA_GET_INTERFACE_SYMBOL));
        if (get == nullptr || get(kVOR_AAA_LifecycleInterface, &life) != 0 ||
            get(kVOR_AAA_DocumentTextInterface, &text) != 0) {
            throw std::runtime_error("no entry tables");
        }
        char* exception = nullptr;
        if (life.Initialize(Allocate, nullptr, &exception) != 0) {
            throw std::runtime_error("Initialize: " + Take(exception));
        }
        const std::string configuration =
            "<instance name=\"bench\" class=\"ridge\" "
            "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
            "<parameter name=\"id\"><value>" +
            std::string(kNamespaceId) +
            "</value></parameter><parameter name=\"connection\"><value>" + env.at("RIDGE_HOST") +
            ":" + env.at("RIDGE_PORT") + "</value></parameter><parameter name=\"baseDN\"><value>" +
            env.at("RIDGE_BASE_DN") + "</value></parameter><parameter name=\"namespace\"><value>" +
            kNamespace +
            "</value></parameter><parameter name=\"timeOut\"><value>30</value></parameter>"
            "</instance>";
        char* response = nullptr;
        if (life.Configure(configuration.c_str(), nullptr, &response, &exception) != 0) {
            throw std::runtime_error("Configure: " + Take(exception));
        }
        Take(response);
        for (int r = 0; r < kReaders; ++r) {
            char* answer = nullptr;
            const std::string logon = LogonDocument("reader" + std::to_string(r));
            const int32_t result = text.AuthenticateXml(logon.c_str(), &answer);
            const std::string answerText = Take(answer);
            if (result != 0) {
                throw std::runtime_error("sign-on: " + std::to_string(result) + " " + answerText);
            }
            visas.push_back(VisaOf(answerText));
        }
    }

    void Stop() {
        if (library != nullptr) {
            char* exception = nullptr;
            life.Terminate(nullptr, &exception);
            Take(exception);
        }
        const std::string command = "'" + (kSourceDir / "scripts/directory").string() + "' stop '" +
                                    (work / "dir").string() + "' >/dev/null";
        std::system(command.c_str());
        std::error_code ignored;
        fs::remove_all(work, ignored);
    }

    // One search; the number of objects answered.
    int Search(int reader, const std::string& query) {
        char* response = nullptr;
        char* exception = nullptr;
        const int32_t result =
            text.SearchXml(visas[reader].c_str(), query.c_str(), &response, &exception);
        // Read where it lies, as a host would: a copy would time this program's memory, not
        // the search (a page's answer is large enough that a fresh copy costs page faults).
        const int count = response != nullptr ? ObjectCount(response) : -1;
        std::free(response);
        const std::string failure = Take(exception);
        if (result != 0) {
            throw std::runtime_error("search: " + std::to_string(result) + " " + failure);
        }
        return count;
    }

    // A connection bound as one of the readers: the provider searches as the signed-on user, so
    // the server checks the same access rules for both (the administrator would skip them).
    LDAP* Connect() const {
        LDAP* ld = nullptr;
        if (ldap_initialize(&ld, env.at("RIDGE_URL").c_str()) != LDAP_SUCCESS) {
            throw std::runtime_error("ldap_initialize");
        }
        int version = LDAP_VERSION3;
        ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
        berval password{};
        password.bv_val = const_cast<char*>(kPassword);
        password.bv_len = std::strlen(kPassword);
        const std::string reader = "uid=reader0," + NamespaceDn();
        if (ldap_sasl_bind_s(ld, reader.c_str(), LDAP_SASL_SIMPLE, &password, nullptr, nullptr,
                             nullptr) != LDAP_SUCCESS) {
            throw std::runtime_error("bind");
        }
        return ld;
    }

    std::string NamespaceDn() const { return std::string("ou=bench,") + env.at("RIDGE_BASE_DN"); }
};

Bench g_bench;

const std::vector<std::string> kPageProperties = {
    "searchPath",    "defaultName", "name",    "userName",    "email",
    "businessPhone", "givenName",   "surname", "description", "contentLocale"};

// The attributes those properties come from (ASA_FindUserInfo4's record).
const char* kPageAttributes[] = {"cn",
                                 "description",
                                 "mail",
                                 "telephoneNumber",
                                 "ridgeContentLocale",
                                 "ridgeProductLocale",
                                 "givenName",
                                 "sn",
                                 "ridgeId",
                                 nullptr};

// libldap: the 100 entries of the Staff folder with the page's attributes, one search.
int RawFolderPage(LDAP* ld) {
    LDAPMessage* result = nullptr;
    const std::string base = "ou=Staff," + g_bench.NamespaceDn();
    const int rc = ldap_search_ext_s(ld, base.c_str(), LDAP_SCOPE_ONELEVEL,
                                     "(objectClass=ridgeUser)", const_cast<char**>(kPageAttributes),
                                     0, nullptr, nullptr, nullptr, 0, &result);
    if (rc != LDAP_SUCCESS) {
        ldap_msgfree(result);
        throw std::runtime_error("raw page search");
    }
    int n = 0;
    for (LDAPMessage* e = ldap_first_entry(ld, result); e != nullptr; e = ldap_next_entry(ld, e)) {
        for (const char* const* a = kPageAttributes; *a != nullptr; ++a) {
            berval** values = ldap_get_values_len(ld, e, *a);
            ldap_value_free_len(values);
        }
        ++n;
    }
    ldap_msgfree(result);
    return n;
}

// libldap: every user name of the namespace in pages of 1000.
int RawPagedNames(LDAP* ld) {
    const char* attributes[] = {"cn", "ridgeId", nullptr};
    berval* cookie = nullptr;
    int total = 0;
    const std::string base = g_bench.NamespaceDn();
    do {
        LDAPControl* paging = nullptr;
        ldap_create_page_control(ld, 1000, cookie, 0, &paging);
        LDAPControl* controls[] = {paging, nullptr};
        LDAPMessage* result = nullptr;
        const int rc = ldap_search_ext_s(ld, base.c_str(), LDAP_SCOPE_SUBTREE,
                                         "(objectClass=ridgeUser)", const_cast<char**>(attributes),
                                         0, controls, nullptr, nullptr, 0, &result);
        ldap_control_free(paging);
        if (rc != LDAP_SUCCESS) {
            ldap_msgfree(result);
            throw std::runtime_error("raw paged search");
        }
        for (LDAPMessage* e = ldap_first_entry(ld, result); e != nullptr;
             e = ldap_next_entry(ld, e)) {
            berval** values = ldap_get_values_len(ld, e, "cn");
            ldap_value_free_len(values);
            ++total;
        }
        LDAPControl** returned = nullptr;
        int err = 0;
        ldap_parse_result(ld, result, &err, nullptr, nullptr, nullptr, &returned, 0);
        if (cookie != nullptr) {
            ber_bvfree(cookie);
            cookie = nullptr;
        }
        LDAPControl* response = ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, returned, nullptr);
        if (response != nullptr) {
            ber_int_t estimate = 0;
            berval next{};
            if (ldap_parse_pageresponse_control(ld, response, &estimate, &next) == LDAP_SUCCESS &&
                next.bv_len > 0) {
                cookie = ber_bvdup(&next);
            }
            ber_memfree(next.bv_val);
        }
        ldap_controls_free(returned);
        ldap_msgfree(result);
    } while (cookie != nullptr);
    return total;
}

// CPU time in milliseconds of the calling thread (the client's work on one page).
double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// CPU time in milliseconds of every thread of the directory server so far, from the scheduler's
// own nanosecond counts (the tick-based figures of /proc/<pid>/stat are too coarse for a page).
double ServerCpuMs() {
    double ms = 0;
    std::error_code error;
    const fs::path tasks = fs::path("/proc") / g_bench.env.at("RIDGE_SLAPD_PID") / "task";
    for (const auto& task : fs::directory_iterator(tasks, error)) {
        std::ifstream stat(task.path() / "schedstat");
        double ns = 0;
        if (stat >> ns) {
            ms += ns / 1e6;
        }
    }
    return ms;
}

long ThreadPageFaults() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_minflt + usage.ru_majflt;
}

// What the timed pages of one benchmark cost besides their wall time.
struct PageCosts {
    double clientMs = 0;
    double serverMs = 0;
    long clientFaults = 0;  // first touches of memory the process took from the system
};

// One timed page: wall time for the benchmark, and the client's and the server's CPU time summed
// into the costs (how much of a page is work on either side and how much is waiting).
template <typename Work>
void TimedPage(benchmark::State& state, PageCosts& costs, Work work) {
    const double server = ServerCpuMs();
    const double client = ThreadCpuMs();
    const long faults = ThreadPageFaults();
    const auto start = Clock::now();
    work();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    costs.clientMs += ThreadCpuMs() - client;
    costs.serverMs += ServerCpuMs() - server;
    costs.clientFaults += ThreadPageFaults() - faults;
}

void ReportCpu(benchmark::State& state, const PageCosts& costs) {
    const double pages = static_cast<double>(state.iterations());
    state.counters["clientCpuMs"] = costs.clientMs / pages;
    state.counters["serverCpuMs"] = costs.serverMs / pages;
    state.counters["clientFaults"] = static_cast<double>(costs.clientFaults) / pages;
}

template <typename Work>
void Timed(benchmark::State& state, Work work) {
    for (auto _ : state) {
        const auto start = Clock::now();
        work();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}

// Asked after the same pause as the provider's pages, so that both meet the server alike.
void BM_FirstPage_Ldap(benchmark::State& state) {
    LDAP* ld = g_bench.Connect();
    PageCosts costs;
    for (auto _ : state) {
        std::this_thread::sleep_for(kCacheExpired);
        TimedPage(state, costs, [&] { benchmark::DoNotOptimize(RawFolderPage(ld)); });
    }
    ReportCpu(state, costs);
    ldap_unbind_ext_s(ld, nullptr, nullptr);
}

// The first page of the Staff folder with two property sets, to be taken in turn: each query is
// a listing the session has not kept.
std::array<std::string, 2> StaffFirstPages() {
    const std::string path = "VORID('" + std::string(kNamespaceId) +
                             ":f:authid=" + std::to_string(kStaffFolder) + "')/*";
    std::vector<std::string> other = kPageProperties;
    other.push_back("objectClass");
    return {QueryDocument(path, kPageProperties, 0, 100), QueryDocument(path, other, 0, 100)};
}

void BM_FirstPage_Basalt(benchmark::State& state) {
    const auto queries = StaffFirstPages();
    int turn = 0;
    PageCosts costs;
    for (auto _ : state) {
        std::this_thread::sleep_for(kCacheExpired);  // nothing fetched before is fresh
        int n = 0;
        TimedPage(state, costs, [&] { n = g_bench.Search(0, queries[turn++ % 2]); });
        if (n != kStaffUsers) {
            state.SkipWithError("wrong object count");
        }
    }
    ReportCpu(state, costs);
}

// The pages of the Pages folder in turn, each asked after the records of the one before expired:
// the listing is the session's, the records are fetched again.
class NextPages {
public:
    // The object count of the next page; the listing is made again (untimed) once all were seen.
    template <typename Timing>
    int Next(Timing timing) {
        if (m_page == 0 || m_page == kPagesUsers / 100) {
            m_page = 0;
            g_bench.Search(0, QueryDocument(m_path, kPageProperties, 0, 100));
            ++m_page;
        }
        std::this_thread::sleep_for(kCacheExpired);
        const std::string query = QueryDocument(m_path, kPageProperties, m_page * 100, 100);
        ++m_page;
        int n = 0;
        timing([&] { n = g_bench.Search(0, query); });
        return n;
    }

private:
    const std::string m_path = "VORID('" + std::string(kNamespaceId) +
                               ":f:authid=" + std::to_string(kPagesFolder) + "')/*";
    int m_page = 0;
};

void BM_NextPage_Basalt(benchmark::State& state) {
    NextPages pages;
    PageCosts costs;
    for (auto _ : state) {
        const int n = pages.Next([&](auto work) { TimedPage(state, costs, work); });
        if (n != 100) {
            state.SkipWithError("wrong object count");
        }
    }
    ReportCpu(state, costs);
}

// A raw search and a page of ours in turn, each after its own pause: both meet the machine in
// the same state (this one's speed drifts by a third over the minutes between two benchmarks).
// ours() gives the seconds its page took; the ratio is that of the sums.
template <typename Raw, typename Ours>
void InTurn(benchmark::State& state, Raw raw, Ours ours) {
    double rawSeconds = 0;
    double oursSeconds = 0;
    for (auto _ : state) {
        std::this_thread::sleep_for(kCacheExpired);
        const auto start = Clock::now();
        raw();
        rawSeconds += std::chrono::duration<double>(Clock::now() - start).count();
        const double seconds = ours();
        oursSeconds += seconds;
        state.SetIterationTime(seconds);
    }
    state.counters["ratio"] = oursSeconds / rawSeconds;
}

void BM_NextPage_Paired(benchmark::State& state) {
    LDAP* ld = g_bench.Connect();
    NextPages pages;
    InTurn(
        state, [&] { benchmark::DoNotOptimize(RawFolderPage(ld)); },
        [&] {
            double seconds = 0;
            const int n = pages.Next([&](auto work) {
                const auto start = Clock::now();
                work();
                seconds = std::chrono::duration<double>(Clock::now() - start).count();
            });
            if (n != 100) {
                state.SkipWithError("wrong object count");
            }
            return seconds;
        });
    ldap_unbind_ext_s(ld, nullptr, nullptr);
}

void BM_RootNames_Ldap(benchmark::State& state) {
    LDAP* ld = g_bench.Connect();
    Timed(state, [&] {
        if (RawPagedNames(ld) < BigUsers()) {
            state.SkipWithError("names missing");
        }
    });
    ldap_unbind_ext_s(ld, nullptr, nullptr);
}

// The first page of the namespace root's descendants, asked for with alternating properties so
// that no page is served from the one before.
class RootPages {
public:
    // Seconds the page took.
    double Next(benchmark::State& state) {
        std::this_thread::sleep_for(kCacheExpired);
        const auto start = Clock::now();
        const int n = g_bench.Search(1, m_queries[m_turn++ % 2]);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (n != 100) {
            state.SkipWithError("wrong object count");
        }
        return seconds;
    }

private:
    const std::string m_path = "VORID('" + std::string(kNamespaceId) + "')/descendant::*";
    const std::string m_queries[2] = {
        QueryDocument(m_path, {"searchPath", "defaultName", "objectClass"}, 0, 100),
        QueryDocument(m_path, {"searchPath", "defaultName", "objectClass", "name"}, 0, 100)};
    int m_turn = 0;
};

void BM_RootDescendants_Basalt(benchmark::State& state) {
    RootPages pages;
    for (auto _ : state) {
        state.SetIterationTime(pages.Next(state));
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peakRSS_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The raw paged names and the root's first page in turn, each after its own pause.
void BM_RootDescendants_Paired(benchmark::State& state) {
    LDAP* ld = g_bench.Connect();
    RootPages pages;
    InTurn(
        state,
        [&] {
            if (RawPagedNames(ld) < BigUsers()) {
                state.SkipWithError("names missing");
            }
        },
        [&] { return pages.Next(state); });
    ldap_unbind_ext_s(ld, nullptr, nullptr);
}

// The first page on each thread for a fixed time; pages per second over all threads.
constexpr int kThreadRounds = 200;

// CPU time of this process (every thread; the server is another process), in milliseconds: per
// page it shows whether threads slow each other down whatever else the machine runs.
double ProcessCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// libldap's page on thread t's connection.
void RawPageOn(const std::vector<LDAP*>& connections, int t) {
    benchmark::DoNotOptimize(RawFolderPage(connections[static_cast<size_t>(t)]));
}

// Rounds of pages on each of threads threads at once: wall seconds from the first thread's start
// to the last one's end; cpuMs grows by the process's CPU time over them.
template <typename Page>
double ThreadRounds(int threads, int rounds, double& cpuMs, Page page) {
    const auto start = Clock::now();
    const double cpuStart = ProcessCpuMs();
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < rounds; ++i) {
                page(t, i);
            }
        });
    }
    for (auto& w : workers) {
        w.join();
    }
    cpuMs += ProcessCpuMs() - cpuStart;
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// libldap's rounds, each thread on a connection of its own.
double RawRounds(int threads, int rounds, double& cpuMs) {
    std::vector<LDAP*> connections;
    for (int t = 0; t < threads; ++t) {
        connections.push_back(g_bench.Connect());
    }
    const double seconds =
        ThreadRounds(threads, rounds, cpuMs, [&](int t, int) { RawPageOn(connections, t); });
    for (LDAP* ld : connections) {
        ldap_unbind_ext_s(ld, nullptr, nullptr);
    }
    return seconds;
}

// Our rounds, each thread searching a session of its own.
double OurRounds(int threads, int rounds, double& cpuMs,
                 const std::array<std::string, 2>& queries) {
    return ThreadRounds(threads, rounds, cpuMs,
                        [&](int t, int i) { g_bench.Search(t, queries[i % 2]); });
}

// Cached pages are about four times quicker than raw searches: four times the rounds make a
// block of ours last about as long as one of libldap's.
constexpr int kOurThreadRounds = 4 * kThreadRounds;

void ReportThreadCpu(benchmark::State& state, int pages, double cpuMs) {
    state.counters["pages"] = pages;
    state.counters["cpuMsPerPage"] =
        cpuMs / static_cast<double>(state.iterations()) / static_cast<double>(pages);
}

void BM_Threads_Ldap(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    double cpuMs = 0;
    for (auto _ : state) {
        state.SetIterationTime(RawRounds(threads, kThreadRounds, cpuMs));
    }
    ReportThreadCpu(state, threads * kThreadRounds, cpuMs);
}

void BM_Threads_Basalt(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    const auto queries = StaffFirstPages();
    double cpuMs = 0;
    for (auto _ : state) {
        state.SetIterationTime(OurRounds(threads, kThreadRounds, cpuMs, queries));
    }
    ReportThreadCpu(state, threads * kThreadRounds, cpuMs);
}

// One thread then two of libldap and of ours in every iteration, block after block, so that a
// slow stretch of the machine weighs on all four alike rather than on whichever benchmark ran
// through it. raw(threads) and ours(threads) give a block's seconds; each gain is that of the
// sums.
template <typename Raw, typename Ours>
void GainsInTurn(benchmark::State& state, Raw raw, Ours ours) {
    double rawSeconds[2] = {0, 0};
    double ourSeconds[2] = {0, 0};
    for (auto _ : state) {
        double seconds = 0;
        for (int threads = 1; threads <= 2; ++threads) {
            const double r = raw(threads);
            const double o = ours(threads);
            rawSeconds[threads - 1] += r;
            ourSeconds[threads - 1] += o;
            seconds += r + o;
        }
        state.SetIterationTime(seconds);
    }
    state.counters["rawGain"] = 2 * rawSeconds[0] / rawSeconds[1];
    state.counters["oursGain"] = 2 * ourSeconds[0] / ourSeconds[1];
}

void BM_Threads_Paired(benchmark::State& state) {
    const auto queries = StaffFirstPages();
    double cpuMs = 0;
    GainsInTurn(
        state, [&](int threads) { return RawRounds(threads, kThreadRounds, cpuMs); },
        [&](int threads) { return OurRounds(threads, kOurThreadRounds, cpuMs, queries); });
}

// Reader t's page of the Staff folder; a page of another size fails the benchmark.
void StaffPage(benchmark::State& state, int t, const std::string& query) {
    if (g_bench.Search(t, query) != kStaffUsers) {
        state.SkipWithError("wrong object count");
    }
}

// One page on each thread at the same moment, asked after the caches expired: the pages reach
// the directory, so their waits can overlap as the raw searches' do (the rounds above come from
// the handles' caches and only compute). Wall time from the common start to the last page's end.
template <typename Page>
double PagesTogether(int threads, PageCosts& costs, Page page) {
    const double server = ServerCpuMs();
    const double client = ProcessCpuMs();
    std::latch start(threads + 1);
    std::vector<Clock::time_point> ends(static_cast<size_t>(threads));
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            start.arrive_and_wait();
            page(t);
            ends[static_cast<size_t>(t)] = Clock::now();
        });
    }
    start.arrive_and_wait();
    const auto begun = Clock::now();
    for (auto& w : workers) {
        w.join();
    }
    costs.clientMs += ProcessCpuMs() - client;
    costs.serverMs += ServerCpuMs() - server;
    return std::chrono::duration<double>(*std::max_element(ends.begin(), ends.end()) - begun)
        .count();
}

void BM_Together_Ldap(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    std::vector<LDAP*> connections;
    for (int t = 0; t < threads; ++t) {
        connections.push_back(g_bench.Connect());
    }
    PageCosts costs;
    for (auto _ : state) {
        std::this_thread::sleep_for(kCacheExpired);
        state.SetIterationTime(
            PagesTogether(threads, costs, [&](int t) { RawPageOn(connections, t); }));
    }
    ReportCpu(state, costs);
    for (LDAP* ld : connections) {
        ldap_unbind_ext_s(ld, nullptr, nullptr);
    }
}

void BM_Together_Basalt(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    const auto queries = StaffFirstPages();
    int turn = 0;
    PageCosts costs;
    for (auto _ : state) {
        std::this_thread::sleep_for(kCacheExpired);
        const std::string& query = queries[turn++ % 2];
        state.SetIterationTime(
            PagesTogether(threads, costs, [&](int t) { StaffPage(state, t, query); }));
    }
    ReportCpu(state, costs);
}

// The pages at once in turn, each after its own pause.
void BM_Together_Paired(benchmark::State& state) {
    const std::vector<LDAP*> connections = {g_bench.Connect(), g_bench.Connect()};
    const auto queries = StaffFirstPages();
    int turn = 0;
    PageCosts costs;
    GainsInTurn(
        state,
        [&](int threads) {
            std::this_thread::sleep_for(kCacheExpired);
            return PagesTogether(threads, costs, [&](int t) { RawPageOn(connections, t); });
        },
        [&](int threads) {
            std::this_thread::sleep_for(kCacheExpired);
            const std::string& query = queries[turn++ % 2];
            return PagesTogether(threads, costs, [&](int t) { StaffPage(state, t, query); });
        });
    for (LDAP* ld : connections) {
        ldap_unbind_ext_s(ld, nullptr, nullptr);
    }
}

BENCHMARK(BM_FirstPage_Ldap)->UseManualTime()->Iterations(8)->Repetitions(3);
BENCHMARK(BM_FirstPage_Basalt)->UseManualTime()->Iterations(8)->Repetitions(3);
BENCHMARK(BM_NextPage_Basalt)->UseManualTime()->Iterations(8)->Repetitions(3);
BENCHMARK(BM_NextPage_Paired)->UseManualTime()->Iterations(8)->Repetitions(3);
BENCHMARK(BM_RootNames_Ldap)->UseManualTime()->Iterations(2)->Repetitions(3);
BENCHMARK(BM_RootDescendants_Basalt)->UseManualTime()->Iterations(2)->Repetitions(3);
BENCHMARK(BM_RootDescendants_Paired)->UseManualTime()->Iterations(2)->Repetitions(3);
BENCHMARK(BM_Threads_Ldap)->Arg(1)->Arg(2)->UseManualTime()->Iterations(3)->Repetitions(3);
// Cached pages are about four times quicker than raw searches: four times the iterations give
// each repetition about as long as libldap's, so one disturbance of the machine weighs alike.
BENCHMARK(BM_Threads_Basalt)->Arg(1)->Arg(2)->UseManualTime()->Iterations(12)->Repetitions(3);
BENCHMARK(BM_Threads_Paired)->UseManualTime()->Iterations(3)->Repetitions(3);
// A page at once from the directory swings by half between iterations on this machine: twenty
// of them a repetition keep the medians from following one slow stretch.
BENCHMARK(BM_Together_Ldap)->Arg(1)->Arg(2)->UseManualTime()->Iterations(20)->Repetitions(3);
BENCHMARK(BM_Together_Basalt)->Arg(1)->Arg(2)->UseManualTime()->Iterations(20)->Repetitions(3);
BENCHMARK(BM_Together_Paired)->UseManualTime()->Iterations(10)->Repetitions(3);

// Collects the medians and prints the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                const std::string name = run.run_name.function_name +
                                         (run.run_name.args.empty() ? "" : "/" + run.run_name.args);
                m_median[name] = run.GetAdjustedRealTime();
                for (const auto& [counter, value] : run.counters) {
                    m_median[name + ":" + counter] = value.value;
                }
            }
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto ratio = [&](const char* what, const std::string& a, const std::string& b,
                               const char* target) {
            if (m_median.count(a) != 0 && m_median.count(b) != 0) {
                std::printf("%-58s %6.2fx  (target %s)\n", what, m_median[a] / m_median[b], target);
            }
        };
        const auto paired = [&](const char* what, const std::string& name, const char* target) {
            if (const auto it = m_median.find(name + ":ratio"); it != m_median.end()) {
                std::printf("%-58s %6.2fx  (target %s)\n", what, it->second, target);
            }
        };
        std::printf("\nMedian ratios to plain libldap in the same run:\n");
        ratio("first page of 100 accounts vs one search", "BM_FirstPage_Basalt",
              "BM_FirstPage_Ldap", "<= 2x");
        ratio("next page after the entry cache expired vs one search", "BM_NextPage_Basalt",
              "BM_FirstPage_Ldap", "<= 1.5x");
        paired("next page vs one search, taken in turn", "BM_NextPage_Paired", "<= 1.5x");
        ratio("root descendants, first 100 of 100,000 vs paged names", "BM_RootDescendants_Basalt",
              "BM_RootNames_Ldap", "<= 1.5x");
        paired("root descendants vs paged names, taken in turn", "BM_RootDescendants_Paired",
               "<= 1.5x");
        // Throughput of 2 threads over 1 from the medians of name/1 and name/2 (two pages in the
        // time of one gives 2x); both clients' or nothing when either did not run.
        const auto apart = [&](const char* what, const std::string& raw, const std::string& ours) {
            const auto gain = [&](const std::string& name) {
                const auto one = m_median.find(name + "/1");
                const auto two = m_median.find(name + "/2");
                return one != m_median.end() && two != m_median.end()
                           ? std::optional<double>(one->second / two->second * 2)
                           : std::nullopt;
            };
            const auto rawGain = gain(raw);
            const auto ourGain = gain(ours);
            if (rawGain && ourGain) {
                std::printf("%-58s %6.2fx  (libldap %.2fx; target: at least libldap's)\n", what,
                            *ourGain, *rawGain);
            }
        };
        apart("2 threads' throughput over 1 thread", "BM_Threads_Ldap", "BM_Threads_Basalt");
        apart("2 pages at once from the directory over 1 page", "BM_Together_Ldap",
              "BM_Together_Basalt");
        const auto gains = [&](const char* what, const std::string& name) {
            if (m_median.count(name + ":oursGain") != 0) {
                std::printf("%-58s %6.2fx  (libldap %.2fx; target: at least libldap's)\n", what,
                            m_median[name + ":oursGain"], m_median[name + ":rawGain"]);
            }
        };
        gains("2 threads over 1, taken in turn", "BM_Threads_Paired");
        gains("2 pages at once over 1, taken in turn", "BM_Together_Paired");
    }

private:
    std::map<std::string, double> m_median;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    int status = 0;
    try {
        g_bench.Start();
        RatioReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
    } catch (const std::exception& e) {
        std::cerr << "bench_search: " << e.what() << '\n';
        status = 1;
    }
    g_bench.Stop();
    benchmark::Shutdown();
    return status;
}
