// Long runs of the provider in one process, for leaks and growth (scripts/soak; ctest runs a short
// one). Two phases against the directory RIDGE_TEST_ENV names:
//   cycles:   initialise, configure, sign on, search, log off, terminate, again and again; every
//             block the provider allocated must have come back, and no descriptor may stay open;
//   requests: one configured provider answering sign-on, search and logoff requests; resident
//             memory and open descriptors are reported as it goes, and growth after the warm-up
//             (the first tenth) is measured.
//
//   provider_soak [--cycles N] [--requests N] [--reports N] [--max-rss-growth PERCENT]
//
// Exits 0 when nothing was lost, no call failed and (when --max-rss-growth is given) memory grew
// no more than that after the warm-up; 1 otherwise. Under LeakSanitizer a leak fails the exit too.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <string>

#include "HostAllocator.h"
#include "HostCalls.h"
#include "RidgeTestDirectory.h"

namespace {

using namespace host_calls;

constexpr const char* kNamespace = "soakns";
constexpr const char* kUser = "alice";
constexpr const char* kPassword = "Secret#2024";

long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

// The process's open descriptors: what each points at.
std::multiset<std::string> Descriptors() {
    std::multiset<std::string> targets;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        targets.insert(std::filesystem::read_symlink(entry.path(), error).string());
    }
    return targets;
}

int OpenDescriptors() {
    return static_cast<int>(Descriptors().size());
}

// Names the descriptors open now that were not open before.
void ReportNewDescriptors(const std::multiset<std::string>& before) {
    std::multiset<std::string> added;
    const auto now = Descriptors();
    std::set_difference(now.begin(), now.end(), before.begin(), before.end(),
                        std::inserter(added, added.begin()));
    for (const std::string& target : added) {
        std::printf("  opened and not closed: %s\n", target.c_str());
    }
}

struct Options {
    long cycles = 1000;
    long requests = 100000;
    int reports = 10;
    double maxRssGrowth = -1;  // percent; negative: report only
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const char* value = argv[i + 1];
        if (name == "--cycles") {
            options.cycles = std::atol(value);
        } else if (name == "--requests") {
            options.requests = std::atol(value);
        } else if (name == "--reports") {
            options.reports = std::max(1, std::atoi(value));
        } else if (name == "--max-rss-growth") {
            options.maxRssGrowth = std::atof(value);
        } else {
            return false;
        }
    }
    return argc % 2 == 1;
}

class Soak {
public:
    Soak(const ridge_test::RidgeTestDirectory& env, ProviderLibrary& lib)
        : m_env(env), m_lib(lib) {}

    bool Start() {
        const std::string info = AdditionalInfo();
        if (!Expect(m_lib.initialize(info).code == 0, "initialize")) {
            return false;
        }
        const auto configured = m_lib.configure(
            Configuration(kNamespace, m_env.hostPort(), m_env.baseDn(), "ridgetest"), info);
        return Expect(configured.code == 0, "configure: " + configured.exception.value_or(""));
    }

    bool Stop() { return Expect(m_lib.terminate(AdditionalInfo()).code == 0, "terminate"); }

    // Sign-on, a root listing and logoff: three requests.
    void Round() {
        const SignOnReply signedOn = Logon(m_lib, kNamespace, kUser, kPassword);
        Problems(signedOn.problems);
        if (!Expect(signedOn.code == 0, "logon: " + signedOn.text)) {
            return;
        }
        const SearchReply listing = Search(m_lib, signedOn.Visa(), Vorid(kNamespace) + "/*");
        Problems(listing.problems);
        Expect(listing.code == 0 && listing.rows.size() >= 2, "search: " + listing.exception);
        const SignOnReply off = Logoff(m_lib, kNamespace, signedOn.Visa());
        Problems(off.problems);
        Expect(off.code == 0, "logoff: " + off.text);
    }

    long Failures() const { return m_failures; }

    bool Expect(bool ok, const std::string& what) {
        if (!ok && ++m_failures <= 5) {
            std::cerr << "soak: " << what << '\n';
        }
        return ok;
    }

private:
    static std::string AdditionalInfo() {
        return basalt_host::additionalInfoDocument("en-us", "en-us");
    }
    void Problems(const std::vector<std::string>& problems) {
        for (const std::string& problem : problems) {
            Expect(false, problem);
        }
    }

