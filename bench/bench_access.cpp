// The access library against plain libldap doing the same work in the same run, on a directory
// of its own (scripts/directory in a temporary folder) with a folder of 100 users:
//   sign-on:  find the user by basic signon, then bind as the user (AS_AuthenticateUser2 on one
//             handle; libldap: a search on a service connection, a bind on a second one);
//   folder:   list the folder's users, then read each one by one (name size, then the record;
//             libldap: a one-level search for the ids, then a search per user for its record),
//             and, for reference, the whole folder in a single libldap search.
// Wall-clock time per operation (the server's work is the cost); the ratios are printed last.
#include "BenchDirectory.h"

#include <AccessAPI.h>
#include <benchmark/benchmark.h>
#include <ldap.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using bench::Check;

constexpr const char* kApp = "bench_access";
constexpr const char* kNs = "bench";
constexpr const char* kPassword = "Bench#2024";
constexpr AS_ObjectId kFolder = 20;
constexpr int kUsers = 100;

std::string folderDn(const std::string& base) {
    return "ou=Staff,ou=bench," + base;
}

std::string benchLdif() {
    std::ostringstream l;
    l << "dn: ou=bench,@BASE_DN@\nobjectClass: organizationalUnit\nobjectClass: ridgeNamespace\n"
         "objectClass: ridgeFolder\nou: bench\nridgeId: 1\n\n"
         "dn: ou=Staff,ou=bench,@BASE_DN@\nobjectClass: organizationalUnit\n"
         "objectClass: ridgeFolder\nou: Staff\nridgeId: "
      << kFolder << "\n\n";
    for (int i = 0; i < kUsers; ++i)
        l << "dn: uid=user" << i << ",ou=Staff,ou=bench,@BASE_DN@\nobjectClass: inetOrgPerson\n"
          << "objectClass: ridgeUser\nuid: user" << i << "\ncn: User " << i
          << "\nsn: User\ngivenName: Number " << i << "\nmail: user" << i
          << "@example.test\ntelephoneNumber: +1 555 0" << 100 + i << "\nridgeId: " << 1000 + i
          << "\ndescription: Staff member " << i << "\nuserPassword: " << kPassword << "\n\n";
    return l.str();
}

// The directory, the library's home and the connections every benchmark shares.
struct Setup {
    bench::ScratchDirectory directory;
    std::string servicePassword;
    AS_Handle handle = 0;
    LDAP* service = nullptr;  // libldap, bound as the service identity
    LDAP* user = nullptr;     // libldap, for the users' binds

    std::string env(const char* name) const { return directory.env.at(name); }

    void start() {
        directory.Start("bench-access", benchLdif(), false);
        servicePassword = directory.ServicePassword();

        std::string h = "TALVEX_HOME=" + directory.LibraryHome().string();
        const char* settings[] = {h.c_str(), nullptr};
        Check(AS_TesselProcessInitialize2(kApp, settings), "AS_TesselProcessInitialize2");
        std::string cfg =
            "<TESSEL_CONFIGURATION_6.7.0><DEFAULT_NAMESPACE>bench</DEFAULT_NAMESPACE>"
            "<LDAP><HOST>" +
            env("RIDGE_HOST") + "</HOST><PORT>" + env("RIDGE_PORT") + "</PORT><BASE_DN>" +
            env("RIDGE_BASE_DN") +
            "</BASE_DN><TIMEOUT>10</TIMEOUT></LDAP></TESSEL_CONFIGURATION_6.7.0>";
        Check(AS_SetTemporaryRuntimeConfig(cfg.c_str(), static_cast<uint32_t>(cfg.size())),
              "AS_SetTemporaryRuntimeConfig");
        AS_Version version{0, AS_VERSION_WORD2, AS_VERSION_WORD3, AS_VERSION_WORD4};
        Check(AS_Init(version, &handle, AS_INIT_FLAGS), "AS_Init");

        service = bench::Connect(env("RIDGE_URL"));
        bench::Bind(service, env("RIDGE_SERVICE_DN"), servicePassword);
        user = bench::Connect(env("RIDGE_URL"));
    }

