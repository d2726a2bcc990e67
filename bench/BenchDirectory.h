// What the directory benchmarks share: a throwaway Ridge directory of their own (scripts/directory
// in a temporary folder), plain libldap connections for the baselines, the access library's
// status check, and a main that runs the benchmarks on that directory and prints, after the
// console output, ratios computed from each benchmark's median run.
#pragma once

#include <AccessAPI.h>
#include <benchmark/benchmark.h>
#include <ldap.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

// The source tree (scripts/directory, data/home); not __FILE__, which a compiler cache may have
// made relative.
inline const std::filesystem::path kSourceDir = BASALT_SOURCE_DIR;

inline std::string DirectoryScript() {
    return (kSourceDir / "scripts/directory").string();
}

inline void RunCommand(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        throw std::runtime_error("failed: " + command);
    }
}

// The NAME=value lines scripts/directory writes to <dir>/env (values may be single-quoted).
inline std::map<std::string, std::string> ReadEnv(const std::filesystem::path& path) {
    std::map<std::string, std::string> env;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        std::string value = line.substr(eq + 1);
        if (value.size() >= 2 && value.front() == '\'') {
            value = value.substr(1, value.size() - 2);
        }
        env[line.substr(0, eq)] = value;
    }
    return env;
}

// The "bench" namespace (basic sign-on, tickets kept) with a Staff folder of users user0..
// user<users - 1>, shown as "User <i>", all with one password; with staffGroup, a group "Staff"
// beside the folder holding them all.
inline std::string StaffLdif(int users, const std::string& password, bool staffGroup) {
    std::ostringstream l;
    l << "dn: ou=bench,@BASE_DN@\nobjectClass: organizationalUnit\nobjectClass: ridgeNamespace\n"
         "objectClass: ridgeFolder\nou: bench\nridgeId: 1\nridgeAuthModes: basic\n"
         "ridgeProductLocale: en-us\nridgeContentLocale: en-us\n\n"
         "dn: ou=tickets,ou=bench,@BASE_DN@\nobjectClass: organizationalUnit\nou: tickets\n\n"
         "dn: ou=Staff,ou=bench,@BASE_DN@\nobjectClass: organizationalUnit\n"
         "objectClass: ridgeFolder\nou: Staff\nridgeId: 20\n\n";
    for (int i = 0; i < users; ++i) {
        l << "dn: uid=user" << i << ",ou=Staff,ou=bench,@BASE_DN@\nobjectClass: inetOrgPerson\n"
          << "objectClass: ridgeUser\nuid: user" << i << "\ncn: User " << i
          << "\nsn: User\nridgeId: " << 1000 + i << "\nridgeBasicSignonId: " << 5000 + i
          << "\nuserPassword: " << password << "\n\n";
    }
    if (staffGroup) {
        l << "dn: cn=Staff,ou=bench,@BASE_DN@\nobjectClass: groupOfUniqueNames\n"
             "objectClass: ridgeClass\ncn: Staff\nridgeId: 100\n";
        for (int i = 0; i < users; ++i) {
            l << "uniqueMember: uid=user" << i << ",ou=Staff,ou=bench,@BASE_DN@\n";
        }
        l << "\n";
    }
    return l.str();
}

// A directory in a new temporary folder, loaded from one LDIF text; Stop removes it all.
struct ScratchDirectory {
    std::filesystem::path work;
    std::map<std::string, std::string> env;