    const ridge_test::RidgeTestDirectory& m_env;
    ProviderLibrary& m_lib;
    long m_failures = 0;
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::cerr << "usage: provider_soak [--cycles N] [--requests N] [--reports N] "
                     "[--max-rss-growth PERCENT]\n";
        return 2;
    }
    const auto env = ridge_test::RidgeTestDirectory::fromEnvironment();
    if (!env.available() || env.testHome().empty()) {
        std::cerr << "soak: RIDGE_TEST_ENV names no test directory with a home\n";
        return 2;
    }
    const std::string home = env.copyTestHome("basalt-soak-home-");
    setenv("BASALT_HOME", home.c_str(), 1);
    bool ok = true;
    {
        basalt_host::XercesSession xerces;
        ProviderLibrary lib(BASALT_LIBRARY_PATH);
        Soak soak(env, lib);

        // Phase 1: whole lives of the provider. What the first one opens for the rest of the
        // process (the audit logger's file, when the home's logging.conf names one) is named,
        // and the count is taken from there.
        const auto openAtStart = Descriptors();
        const long rssBefore = ResidentKilobytes();
        std::multiset<std::string> openBefore;
        for (long cycle = 0; cycle < options.cycles && soak.Failures() == 0; ++cycle) {
            if (soak.Start()) {
                soak.Round();
            }
            soak.Stop();
            if (cycle == 0) {
                std::printf("first cycle:\n");
                ReportNewDescriptors(openAtStart);
                openBefore = Descriptors();
            }
        }
        const basalt_host::BlockCounts cycled = basalt_host::blockCounts();
        const int descriptorsBefore = static_cast<int>(openBefore.size());
        const int descriptorsCycled = OpenDescriptors();
        std::printf(
            "cycles: %ld; blocks allocated %llu, freed %llu; descriptors after the first %d, "
            "after the last %d; RSS %ld kB -> %ld kB\n",
            options.cycles, static_cast<unsigned long long>(cycled.allocated),
            static_cast<unsigned long long>(cycled.freed), descriptorsBefore, descriptorsCycled,
            rssBefore, ResidentKilobytes());
        ok = soak.Expect(cycled.allocated == cycled.freed, "blocks not handed back") && ok;
        ReportNewDescriptors(openBefore);
        ok = soak.Expect(descriptorsCycled == descriptorsBefore, "descriptors left open") && ok;

        // Phase 2: one provider, many requests (three per round).
        if (options.requests > 0 && soak.Start()) {
            const long rounds = std::max(1L, options.requests / 3);
            const long warmUp = std::max(1L, rounds / 10);
            const long every = std::max(1L, rounds / options.reports);
            long rssWarm = 0;
            int descriptorsWarm = 0;
            for (long round = 1; round <= rounds && soak.Failures() == 0; ++round) {
                soak.Round();
                if (round == warmUp) {
                    rssWarm = ResidentKilobytes();
                    descriptorsWarm = OpenDescriptors();
                }
                if (round % every == 0 || round == rounds) {
                    std::printf("requests %ld: RSS %ld kB, descriptors %d\n", round * 3,
                                ResidentKilobytes(), OpenDescriptors());
                    std::fflush(stdout);
                }
            }
            const long rssEnd = ResidentKilobytes();
            const double growth = rssWarm > 0 ? 100.0 * (rssEnd - rssWarm) / rssWarm : 0.0;
            std::printf(
                "after warm-up (%ld requests): RSS %ld kB -> %ld kB (%+.2f %%), "
                "descriptors %d -> %d\n",
                warmUp * 3, rssWarm, rssEnd, growth, descriptorsWarm, OpenDescriptors());
            ok = soak.Expect(OpenDescriptors() == descriptorsWarm, "descriptors grew") && ok;
            if (options.maxRssGrowth >= 0) {
                ok = soak.Expect(growth <= options.maxRssGrowth, "resident memory grew") && ok;
            }
            soak.Stop();
        }
        const basalt_host::BlockCounts end = basalt_host::blockCounts();
        ok = soak.Expect(end.allocated == end.freed, "blocks not handed back") && ok;
        ok = soak.Failures() == 0 && ok;
    }
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    std::printf("soak: %s\n", ok ? "nothing lost" : "FAILED");
    return ok ? 0 : 1;
}