    void stop() {
        if (service)
            ldap_unbind_ext_s(service, nullptr, nullptr);
        if (user)
            ldap_unbind_ext_s(user, nullptr, nullptr);
        if (handle)
            AS_Terminate(handle);
        AS_TesselProcessTerminate(kApp);
        directory.Stop();
    }

    // A search on the service connection; the entries' DNs and first values of the attributes.
    std::vector<std::map<std::string, std::string>> search(const std::string& base, int scope,
                                                           const std::string& filter,
                                                           std::vector<const char*> attrs) {
        attrs.push_back(nullptr);
        LDAPMessage* res = nullptr;
        int rc = ldap_search_ext_s(service, base.c_str(), scope, filter.c_str(),
                                   const_cast<char**>(attrs.data()), 0, nullptr, nullptr, nullptr,
                                   0, &res);
        std::vector<std::map<std::string, std::string>> out;
        for (LDAPMessage* e = ldap_first_entry(service, res); rc == LDAP_SUCCESS && e;
             e = ldap_next_entry(service, e)) {
            std::map<std::string, std::string> values;
            char* dn = ldap_get_dn(service, e);
            values["dn"] = dn;
            ldap_memfree(dn);
            for (const char* a : attrs) {
                if (!a)
                    break;
                berval** v = ldap_get_values_len(service, e, a);
                if (v && v[0])
                    values[a] = std::string(v[0]->bv_val, v[0]->bv_len);
                ldap_value_free_len(v);
            }
            out.push_back(std::move(values));
        }
        ldap_msgfree(res);
        if (rc != LDAP_SUCCESS)
            throw std::runtime_error(std::string("search: ") + ldap_err2string(rc));
        return out;
    }
};

Setup g_setup;

const std::vector<const char*> kRecord = {"cn",        "description", "mail",   "telephoneNumber",
                                          "givenName", "sn",          "ridgeId"};

