// The offline sign-on cache on two replicating directory servers (scripts/directory
// start-replicas in a temporary folder), with the verifier's default cost:
//   online: password sign-ons per second with the cache on against off (the baseline), in
//           interleaved rounds, each in a process state of its own (initialised with a home that
//           has offline_days, or one that has not) after every user signed on once and the
//           refreshes that queued were written: the steady state of a host that runs for hours;
//   first:  the background work the first sign-on of each user in a process costs (a verifier
//           checked or written), as the time until the queue is empty;
//   offline: with both servers killed, a fresh process state, sign-ons by password against the
//           cache: median and p99;
//   size:   the cache file's size per user kept.
#include "BenchDirectory.h"
#include "OfflineCache.h"
#include "Process.h"

#include <AccessAPI.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using bench::Check;
using Clock = std::chrono::steady_clock;

constexpr const char* kApp = "bench_offline";
constexpr const char* kPassword = "Bench#2024";
constexpr int kUsers = 100;
constexpr int kSignOnsPerRound = 300;
constexpr int kRounds = 7;
constexpr int kOfflineSignOns = 100;

std::string benchLdif() {
    std::ostringstream l;
    l << "dn: ou=bench,@BASE_DN@\nobjectClass: organizationalUnit\nobjectClass: ridgeNamespace\n"
         "objectClass: ridgeFolder\nou: bench\nridgeId: 1\n\n"
         "dn: ou=tickets,ou=bench,@BASE_DN@\nobjectClass: organizationalUnit\nou: tickets\n\n"
         "dn: ou=Staff,ou=bench,@BASE_DN@\nobjectClass: organizationalUnit\nobjectClass: "
         "ridgeFolder\nou: Staff\nridgeId: 2\n\n"
         "dn: cn=Everyone,ou=bench,@BASE_DN@\nobjectClass: groupOfUniqueNames\nobjectClass: "
         "ridgeClass\ncn: Everyone\nridgeId: 3\n";
    for (int i = 0; i < kUsers; ++i)
        l << "uniqueMember: uid=user" << i << ",ou=Staff,ou=bench,@BASE_DN@\n";
    l << "\n";
    for (int i = 0; i < kUsers; ++i)
        l << "dn: uid=user" << i << ",ou=Staff,ou=bench,@BASE_DN@\nobjectClass: inetOrgPerson\n"
          << "objectClass: ridgeUser\nuid: user" << i << "\ncn: User " << i
          << "\nsn: User\nmail: user" << i << "@example.test\nridgeId: " << 1000 + i
          << "\nuserPassword: " << kPassword << "\n\n";
    return l.str();
}

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Bench {
    bench::ScratchDirectory directory;
    std::vector<std::string> servers;
    std::string homeOff, homeOn;
    bool initialised = false;

    void start() {
        servers = directory.StartReplicas("bench-offline", benchLdif());
        homeOff = directory.env.at("RIDGE_TEST_HOME");
        homeOn = (directory.work / "home-offline").string();
        std::filesystem::copy(homeOff, homeOn, std::filesystem::copy_options::recursive);
        std::ofstream(homeOn + "/access.conf", std::ios::app) << "offline_days = 3\n";
    }
    void initialise(const std::string& home) {
        finish();
        std::string h = "TALVEX_HOME=" + home;
        const char* settings[] = {h.c_str(), nullptr};
        Check(AS_TesselProcessInitialize2(kApp, settings), "AS_TesselProcessInitialize2");
        initialised = true;
        const std::string& first = servers[0];
        std::string cfg =
            "<TESSEL_CONFIGURATION_6.7.0><DEFAULT_NAMESPACE>bench</DEFAULT_NAMESPACE>"
            "<LDAP><HOST>" +
            first.substr(0, first.find(':')) + "</HOST><PORT>" + first.substr(first.find(':') + 1) +
            "</PORT><BASE_DN>" + directory.env.at("RIDGE_BASE_DN") +
            "</BASE_DN><TIMEOUT>5</TIMEOUT><REPLICAS>" + servers[1] +
            "</REPLICAS></LDAP></TESSEL_CONFIGURATION_6.7.0>";
        Check(AS_SetTemporaryRuntimeConfig(cfg.c_str(), static_cast<uint32_t>(cfg.size())),
              "AS_SetTemporaryRuntimeConfig");
    }
    // Terminating waits for the refreshes queued (the cache is drained at the end).
    void finish() {
        if (initialised)
            AS_TesselProcessTerminate(kApp);
        initialised = false;
    }
    void stop() {
        finish();
        directory.Stop();
    }

    static int32_t signOn(int user) {
        AS_Handle h = 0;
        AS_Version version{0, AS_VERSION_WORD2, AS_VERSION_WORD3, AS_VERSION_WORD4};
        Check(AS_Init(version, &h, AS_INIT_FLAGS), "AS_Init");
        AS_ObjectId id = 0;
        const std::string name = "user" + std::to_string(user);
        const int32_t status =
            AS_AuthenticateUser2(h, "bench", name.c_str(), kPassword, nullptr, &id, nullptr);
        AS_Terminate(h);
        return status;
    }
    // Every user once, then the time until the background work they queued is done: what a
    // process's first sign-on of each user costs beside the answer (a verifier written, or
    // checked once the cache holds one).
    double warmUp(const std::string& home) {
        initialise(home);
        for (int u = 0; u < kUsers; ++u)
            Check(signOn(u), "warm-up sign-on");
        const auto start = Clock::now();
        if (auto cache = ridge::access::Process::instance().offlineCache())
            cache->drain();
        return ms(Clock::now() - start);
    }
    pid_t serverPid(int i) const {
        std::ifstream in(directory.folder() / ("server" + std::to_string(i)) / "slapd.pid");
        pid_t pid = 0;
        in >> pid;
        return pid;
    }
};

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())))];
}

}  // namespace

