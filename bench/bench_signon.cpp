// Sign-ons through the provider's BasaltAuthenticateXml against plain libldap doing the same
// directory operations, in the same run, on a directory of its own (scripts/directory in a
// temporary folder) with 100 users, 1 and 2 threads:
//   password: the provider signs on by user name and password (the namespace issues a ticket
//             and refreshes it, the visa lists the user's classes); libldap: a search for the
//             user with its record, a bind as the user, the ticket entry added, and a search
//             for the user's classes;
//   ticket:   the provider signs on with the AS_TICKET cookie alone; libldap: the ticket entry
//             read, the user read with its record, the ticket's expiry replaced when that gains
//             more than a minute (as the provider's refresh does), and a search for the user's
//             classes.
// libldap uses a service connection and a user connection per thread. Wall time per sign-on
// (the server's work is the cost), then both in turn with the client's CPU time per sign-on;
// the ratios are printed last.
#include "BenchDirectory.h"

#include <VOR_AAA_Interface.h>
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <ldap.h>
#include <openssl/rand.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* kPassword = "Bench#2024";
constexpr int kUsers = 100;

void* allocate(uint32_t size) {
    return std::malloc(size);
}

std::string take(char*& text) {
    std::string copy = text ? text : "";
    std::free(text);
    text = nullptr;
    return copy;
}

std::string authenticateDocument(const std::string& formFields, const std::string& cookies) {
    return "<authenticateDocument xmlns:bus=\"http://basalt.example/schemas/bibus/3/\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><bus:biBusHeader>"
           "<VOR><action>logon</action></VOR><bus:hdrSession><bus:formFieldVars>"
           "<item><name>VORNamespace</name><value>bench</value></item>" +
           formFields + "</bus:formFieldVars><bus:cookieVars>" + cookies +
           "</bus:cookieVars></bus:hdrSession></bus:biBusHeader></authenticateDocument>";
}

std::string item(const std::string& name, const std::string& value) {
    return "<item><name>" + name + "</name><value>" + value + "</value></item>";
}

std::string ticketOf(const std::string& response) {
    const std::string marker =
        "AS_TICKET</name><value xsi:type=\"xsd:string\" "
        "xml:space=\"preserve\">";
    size_t at = response.find(marker);
    if (at == std::string::npos)
        return "";
    at += marker.size();
    return response.substr(at, response.find('<', at) - at);
}

struct Setup {
    bench::ScratchDirectory directory;
    std::string servicePassword;
    VOR_AAA_LifecycleTable life{};
    VOR_AAA_DocumentTextTable text{};
    std::vector<std::string> tickets;  // one per user, issued by the provider

    std::string env(const char* name) const { return directory.env.at(name); }