void BM_SignOn_AccessAPI(benchmark::State& state) {
    for (auto _ : state) {
        AS_ObjectId id = 0;
        Check(AS_AuthenticateUser2(g_setup.handle, kNs, "user42", kPassword, nullptr, &id, nullptr),
              "AS_AuthenticateUser2");
        benchmark::DoNotOptimize(id);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_SignOn_Ldap(benchmark::State& state) {
    const std::string base = "ou=bench," + g_setup.env("RIDGE_BASE_DN");
    for (auto _ : state) {
        auto found = g_setup.search(base, LDAP_SCOPE_SUBTREE,
                                    "(&(objectClass=ridgeUser)(uid=user42))", {"ridgeId", "cn"});
        if (found.size() != 1 || bench::Bind(g_setup.user, found[0]["dn"], kPassword) != 0)
            throw std::runtime_error("libldap sign-on failed");
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations());
}

// Each pass starts with nothing kept: the handle signs on again (not timed), which empties its
// cache, so a pass never profits from the one before.
void BM_Folder_AccessAPI(benchmark::State& state) {
    std::vector<AS_ObjectId> ids(kUsers);
    for (auto _ : state) {
        state.PauseTiming();
        AS_ObjectId me = 0;
        Check(AS_AuthenticateUser2(g_setup.handle, kNs, "user0", kPassword, nullptr, &me, nullptr),
              "AS_AuthenticateUser2");
        state.ResumeTiming();
        uint32_t count = 0;
        Check(ASA_FindUserFolderUsersList(g_setup.handle, kFolder, 0, nullptr, &count), "count");
        Check(ASA_FindUserFolderUsersList(g_setup.handle, kFolder, kUsers, ids.data(), &count),
              "list");
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t size = 0;
            Check(ASA_FindObjectAttributeSize(g_setup.handle, ids[i], AS_OBJ_USER, AS_ATTR_NAME,
                                              &size),
                  "ASA_FindObjectAttributeSize");
            std::vector<char> name(size + 1);
            char description[AS_MAX_DESCRIPTION_SIZE], mail[AS_MAX_FIELD_SIZE],
                phone[AS_MAX_FIELD_SIZE], given[AS_MAX_FIELD_SIZE], surname[AS_MAX_FIELD_SIZE];
            Check(ASA_FindUserInfo4(g_setup.handle, ids[i], name.data(), description, mail, phone,
                                    nullptr, nullptr, given, surname),
                  "ASA_FindUserInfo4");
            benchmark::DoNotOptimize(name.data());
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Folder_Ldap(benchmark::State& state) {
    const std::string folder = folderDn(g_setup.env("RIDGE_BASE_DN"));
    const std::string ns = "ou=bench," + g_setup.env("RIDGE_BASE_DN");
    for (auto _ : state) {
        auto listed =
            g_setup.search(folder, LDAP_SCOPE_ONELEVEL, "(objectClass=ridgeUser)", {"ridgeId"});
        for (auto& entry : listed) {
            auto record = g_setup.search(
                ns, LDAP_SCOPE_SUBTREE,
                "(&(objectClass=ridgeUser)(ridgeId=" + entry["ridgeId"] + "))", kRecord);
            if (record.size() != 1)
                throw std::runtime_error("libldap read failed");
            benchmark::DoNotOptimize(record);
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Folder_LdapOneSearch(benchmark::State& state) {
    const std::string folder = folderDn(g_setup.env("RIDGE_BASE_DN"));
    for (auto _ : state) {
        auto all = g_setup.search(folder, LDAP_SCOPE_ONELEVEL, "(objectClass=ridgeUser)", kRecord);
        if (all.size() != kUsers)
            throw std::runtime_error("libldap listing failed");
        benchmark::DoNotOptimize(all);
    }
    state.SetItemsProcessed(state.iterations());
}

// Repeated and interleaved (see main), compared by their medians.
BENCHMARK(BM_SignOn_Ldap)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_SignOn_AccessAPI)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_Folder_Ldap)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_Folder_LdapOneSearch)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_Folder_AccessAPI)->UseRealTime()->Repetitions(5);

void printRatios(const bench::MedianReporter& medians) {
    std::printf(
        "\nAccessAPI against libldap doing the same work (median wall time per operation; "
        "above 1 means AccessAPI is faster):\n");
    auto ratio = [&](const char* what, const char* baseline, const char* ours) {
        const double b = medians.RealTime(baseline), o = medians.RealTime(ours);
        if (b <= 0 || o <= 0)
            return;
        std::printf("  %-52s %6.2fx  (AccessAPI %.0f/s, libldap %.0f/s)\n", what, b / o, 1e9 / o,
                    1e9 / b);
    };
    ratio("sign-ons per second", "BM_SignOn_Ldap", "BM_SignOn_AccessAPI");
    ratio("folder of 100 listed and read one by one", "BM_Folder_Ldap", "BM_Folder_AccessAPI");
    ratio("  (same, against one libldap search for the folder)", "BM_Folder_LdapOneSearch",
          "BM_Folder_AccessAPI");
}

}  // namespace

int main(int argc, char** argv) {
    // Interleaved repetitions unless the caller says otherwise.
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    bool given = false;
    for (int i = 1; i < argc; ++i)
        given =
            given || std::string(argv[i]).rfind("--benchmark_enable_random_interleaving", 0) == 0;
    if (!given)
        args.push_back(interleave.data());
    args.push_back(nullptr);
    return bench::RunOnDirectory(
        "bench_access", static_cast<int>(args.size()) - 1, args.data(), [] { g_setup.start(); },
        [] { g_setup.stop(); }, printRatios);
}
