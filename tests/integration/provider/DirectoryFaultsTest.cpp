// The provider through its tables while its directory server fails under it: killed and started
// again in the middle of sign-ons and searches from several threads, a server that accepts
// connections and never answers, and stopped with SIGSTOP. Calls must fail with negative result
// codes and readable documents while the server is gone, the namespace must serve again once it is
// back, no call may wait much past the namespace's timeOut, and no descriptor may be left behind.
// The tests run a slapd of their own (scripts/directory), so that they can kill and stop it.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "Connections.h"
#include "HostAllocator.h"
#include "HostedProvider.h"
#include "RidgeTestDirectory.h"
#include "StallingProxy.h"
#include "StoppedProcess.h"

namespace {

namespace fs = std::filesystem;
using namespace host_calls;
using Clock = std::chrono::steady_clock;

constexpr const char* kNamespace = "faultns";
constexpr const char* kPassword = "Secret#2024";
constexpr int kTimeout = 2;  // the namespaces' timeOut, in seconds

int Shell(const std::string& command) {
    return std::system(command.c_str());
}

int OpenDescriptors() {
    return static_cast<int>(ridge_test::openDescriptors());
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A call that must give up on an unresponsive server: within a few timeouts (a call may make
// more than one directory request before it notices), with a wide margin for a loaded machine.
constexpr double kGiveUpBound = 4.0 * kTimeout + 6.0;

class DirectoryFaults : public HostedProvider {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "basalt-faults-XXXXXX").string();
        ASSERT_NE(nullptr, mkdtemp(pattern.data()));
        work = pattern;
        // One service password for every start, so that a restart keeps the home's access.conf.
        std::ofstream(work + "/service.pw") << "fault-service-" << getpid() << "\n";
        StartDirectory("");
        if (HasFatalFailure()) {
            return;
        }
        {
            std::ifstream settings(work + "/dir/env");
            env = ridge_test::RidgeTestDirectory::parse(settings);
        }
        ASSERT_TRUE(env.available());
        Load("basalt-faults-home-");
        descriptorsBefore = OpenDescriptors();
        Start(Configuration(kNamespace, env.hostPort(), env.baseDn(), "ridgetest",
                            std::to_string(kTimeout)));
    }

    void TearDown() override {
        if (!env.value("RIDGE_SLAPD_PID").empty()) {
            kill(std::stoi(env.value("RIDGE_SLAPD_PID")), SIGCONT);
        }
        HostedProvider::TearDown();
        if (!work.empty()) {
            Shell(std::string(FAULTS_DIRECTORY_SCRIPT) + " stop " + work + "/dir >/dev/null 2>&1");
            std::error_code ignored;
            fs::remove_all(work, ignored);
        }
    }

    // Starts (or starts again) the test's own slapd; on the given port when not empty.
    void StartDirectory(const std::string& port) {
        std::string vars = "RIDGE_SERVICE_PASSWORD_FILE=" + work +
                           "/service.pw RIDGE_HOME_SOURCE=" FAULTS_SOURCE_HOME;
        if (!port.empty()) {
            vars += " RIDGE_PORT=" + port;
        }
        ASSERT_EQ(0, Shell(vars + " " FAULTS_DIRECTORY_SCRIPT " start " + work + "/dir " +
                           FAULTS_TEST_LDIF " >/dev/null"));
    }

    // The slapd process of the test's directory (as it is now: a restart gives a new one).
    int ServerPid() const {
        std::ifstream in(work + "/dir/slapd.pid");
        int pid = 0;
        in >> pid;
        return pid;
    }

    // Terminates the provider and checks that it closed every descriptor it opened.
    void TerminateAndCountDescriptors() {
        ASSERT_EQ(0, lib->terminate(AdditionalInfo()).code);
        EXPECT_EQ(descriptorsBefore, OpenDescriptors()) << "descriptors left open after Terminate";
        ASSERT_EQ(0, lib->initialize(AdditionalInfo()).code);  // for TearDown
    }

    std::string work;
    int descriptorsBefore = 0;
};

// What one thread saw of one kind of call.
struct Tally {
    int succeeded = 0;
    int failed = 0;
};

TEST_F(DirectoryFaults, AServerKilledAndStartedAgainFailsCallsCleanlyAndIsUsedAgain) {
    // Warm up: every connection the namespace keeps is open now.
    {
        const SignOnReply warm = Logon(*lib, kNamespace, "bob", kPassword);
        ASSERT_EQ(0, warm.code) << warm.text;
        ASSERT_EQ(0, Logoff(*lib, kNamespace, warm.Visa()).code);
    }
    const int descriptorsWarm = OpenDescriptors();

    enum Phase { kUp, kDown, kBack };
    std::atomic<int> phase{kUp};
    std::atomic<bool> stop{false};
    std::mutex lock;
    std::vector<std::string> faults;  // what must not happen
    Tally whileDown, afterwards;
    auto fault = [&](const std::string& what) {
        std::lock_guard<std::mutex> guard(lock);
        faults.push_back(what);
    };
    // A failed call must say so with a negative code and a readable document.
    auto judge = [&](int32_t code, bool readable, const std::vector<std::string>& problems,
                     const std::string& what, int seen) {
        for (const std::string& problem : problems) {
            fault(what + ": " + problem);
        }
        if (code > 0 || (code < 0 && !readable)) {
            fault(what + ": result " + std::to_string(code) + " without a readable document");
        }
        if (seen != kUp) {
            std::lock_guard<std::mutex> guard(lock);
            Tally& tally = seen == kDown ? whileDown : afterwards;
            ++(code == 0 ? tally.succeeded : tally.failed);
        }
    };

    const std::vector<std::string> users = {"alice", "bob", "worker0", "worker1"};
    std::vector<std::thread> threads;
    for (const std::string& user : users) {
        threads.emplace_back([&, user] {
            int cleanRoundsBack = 0;
            while (!stop) {
                const int seen = phase;
                const SignOnReply signedOn = Logon(*lib, kNamespace, user, kPassword);
                judge(signedOn.code, signedOn.root != nullptr, signedOn.problems, user + " logon",
                      seen);
                if (signedOn.code != 0) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    continue;
                }
                const SearchReply self =
                    Search(*lib, signedOn.Visa(), Vorid(std::string(kNamespace)) + "/*");
                judge(self.code, self.code == 0 || !self.exception.empty(), self.problems,
                      user + " search", seen);
                const SignOnReply off = Logoff(*lib, kNamespace, signedOn.Visa());
                judge(off.code, off.root != nullptr, off.problems, user + " logoff", seen);
                if (seen == kBack && phase == kBack && self.code == 0 && off.code == 0) {
                    ++cleanRoundsBack;
                    if (cleanRoundsBack == 3) {
                        return;
                    }
                }
            }
        });
    }

    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const int pid = ServerPid();
    ASSERT_GT(pid, 0);
    phase = kDown;
    ASSERT_EQ(0, kill(pid, SIGKILL));
    while (kill(pid, 0) == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    StartDirectory(env.port());
    phase = kBack;
    const auto back = Clock::now();
    for (auto& thread : threads) {
        thread.join();  // each returns after three clean rounds; stop is the safety net
    }
    stop = true;
    const double recovery = SecondsSince(back);

    for (const std::string& what : faults) {
        ADD_FAILURE() << what;
    }
    EXPECT_GT(whileDown.failed, 0) << "no call noticed the server was gone";
    EXPECT_GT(afterwards.succeeded, 0);
    RecordProperty("callsFailedWhileDown", whileDown.failed);
    RecordProperty("recoverySeconds", std::to_string(recovery));
    EXPECT_LT(recovery, 60.0);
    // Four users at once may have had the access library's pool open more of its connections
    // than the warm-up's two (one bound as the service identity, one for binds), up to its
    // sizes (8 and 4 by default); nothing beyond.
    EXPECT_LE(OpenDescriptors(), descriptorsWarm + (8 + 4 - 2))
        << "descriptors left open by the failed calls";
    TerminateAndCountDescriptors();
}

// A server that accepts connections and never answers, then the directory's own process stopped
// under existing sessions: calls fail within a few timeouts, and the namespace serves again.
TEST_F(DirectoryFaults, CallsToAServerThatNeverAnswersReturnWithinTheTimeout) {
    // Runs the calls at once, each from a thread of its own: each must fail, within a few
    // timeouts.
    const auto failWithinTimeout = [&](const std::string& what,
                                       const std::vector<std::function<int32_t()>>& calls) {
        std::vector<double> seconds(calls.size(), 0.0);
        std::vector<int32_t> codes(calls.size(), 0);
        std::vector<std::thread> threads;
        for (std::size_t i = 0; i < calls.size(); ++i) {
            threads.emplace_back([&, i] {
                const auto start = Clock::now();
                codes[i] = calls[i]();
                seconds[i] = SecondsSince(start);
            });
        }
        for (auto& thread : threads) {
            thread.join();
        }
        for (std::size_t i = 0; i < calls.size(); ++i) {
            EXPECT_LT(codes[i], 0) << what << " call " << i;
            EXPECT_LT(seconds[i], kGiveUpBound) << what << " call " << i;
            RecordProperty(what + "Call" + std::to_string(i) + "Seconds",
                           std::to_string(seconds[i]));
        }
    };
    {
        // Configured while the port still forwards to the directory; then it only accepts.
        ridge_test::StallingProxy proxy(std::stoi(env.port()));
        const std::string connection = env.host() + ":" + std::to_string(proxy.Port());
        const auto configured = lib->configure(Configuration("silentns", connection, env.baseDn(),
                                                             "ridgetest", std::to_string(kTimeout)),
                                               AdditionalInfo());
        ASSERT_EQ(0, configured.code) << configured.exception.value_or("");
        const int descriptorsSilent = OpenDescriptors();
        proxy.Swallow();

        failWithinTimeout(
            "silent",
            {[&] { return Logon(*lib, "silentns", "alice", kPassword).code; },
             [&] { return Logon(*lib, "silentns", "bob", kPassword).code; },
             [&] { return TicketLogon(*lib, "silentns", "0123456789abcdef0123456789abcdef").code; },
             [&] {
                 // A second namespace on the same port: its configuration reads from the server.
                 return lib
                     ->configure(Configuration("silentns2", connection, env.baseDn(), "ridgetest",
                                               std::to_string(kTimeout)),
                                 AdditionalInfo())
                     .code;
             }});
        EXPECT_GT(proxy.Swallowed(), 0);

        // Counted before the healthy namespace's sign-on, which may open a connection of its
        // own pool.
        const int descriptorsAfterSilent = OpenDescriptors();
        // The healthy namespace next to it is not disturbed.
        const SignOnReply healthy = Logon(*lib, kNamespace, "bob", kPassword);
        EXPECT_EQ(0, healthy.code) << healthy.text;
        EXPECT_EQ(0, Logoff(*lib, kNamespace, healthy.Visa()).code);
        // The proxy holds its end of each swallowed connection; the provider must hold none.
        EXPECT_LE(descriptorsAfterSilent, descriptorsSilent + proxy.Swallowed())
            << "connections to the silent server left open";
    }  // the proxy's own sockets close here

    // The directory's own process stopped (SIGSTOP), with sessions on it.
    const SignOnReply alice = Logon(*lib, kNamespace, "alice", kPassword);
    ASSERT_EQ(0, alice.code) << alice.text;
    const int pid = ServerPid();
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(ridge_test::StopProcess(pid)) << "slapd " << pid << " did not stop";

    // Sessions that exist and sessions still to be made, from several threads at once.
    failWithinTimeout(
        "stopped", {[&] { return Logon(*lib, kNamespace, "bob", kPassword).code; },
                    [&] { return Search(*lib, alice.Visa(), Vorid(kNamespace) + "/*").code; },
                    [&] { return TicketLogon(*lib, kNamespace, alice.VisaValue("ticket")).code; },
                    [&] { return Logon(*lib, kNamespace, "worker2", "Wrong#Secret77").code; }});

    // Going on: the server answers what was queued, and the namespace serves again.
    ASSERT_EQ(0, kill(pid, SIGCONT));
    SignOnReply again;
    for (int attempt = 0; attempt < 5; ++attempt) {
        again = Logon(*lib, kNamespace, "bob", kPassword);
        if (again.code == 0) {
            break;
        }
    }
    EXPECT_EQ(0, again.code) << again.text;
    // An answer that came late to an abandoned request is not taken for a new one.
    const SearchReply listing = Search(*lib, again.Visa(), Vorid(kNamespace) + "/*");
    EXPECT_EQ(0, listing.code) << listing.exception;
    EXPECT_EQ((std::vector<std::string>{"ridgetest", "Staff"}), listing.Names());
    EXPECT_EQ(0, Logoff(*lib, kNamespace, again.Visa()).code);
    Logoff(*lib, kNamespace, alice.Visa());
    TerminateAndCountDescriptors();
}

}  // namespace