    void start() {
        directory.Start("bench-signon", bench::StaffLdif(kUsers, kPassword, true), true);
        servicePassword = directory.ServicePassword();
        setenv("BASALT_HOME", env("RIDGE_TEST_HOME").c_str(), 1);

        void* library = dlopen(BASALT_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
        auto get = library ? reinterpret_cast<VOR_AAA_GetInterfaceFn>(
                                 dlsym(library, VOR_AAA_GET_INTERFACE_SYMBOL))
                           : nullptr;
        if (!get)
            throw std::runtime_error("cannot load " BASALT_LIBRARY_PATH);
        get(kVOR_AAA_LifecycleInterface, &life);
        get(kVOR_AAA_DocumentTextInterface, &text);
        char* exception = nullptr;
        char* response = nullptr;
        if (life.Initialize(allocate, nullptr, &exception) != 0)
            throw std::runtime_error("BasaltInitialize: " + take(exception));
        const std::string config =
            "<instance name=\"bench\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
            "<parameter name=\"id\"><value>bench</value></parameter>"
            "<parameter name=\"connection\"><value>" +
            env("RIDGE_HOST") + ":" + env("RIDGE_PORT") +
            "</value></parameter><parameter name=\"baseDN\"><value>" + env("RIDGE_BASE_DN") +
            "</value></parameter><parameter name=\"namespace\"><value>bench</value></parameter>"
            "<parameter name=\"timeOut\"><value>10</value></parameter></instance>";
        if (life.Configure(config.c_str(), nullptr, &response, &exception) != 0)
            throw std::runtime_error("BasaltConfigure: " + take(exception));
        take(response);
        for (int i = 0; i < kUsers; ++i) {
            tickets.push_back(ticketOf(passwordSignOn(i)));
            if (tickets.back().empty())
                throw std::runtime_error("no ticket for user" + std::to_string(i));
        }
    }

    std::string passwordSignOn(int user) {
        return authenticate(
            authenticateDocument(
                item("VORUsername", "user" + std::to_string(user)) + item("VORPassword", kPassword),
                ""),
            "password sign-on");
    }

    void ticketSignOn(int user) {
        authenticate(authenticateDocument("", item("AS_TICKET", tickets[user])), "ticket sign-on");
    }

    // The answer to an authenticate document; throws unless the provider accepts it.
    std::string authenticate(const std::string& doc, const char* what) {
        char* response = nullptr;
        const int32_t result = text.AuthenticateXml(doc.c_str(), &response);
        std::string answer = take(response);
        if (result != 0)
            throw std::runtime_error(std::string(what) + ": " + std::to_string(result) + " " +
                                     answer);
        return answer;
    }

    void stop() {
        char* exception = nullptr;
        if (life.Terminate)
            life.Terminate(nullptr, &exception);
        take(exception);
        directory.Stop();
    }
};

Setup g_setup;

// One thread's libldap connections.
struct Raw {
    LDAP* service = nullptr;
    LDAP* user = nullptr;
    std::string base;

