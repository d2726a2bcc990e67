// The access library on two replicating directory servers (scripts/directory start-replicas in a
// temporary folder), with access.conf's failback_interval at 1 second:
//   failover: from the first server's SIGKILL to the first sign-on that succeeds (served by the
//             second), and to the first read of a handle signed on before the kill;
//   failback: from the first server answering again to the first call a handle makes there;
//   throughput: sign-ons per second with the two servers configured against the first alone
//             (the baseline), both healthy, interleaved rounds compared by their medians.
// Each event is repeated; the figures printed are the median and the worst of the repeats.
#include "BenchDirectory.h"

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
#include <thread>
#include <vector>

namespace {

using bench::Check;
using Clock = std::chrono::steady_clock;

constexpr const char* kApp = "bench_failover";
constexpr const char* kPassword = "Bench#2024";
constexpr int kRepeats = 5;
constexpr int kSignOnsPerRound = 200;
constexpr int kRounds = 5;

std::string benchLdif() {
    std::ostringstream l;
    l << "dn: ou=bench,@BASE_DN@\nobjectClass: organizationalUnit\nobjectClass: ridgeNamespace\n"
         "objectClass: ridgeFolder\nou: bench\nridgeId: 1\n\n"
         "dn: ou=tickets,ou=bench,@BASE_DN@\nobjectClass: organizationalUnit\nou: tickets\n\n";
    for (int i = 0; i < 4; ++i)
        l << "dn: uid=user" << i << ",ou=bench,@BASE_DN@\nobjectClass: inetOrgPerson\n"
          << "objectClass: ridgeUser\nuid: user" << i << "\ncn: User " << i
          << "\nsn: User\nridgeId: " << 1000 + i << "\nuserPassword: " << kPassword << "\n\n";
    return l.str();
}

struct Bench {
    bench::ScratchDirectory directory;
    std::vector<std::string> servers;

    void start() {
        servers = directory.StartReplicas("bench-failover", benchLdif());
        const std::string home = directory.env.at("RIDGE_TEST_HOME");
        std::ofstream(home + "/access.conf", std::ios::app) << "failback_interval = 1\n";
        std::string h = "TALVEX_HOME=" + home;
        const char* settings[] = {h.c_str(), nullptr};
        Check(AS_TesselProcessInitialize2(kApp, settings), "AS_TesselProcessInitialize2");
    }
    void stop() {
        AS_TesselProcessTerminate(kApp);
        directory.Stop();
    }

    void useServers(bool both) {
        const std::string& first = servers[0];
        std::string cfg =
            "<TESSEL_CONFIGURATION_6.7.0><DEFAULT_NAMESPACE>bench</DEFAULT_NAMESPACE>"
            "<LDAP><HOST>" +
            first.substr(0, first.find(':')) + "</HOST><PORT>" + first.substr(first.find(':') + 1) +
            "</PORT><BASE_DN>" + directory.env.at("RIDGE_BASE_DN") +
            "</BASE_DN><TIMEOUT>5</TIMEOUT>" +
            (both ? "<REPLICAS>" + servers[1] + "</REPLICAS>" : "") +
            "</LDAP></TESSEL_CONFIGURATION_6.7.0>";
        Check(AS_SetTemporaryRuntimeConfig(cfg.c_str(), static_cast<uint32_t>(cfg.size())),
              "AS_SetTemporaryRuntimeConfig");
    }
    static AS_Handle open() {
        AS_Handle h = 0;
        AS_Version version{0, AS_VERSION_WORD2, AS_VERSION_WORD3, AS_VERSION_WORD4};
        Check(AS_Init(version, &h, AS_INIT_FLAGS), "AS_Init");
        return h;
    }
    static int32_t signOn(AS_Handle h) {
        AS_ObjectId id = 0;
        return AS_AuthenticateUser2(h, "bench", "user0", kPassword, nullptr, &id, nullptr);
    }
    static std::string serverOf(AS_Handle h) {
        char server[128] = "";
        ASA_GetSessionServer(h, server, sizeof server);
        return server;
    }
    pid_t firstServerPid() const {
        std::ifstream in(directory.folder() / "server1" / "slapd.pid");
        pid_t pid = 0;
        in >> pid;
        return pid;
    }
};

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Median and worst of the figures (milliseconds), printed on one line.
void report(const char* what, std::vector<double> figures) {
    std::sort(figures.begin(), figures.end());
    std::printf("%-64s median %8.1f ms   worst %8.1f ms\n", what, figures[figures.size() / 2],
                figures.back());
}

}  // namespace

int main() {
    Bench b;
    try {
        b.start();
        b.useServers(true);
        std::vector<double> toSignOn, toRead, toReturn;
        for (int i = 0; i < kRepeats; ++i) {
            AS_Handle kept = b.open();
            Check(Bench::signOn(kept), "sign-on before the kill");
            uint32_t privileges = 0;
            // The kill and the clock start together; nothing waits for the script.
            const auto killed = Clock::now();
            kill(b.firstServerPid(), SIGKILL);
            AS_Handle fresh = b.open();
            while (Bench::signOn(fresh) != AS_OK)
                if (Clock::now() - killed > std::chrono::seconds(30))
                    throw std::runtime_error("no sign-on through the second server");
            toSignOn.push_back(ms(Clock::now() - killed));
            AS_Terminate(fresh);
            const auto keptStart = Clock::now();
            Check(ASA_GetSessionPrivileges(kept, &privileges), "read after the kill");
            toRead.push_back(ms(Clock::now() - keptStart) + toSignOn.back());

            std::remove((b.directory.folder() / "server1" / "slapd.pid").c_str());
            bench::RunCommand("'" + bench::DirectoryScript() + "' start-server '" +
                              b.directory.folder().string() + "' 1");
            const auto back = Clock::now();  // the script returns once the server answers
            while (Bench::serverOf(kept) != b.servers[0]) {
                if (Clock::now() - back > std::chrono::seconds(30))
                    throw std::runtime_error("the handle never returned to the first server");
                Check(ASA_GetSessionPrivileges(kept, &privileges), "read while returning");
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            toReturn.push_back(ms(Clock::now() - back));
            AS_Terminate(kept);
        }
        std::printf("\nTwo replicating servers, failback_interval = 1 s (%d repeats)\n", kRepeats);
        report("first server killed -> first sign-on through the second", toSignOn);
        report("first server killed -> signed-on handle's next read served", toRead);
        report("first server answers again -> handle served by it (interval 1 s)", toReturn);

        std::vector<double> one, two;
        for (int round = 0; round < kRounds; ++round) {
            for (bool both : {false, true}) {
                b.useServers(both);
                const auto start = Clock::now();
                for (int n = 0; n < kSignOnsPerRound; ++n) {
                    AS_Handle h = b.open();
                    Check(Bench::signOn(h), "sign-on");
                    AS_Terminate(h);
                }
                const double perSecond =
                    kSignOnsPerRound / std::chrono::duration<double>(Clock::now() - start).count();
                (both ? two : one).push_back(perSecond);
            }
        }
        std::sort(one.begin(), one.end());
        std::sort(two.begin(), two.end());
        const double base = one[one.size() / 2], replicated = two[two.size() / 2];
        std::printf("\nSign-ons per second (fresh handle each, median of %d rounds of %d)\n",
                    kRounds, kSignOnsPerRound);
        std::printf("  first server alone (baseline) %8.0f\n", base);
        std::printf("  two replicas configured       %8.0f   ratio %.2f\n", replicated,
                    replicated / base);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_failover: %s\n", e.what());
        b.stop();
        return 1;
    }
    b.stop();
    return 0;
}
