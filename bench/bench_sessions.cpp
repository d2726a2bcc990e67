// Many sessions in one process: 10,000 handles, each signed on by password and reading its user
// once, all kept open, on a directory of its own (scripts/directory in a temporary folder) with
// 100 users. Reports the connections the process holds to the server, the growth of its
// resident memory per open session, and the sign-on rate of each thousand against the first
// 100 sessions'. Times with its own clock (one pass: the figures are counts and rates over
// thousands of sign-ons, not a repeated operation).
//
//   bench_sessions [sessions]   (default 10000)
#include "BenchDirectory.h"
#include "Connections.h"

#include <AccessAPI.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kApp = "bench_sessions";
constexpr const char* kPassword = "Bench#2024";
constexpr int kUsers = 100;

std::string benchLdif() {
    std::ostringstream l;
    l << "dn: ou=bench,@BASE_DN@\nobjectClass: organizationalUnit\nobjectClass: ridgeNamespace\n"
         "objectClass: ridgeFolder\nou: bench\nridgeId: 1\n\n"
         "dn: ou=Staff,ou=bench,@BASE_DN@\nobjectClass: organizationalUnit\n"
         "objectClass: ridgeFolder\nou: Staff\nridgeId: 20\n\n";
    for (int i = 0; i < kUsers; ++i)
        l << "dn: uid=user" << i << ",ou=Staff,ou=bench,@BASE_DN@\nobjectClass: inetOrgPerson\n"
          << "objectClass: ridgeUser\nuid: user" << i << "\ncn: Staff Member " << i % 50
          << "\nsn: Member\nridgeId: " << 1000 + i << "\nridgeBasicSignonId: " << 5000 + i
          << "\nuserPassword: " << kPassword << "\n\n";
    return l.str();
}

void check(int32_t status, const char* what) {
    if (status != AS_OK)
        throw std::runtime_error(std::string(what) + ": " + std::to_string(status));
}

// Resident memory of the process, bytes.
long residentBytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

}  // namespace

int main(int argc, char** argv) {
    const size_t sessions = argc > 1 ? std::stoul(argv[1]) : 10000;
    bench::ScratchDirectory directory;
    try {
        directory.Start("bench-sessions", benchLdif(), false);
        const auto env = [&](const char* name) { return directory.env.at(name); };
        std::string h = "TALVEX_HOME=" + directory.LibraryHome().string();
        const char* settings[] = {h.c_str(), nullptr};
        check(AS_TesselProcessInitialize2(kApp, settings), "AS_TesselProcessInitialize2");
        const std::string cfg =
            "<TESSEL_CONFIGURATION_6.7.0><DEFAULT_NAMESPACE>bench</DEFAULT_NAMESPACE><LDAP><HOST>" +
            env("RIDGE_HOST") + "</HOST><PORT>" + env("RIDGE_PORT") + "</PORT><BASE_DN>" +
            env("RIDGE_BASE_DN") + "</BASE_DN><TIMEOUT>10</TIMEOUT></LDAP>" +
            "</TESSEL_CONFIGURATION_6.7.0>";
        check(AS_SetTemporaryRuntimeConfig(cfg.c_str(), static_cast<uint32_t>(cfg.size())),
              "AS_SetTemporaryRuntimeConfig");
        const AS_Version version{0, AS_VERSION_WORD2, AS_VERSION_WORD3, AS_VERSION_WORD4};

        std::vector<AS_Handle> handles;
        handles.reserve(sessions);
        long rssAfterFirst = 0;
        double firstRate = 0;
        auto blockStart = Clock::now();
        size_t lastMark = 0;
        std::vector<std::pair<size_t, double>> rates;  // (sessions open, sign-ons per second)
        for (size_t i = 0; i < sessions; ++i) {
            AS_Handle handle = 0;
            check(AS_Init(version, &handle, AS_INIT_FLAGS), "AS_Init");
            handles.push_back(handle);
            const std::string user = "user" + std::to_string(i % kUsers);
            AS_ObjectId id = 0;
            check(AS_AuthenticateUser2(handle, "bench", user.c_str(), kPassword, nullptr, &id,
                                       nullptr),
                  "AS_AuthenticateUser2");
            char name[AS_MAX_NAME_SIZE];
            check(ASA_FindUserInfo(handle, id, name, nullptr, nullptr), "ASA_FindUserInfo");
            const size_t open = i + 1;
            if (open == 100 || (open > 100 && open % 1000 == 0) || open == sessions) {
                const double seconds =
                    std::chrono::duration<double>(Clock::now() - blockStart).count();
                const double rate = static_cast<double>(open - lastMark) / seconds;
                lastMark = open;
                if (open == 100) {
                    firstRate = rate;
                    rssAfterFirst = residentBytes();
                }
                rates.emplace_back(open, rate);
                blockStart = Clock::now();
            }
        }
        const long rssAll = residentBytes();
        const size_t connections = ridge_test::connectionsTo(env("RIDGE_PORT"));
        for (AS_Handle handle : handles)
            AS_Terminate(handle);
        const size_t afterLogoff = ridge_test::connectionsTo(env("RIDGE_PORT"));
        AS_TesselProcessTerminate(kApp);

        std::printf("sessions signed on and each read once: %zu\n", sessions);
        std::printf("connections to the server with every session open: %zu (after logoff: %zu)\n",
                    connections, afterLogoff);
        if (sessions > 100)
            std::printf("resident memory per open session (after the first 100): %.2f KB\n",
                        static_cast<double>(rssAll - rssAfterFirst) / 1024.0 /
                            static_cast<double>(sessions - 100));
        for (const auto& [open, rate] : rates)
            std::printf("sign-ons/s up to %6zu open: %8.0f  (%.2fx the first 100's)\n", open, rate,
                        rate / firstRate);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_sessions: %s\n", e.what());
        directory.Stop();
        return 1;
    }
    directory.Stop();
    return 0;
}