    Raw() {
        service = bench::Connect(g_setup.env("RIDGE_URL"));
        user = bench::Connect(g_setup.env("RIDGE_URL"));
        if (bench::Bind(service, g_setup.env("RIDGE_SERVICE_DN"), g_setup.servicePassword) !=
            LDAP_SUCCESS)
            throw std::runtime_error("service bind");
        base = "ou=bench," + g_setup.env("RIDGE_BASE_DN");
    }
    ~Raw() {
        ldap_unbind_ext_s(service, nullptr, nullptr);
        ldap_unbind_ext_s(user, nullptr, nullptr);
    }
    // A search on the service connection: the first entry's DN ("" when none); *expiry (when
    // given) receives its ridgeTicketExpiry.
    std::string search(const std::string& from, int scope, const std::string& filter,
                       const char* const* attrs = kTicketAttributes,
                       std::string* expiry = nullptr) {
        LDAPMessage* res = nullptr;
        int rc =
            ldap_search_ext_s(service, from.c_str(), scope, filter.c_str(),
                              const_cast<char**>(attrs), 0, nullptr, nullptr, nullptr, 0, &res);
        std::string dn;
        if (rc == LDAP_SUCCESS) {
            if (LDAPMessage* e = ldap_first_entry(service, res)) {
                char* text = ldap_get_dn(service, e);
                dn = text;
                ldap_memfree(text);
                if (expiry) {
                    berval** values = ldap_get_values_len(service, e, "ridgeTicketExpiry");
                    if (values && values[0])
                        expiry->assign(values[0]->bv_val, values[0]->bv_len);
                    ldap_value_free_len(values);
                }
            }
        }
        ldap_msgfree(res);
        return dn;
    }
    static constexpr const char* kTicketAttributes[] = {
        "ridgeTicketOwner", "ridgeTicketClass", "ridgeTicketIssued", "ridgeTicketExpiry", nullptr};
    // What a sign-on reads of a user: what it checks and the user's record.
    static constexpr const char* kUserAttributes[] = {"ridgeAccountDisabled",
                                                      "pwdAccountLockedTime",
                                                      "ridgeId",
                                                      "cn",
                                                      "description",
                                                      "mail",
                                                      "telephoneNumber",
                                                      "givenName",
                                                      "sn",
                                                      "uid",
                                                      "ridgeContentLocale",
                                                      "ridgeProductLocale",
                                                      "ridgeBasicSignonId",
                                                      "ridgeOSSignon",
                                                      "ridgeDatabaseSignon",
                                                      "ridgePrivileges",
                                                      nullptr};
    static constexpr const char* kClassAttributes[] = {"ridgeId", "cn", "description", nullptr};
    std::string ticketDn(const std::string& id) {
        return "ridgeTicketId=" + id + ",ou=tickets," + base;
    }
    static std::string generalizedTime(std::time_t when) {
        char text[32];
        std::strftime(text, sizeof text, "%Y%m%d%H%M%SZ", std::gmtime(&when));
        return text;
    }
    void replaceExpiry(const std::string& dn) {
        std::string when = generalizedTime(std::time(nullptr) + 3600);
        char* values[] = {when.data(), nullptr};
        LDAPMod mod{LDAP_MOD_REPLACE, const_cast<char*>("ridgeTicketExpiry"), {values}};
        LDAPMod* mods[] = {&mod, nullptr};
        if (ldap_modify_ext_s(service, dn.c_str(), mods, nullptr, nullptr) != LDAP_SUCCESS)
            throw std::runtime_error("ticket refresh");
    }
    // A ticket entry issued and expiring at when; the LDAP result code.
    int addTicket(std::string id, std::string owner, std::time_t when) {
        std::string time = generalizedTime(when);
        char* oc[] = {const_cast<char*>("ridgeTicket"), nullptr};
        char* idv[] = {id.data(), nullptr};
        char* ov[] = {owner.data(), nullptr};
        char* tv[] = {time.data(), nullptr};
        LDAPMod m1{LDAP_MOD_ADD, const_cast<char*>("objectClass"), {oc}};
        LDAPMod m2{LDAP_MOD_ADD, const_cast<char*>("ridgeTicketId"), {idv}};
        LDAPMod m3{LDAP_MOD_ADD, const_cast<char*>("ridgeTicketOwner"), {ov}};
        LDAPMod m4{LDAP_MOD_ADD, const_cast<char*>("ridgeTicketIssued"), {tv}};
        LDAPMod m5{LDAP_MOD_ADD, const_cast<char*>("ridgeTicketExpiry"), {tv}};
        LDAPMod* mods[] = {&m1, &m2, &m3, &m4, &m5, nullptr};
        return ldap_add_ext_s(service, ticketDn(id).c_str(), mods, nullptr, nullptr);
    }
    void classesOf(const std::string& userDn) {
        if (search(base, LDAP_SCOPE_SUBTREE,
                   "(&(objectClass=ridgeClass)(uniqueMember=" + userDn + "))", kClassAttributes)
                .empty())
            throw std::runtime_error("class search");
    }

    void passwordSignOn(int i) {
        const std::string uid = "user" + std::to_string(i);
        const std::string dn =
            search(base, LDAP_SCOPE_SUBTREE, "(&(objectClass=ridgeUser)(uid=" + uid + "))",
                   kUserAttributes);
        if (dn.empty() || bench::Bind(user, dn, kPassword) != LDAP_SUCCESS)
            throw std::runtime_error("libldap sign-on");
        // A new ticket entry: random id, stored as given (the hash costs next to nothing).
        unsigned char random[16];
        RAND_bytes(random, sizeof random);
        char id[33];
        for (int b = 0; b < 16; ++b)
            std::snprintf(id + 2 * b, 3, "%02x", random[b]);
        if (addTicket(id, std::to_string(1000 + i), std::time(nullptr) + 3600) != LDAP_SUCCESS)
            throw std::runtime_error("ticket add");
        classesOf(dn);
    }