int main() {
    Bench b;
    try {
        b.start();
        std::vector<double> off, on, firstDrain;
        for (int round = 0; round < kRounds; ++round) {
            // Which goes first changes every round, so that a slow stretch of the machine
            // weighs on both.
            for (bool cached : {round % 2 == 1, round % 2 == 0}) {
                const double drained = b.warmUp(cached ? b.homeOn : b.homeOff);
                if (cached)
                    firstDrain.push_back(drained);
                const auto start = Clock::now();
                for (int n = 0; n < kSignOnsPerRound; ++n)
                    Check(Bench::signOn(n % kUsers), "sign-on");
                const double perSecond =
                    kSignOnsPerRound / std::chrono::duration<double>(Clock::now() - start).count();
                (cached ? on : off).push_back(perSecond);
                b.finish();
            }
        }
        const double base = percentile(off, 0.5), cachedRate = percentile(on, 0.5);
        std::printf(
            "\nOnline password sign-ons per second, two replicas (median of %d rounds of "
            "%d, fresh handle each)\n",
            kRounds, kSignOnsPerRound);
        std::printf("  offline cache off (baseline) %8.0f\n", base);
        std::printf("  offline cache on             %8.0f   time ratio %.3f\n", cachedRate,
                    base / cachedRate);
        std::printf(
            "  background work after the first sign-on of %d users in a process: "
            "median %.0f ms\n",
            kUsers, percentile(firstDrain, 0.5));

        const auto size = std::filesystem::file_size(b.homeOn + "/cache/data.mdb");
        std::printf("\nCache file %ju bytes for %d users: %.0f bytes per user\n",
                    static_cast<uintmax_t>(size), kUsers, static_cast<double>(size) / kUsers);

        kill(b.serverPid(1), SIGKILL);
        kill(b.serverPid(2), SIGKILL);
        b.initialise(b.homeOn);
        std::vector<double> offline;
        for (int n = 0; n < kOfflineSignOns; ++n) {
            const auto start = Clock::now();
            Check(Bench::signOn(n % kUsers), "offline sign-on");
            offline.push_back(ms(Clock::now() - start));
        }
        std::printf("\nOffline sign-on, both servers killed (%d, default Argon2id cost)\n",
                    kOfflineSignOns);
        std::printf("  median %.1f ms   p99 %.1f ms\n", percentile(offline, 0.5),
                    percentile(offline, 0.99));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_offline: %s\n", e.what());
        b.stop();
        return 1;
    }
    b.stop();
    return 0;
}