    // startArguments: "start", or "start-replicas" with the server count after the folder.
    // withHome: also a copy of data/home naming the directory's service identity
    // (RIDGE_TEST_HOME in env).
    void Start(const std::string& name, const std::string& ldif, bool withHome,
               const std::string& command = "start", const std::string& serverCount = "") {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (name + "-XXXXXX")).string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("no temporary folder");
        }
        work = pattern;
        std::ofstream(work / "bench.ldif") << ldif;
        const std::string home =
            withHome ? "RIDGE_HOME_SOURCE='" + (kSourceDir / "data/home").string() + "' " : "";
        RunCommand(home + "'" + DirectoryScript() + "' " + command + " '" + folder().string() +
                   "' " + serverCount + " '" + (work / "bench.ldif").string() + "' >/dev/null");
        env = ReadEnv(folder() / "env");
    }

    void Stop() {
        if (work.empty()) {
            return;
        }
        std::system(
            ("'" + DirectoryScript() + "' stop '" + folder().string() + "' >/dev/null").c_str());
        std::filesystem::remove_all(work);
        work.clear();
    }

    // The folder scripts/directory runs the servers in.
    std::filesystem::path folder() const { return work / "dir"; }

    std::string ServicePassword() const {
        std::ifstream in(env.at("RIDGE_SERVICE_PASSWORD_FILE"));
        std::string line;
        std::getline(in, line);
        return line;
    }

    // Two replicating servers (start-replicas) with a home (RIDGE_TEST_HOME); their host:port,
    // the first one first.
    std::vector<std::string> StartReplicas(const std::string& name, const std::string& ldif) {
        Start(name, ldif, true, "start-replicas", "2");
        std::istringstream list(env.at("RIDGE_SERVERS"));
        std::vector<std::string> servers;
        for (std::string s; list >> s;) {
            servers.push_back(s);
        }
        return servers;
    }

    // A home of the access library's own below the work folder: the texts, and access.conf
    // naming the directory's service identity. Its path.
    std::filesystem::path LibraryHome() const {
        const std::filesystem::path home = work / "home";
        std::filesystem::create_directory(home);
        for (const char* f : {"ridge_tlxlang.tab", "srvcmsgs_en.msg", "srvcmsgs_fr.msg"}) {
            std::filesystem::copy_file(kSourceDir / "data/home" / f, home / f);
        }
        std::ofstream(home / "access.conf")
            << "service_dn = " << env.at("RIDGE_SERVICE_DN")
            << "\nservice_password_file = " << env.at("RIDGE_SERVICE_PASSWORD_FILE") << "\n";
        return home;
    }
};

// Throws with the access library's English message unless status is AS_OK.
inline void Check(int32_t status, const char* call) {
    if (status != AS_OK) {
        char text[512] = "";
        AS_GetLastErrorMsgWithLang(text, sizeof text, "en");
        throw std::runtime_error(std::string(call) + ": " + std::to_string(status) + " " + text);
    }
}

// A libldap v3 connection (not yet bound); the caller unbinds it.
inline LDAP* Connect(const std::string& url) {
    LDAP* ld = nullptr;
    if (ldap_initialize(&ld, url.c_str()) != LDAP_SUCCESS) {
        throw std::runtime_error("ldap_initialize");
    }
    int version = LDAP_VERSION3;
    ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
    return ld;
}

// A simple bind; the LDAP result code.
inline int Bind(LDAP* ld, const std::string& dn, const std::string& password) {
    berval cred{static_cast<ber_len_t>(password.size()), const_cast<char*>(password.data())};
    return ldap_sasl_bind_s(ld, dn.c_str(), LDAP_SASL_SIMPLE, &cred, nullptr, nullptr, nullptr);
}

// Keeps each benchmark's median run, by function name and thread count, for the ratios printed
// after the console output (repetitions are compared by their medians: the machine is shared,
// a single run would mostly measure what the neighbours did at the time).
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                m_medians[Key(run.run_name.function_name, static_cast<int>(run.threads))] = run;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // Median wall time per iteration in nanoseconds; 0 when the benchmark did not run.
    double RealTime(const std::string& function, int threads = 1) const {
        auto it = m_medians.find(Key(function, threads));
        return it == m_medians.end() ? 0.0 : it->second.GetAdjustedRealTime();
    }

    // Median items per second; 0 when the benchmark did not run or counted no items.
    double ItemsPerSecond(const std::string& function, int threads = 1) const {
        auto it = m_medians.find(Key(function, threads));
        if (it == m_medians.end()) {
            return 0.0;
        }
        auto rate = it->second.counters.find("items_per_second");
        return rate == it->second.counters.end() ? 0.0 : static_cast<double>(rate->second);
    }

    // A counter of the median run; 0 when the benchmark did not run or has no such counter.
    double Counter(const std::string& function, const std::string& counter, int threads = 1) const {
        auto it = m_medians.find(Key(function, threads));
        if (it == m_medians.end()) {
            return 0.0;
        }
        auto value = it->second.counters.find(counter);
        return value == it->second.counters.end() ? 0.0 : static_cast<double>(value->second);
    }

private:
    static std::string Key(const std::string& function, int threads) {
        return function + "/" + std::to_string(threads);
    }
    std::map<std::string, Run> m_medians;
};

// The whole main of a directory benchmark: runs what the command line selects between start()
// and stop(), then printRatios with the medians; a failure is reported as "<program>: <what>".
inline int RunOnDirectory(const char* program, int argc, char** argv,
                          const std::function<void()>& start, const std::function<void()>& stop,
                          const std::function<void(const MedianReporter&)>& printRatios) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    int status = 0;
    try {
        start();
        MedianReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        printRatios(reporter);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", program, e.what());
        status = 1;
    }
    stop();
    benchmark::Shutdown();
    return status;
}

}  // namespace bench