    void ticketSignOn(int i) {
        const std::string tdn = ticketDn("0000000000000000000000000000" + std::to_string(1000 + i));
        std::string expiry;
        if (search(tdn, LDAP_SCOPE_BASE, "(objectClass=ridgeTicket)", kTicketAttributes, &expiry)
                .empty())
            throw std::runtime_error("ticket read");
        const std::string dn =
            search(base, LDAP_SCOPE_SUBTREE,
                   "(&(objectClass=ridgeUser)(ridgeId=" + std::to_string(1000 + i) + "))",
                   kUserAttributes);
        if (dn.empty())
            throw std::runtime_error("user read");
        // Generalized times of one form compare as text.
        if (generalizedTime(std::time(nullptr) + 3600 - 60) > expiry)
            replaceExpiry(tdn);
        classesOf(dn);
    }
};

// Each thread signs on as users of its own (thread t takes users t, t + threads, ...).
void BM_PasswordSignOn_Basalt(benchmark::State& state) {
    int next = state.thread_index();
    for (auto _ : state) {
        g_setup.passwordSignOn(next % kUsers);
        next += state.threads();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_PasswordSignOn_Ldap(benchmark::State& state) {
    Raw raw;
    int next = state.thread_index();
    for (auto _ : state) {
        raw.passwordSignOn(next % kUsers);
        next += state.threads();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_TicketSignOn_Basalt(benchmark::State& state) {
    int next = state.thread_index();
    for (auto _ : state) {
        g_setup.ticketSignOn(next % kUsers);
        next += state.threads();
    }
    state.SetItemsProcessed(state.iterations());
}

// Ticket entries of known ids for the raw reads (made once, not timed).
void makeRawTickets(Raw& raw) {
    static std::once_flag made;
    std::call_once(made, [&] {
        for (int i = 0; i < kUsers; ++i)
            raw.addTicket("0000000000000000000000000000" + std::to_string(1000 + i),
                          std::to_string(1000 + i), std::time(nullptr) + 3600);
    });
}

void BM_TicketSignOn_Ldap(benchmark::State& state) {
    Raw raw;
    if (state.thread_index() == 0)
        makeRawTickets(raw);
    int next = state.thread_index();
    for (auto _ : state) {
        raw.ticketSignOn(next % kUsers);
        next += state.threads();
    }
    state.SetItemsProcessed(state.iterations());
}

// libldap's and the provider's sign-ons in turn, block after block, one thread then two: this
// machine's speed drifts by a third over the seconds between two benchmarks, so a ratio of
// medians taken apart can swing by more than the margin it is read against. Here every block of
// one side has a block of the other beside it; the ratios are those of the sums.
constexpr int kBlock = 40;  // sign-ons per thread in a block

// This process's CPU time so far (user and system, every thread), in seconds.
double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct BlockCost {
    double seconds = 0;
    double cpuSeconds = 0;  // of this process: the client's own work

    BlockCost& operator+=(const BlockCost& other) {
        seconds += other.seconds;
        cpuSeconds += other.cpuSeconds;
        return *this;
    }
};

// What threads take to sign on kBlock times each (thread t: users t, t + threads, ...).
BlockCost block(int threads, const std::function<void(int thread, int user)>& signOn) {
    const double cpu = processCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> workers;
    for (int t = 1; t < threads; ++t)
        workers.emplace_back([&, t] {
            for (int i = 0; i < kBlock; ++i)
                signOn(t, (t + i * threads) % kUsers);
        });
    for (int i = 0; i < kBlock; ++i)
        signOn(0, (i * threads) % kUsers);
    for (auto& w : workers)
        w.join();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            processCpuSeconds() - cpu};
}

// rawSignOn(raw, user) on the thread's own connections; ourSignOn(user) through the provider.
template <typename RawSignOn, typename OurSignOn>
void inTurn(benchmark::State& state, RawSignOn rawSignOn, OurSignOn ourSignOn) {
    Raw raws[2];
    makeRawTickets(raws[0]);
    BlockCost raw[2], ours[2];
    for (auto _ : state) {
        double seconds = 0;
        for (int threads = 1; threads <= 2; ++threads) {
            const BlockCost r = block(threads, [&](int t, int user) { rawSignOn(raws[t], user); });
            const BlockCost o = block(threads, [&](int, int user) { ourSignOn(user); });
            raw[threads - 1] += r;
            ours[threads - 1] += o;
            seconds += r.seconds + o.seconds;
        }
        state.SetIterationTime(seconds);
    }
    state.counters["ratio1"] = ours[0].seconds / raw[0].seconds;
    state.counters["ratio2"] = ours[1].seconds / raw[1].seconds;
    state.counters["rawGain"] = 2 * raw[0].seconds / raw[1].seconds;
    state.counters["oursGain"] = 2 * ours[0].seconds / ours[1].seconds;
    // Microseconds of client CPU per sign-on, one thread.
    const double signOns = static_cast<double>(state.iterations()) * kBlock;
    state.counters["rawCpuUs"] = raw[0].cpuSeconds * 1e6 / signOns;
    state.counters["oursCpuUs"] = ours[0].cpuSeconds * 1e6 / signOns;
}

void BM_PasswordSignOn_InTurn(benchmark::State& state) {
    inTurn(
        state, [](Raw& raw, int user) { raw.passwordSignOn(user); },
        [](int user) { g_setup.passwordSignOn(user); });
}

void BM_TicketSignOn_InTurn(benchmark::State& state) {
    inTurn(
        state, [](Raw& raw, int user) { raw.ticketSignOn(user); },
        [](int user) { g_setup.ticketSignOn(user); });
}

BENCHMARK(BM_PasswordSignOn_Ldap)->UseRealTime()->Threads(1)->Threads(2)->Repetitions(3);
BENCHMARK(BM_PasswordSignOn_Basalt)->UseRealTime()->Threads(1)->Threads(2)->Repetitions(3);
BENCHMARK(BM_TicketSignOn_Ldap)->UseRealTime()->Threads(1)->Threads(2)->Repetitions(3);
BENCHMARK(BM_TicketSignOn_Basalt)->UseRealTime()->Threads(1)->Threads(2)->Repetitions(3);
BENCHMARK(BM_PasswordSignOn_InTurn)->UseManualTime()->MinTime(4)->Repetitions(3);
BENCHMARK(BM_TicketSignOn_InTurn)->UseManualTime()->MinTime(4)->Repetitions(3);

void printRatios(const bench::MedianReporter& medians) {
    auto rate = [&](const char* kind, const char* who, int threads) {
        return medians.ItemsPerSecond(std::string("BM_") + kind + "SignOn_" + who, threads);
    };
    std::printf(
        "\nSign-ons per second (median), the provider against libldap doing the same "
        "directory operations:\n");
    for (const char* kind : {"Password", "Ticket"}) {
        for (int threads : {1, 2}) {
            const double ours = rate(kind, "Basalt", threads);
            const double raw = rate(kind, "Ldap", threads);
            if (ours > 0 && raw > 0)
                std::printf(
                    "  %-8s %d thread%s  provider %7.0f/s  libldap %7.0f/s  time "
                    "ratio %.2fx\n",
                    kind, threads, threads == 1 ? " " : "s", ours, raw, raw / ours);
        }
        const double gainOurs = rate(kind, "Basalt", 2) / rate(kind, "Basalt", 1);
        const double gainRaw = rate(kind, "Ldap", 2) / rate(kind, "Ldap", 1);
        std::printf("  %-8s 2 threads over 1: provider %.2fx, libldap %.2fx\n", kind, gainOurs,
                    gainRaw);
    }
    std::printf("Taken in turn, block after block (median of three):\n");
    for (const char* kind : {"Password", "Ticket"}) {
        const std::string name = std::string("BM_") + kind + "SignOn_InTurn";
        if (medians.Counter(name, "ratio1") > 0)
            std::printf(
                "  %-8s time ratio 1 thread %.2fx, 2 threads %.2fx; 2 threads over 1: provider "
                "%.2fx, libldap %.2fx\n",
                kind, medians.Counter(name, "ratio1"), medians.Counter(name, "ratio2"),
                medians.Counter(name, "oursGain"), medians.Counter(name, "rawGain"));
        if (medians.Counter(name, "rawCpuUs") > 0)
            std::printf(
                "  %-8s client CPU per sign-on (1 thread): provider %.0f us, libldap %.0f us\n",
                kind, medians.Counter(name, "oursCpuUs"), medians.Counter(name, "rawCpuUs"));
    }
}

}  // namespace

int main(int argc, char** argv) {
    return bench::RunOnDirectory(
        "bench_signon", argc, argv, [] { g_setup.start(); }, [] { g_setup.stop(); }, printRatios);
}
