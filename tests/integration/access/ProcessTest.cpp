// Process set-up, runtime configuration, encoding, calls racing release and termination,
// unreachable servers, error texts and memory release.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "AccessTestSupport.h"

using namespace access_test;

namespace {

class Process : public DirectoryTest {
protected:
    void SetUp() override {
        env = ridge_test::RidgeTestDirectory::fromEnvironment();
        if (!env.available())
            GTEST_SKIP() << "RIDGE_TEST_ENV not set: no test directory";
        home = makeHome(env);
    }
    std::string config(const std::string& timeout = "5") {
        return runtimeConfig(env.host(), env.port(), env.baseDn(), kNs, timeout);
    }
    // Initialised, with the fixture's server configured.
    void initializeConfigured() {
        initialize();
        std::string cfg = config();
        ASSERT_EQ(AS_OK, AS_SetTemporaryRuntimeConfig(cfg.c_str(), cfg.size()));
    }
};

TEST_F(Process, CallsBeforeInitialisationAndBadSettings) {
    AS_Handle h = 0;
    std::string cfg = config();
    EXPECT_EQ(AS_ERR_NOT_INITIALIZED, AS_Init(kVersion, &h, AS_INIT_FLAGS));
    EXPECT_EQ(AS_ERR_NOT_INITIALIZED, AS_SetTemporaryRuntimeConfig(cfg.c_str(), cfg.size()));
    EXPECT_EQ(AS_ERR_NOT_INITIALIZED, AS_TesselProcessTerminate(kApp));
    char buf[64];
    EXPECT_EQ(AS_ERR_NOT_INITIALIZED, AS_GetLastErrorMsgWithLang(buf, sizeof buf, "en"));

    const char* noHome[] = {"TLXNLSTAB=/nowhere", nullptr};
    EXPECT_EQ(AS_ERR_SETTINGS, AS_TesselProcessInitialize2(kApp, noHome));
    const char* badHome[] = {"TALVEX_HOME=/no/such/dir", nullptr};
    EXPECT_EQ(AS_ERR_SETTINGS, AS_TesselProcessInitialize2(kApp, badHome));
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, AS_TesselProcessInitialize2(kApp, nullptr));
}

TEST_F(Process, InitialisationIsCountedAndTerminationReleasesHandles) {
    initialize();
    initializeConfigured();
    AS_Handle h = open();
    AS_Handle other = 0;
    AS_Version wrong{0, 2, AS_VERSION_WORD3, AS_VERSION_WORD4};
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, AS_Init(wrong, &other, AS_INIT_FLAGS));
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, AS_Init(kVersion, &other, 0));
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, AS_Init(kVersion, nullptr, AS_INIT_FLAGS));
    AS_Version anyWord1{0xBEEF, AS_VERSION_WORD2, AS_VERSION_WORD3, AS_VERSION_WORD4};
    EXPECT_EQ(AS_OK, AS_Init(anyWord1, &other, AS_INIT_FLAGS));
    ASSERT_EQ(AS_OK, signOn(h, "alice", kPassword));
    EXPECT_EQ(AS_OK, AS_TesselProcessTerminate(kApp));
    EXPECT_EQ(AS_OK, signOn(h, "bob", kPassword));  // still initialised once
    EXPECT_EQ(AS_OK, AS_TesselProcessTerminate(kApp));
    EXPECT_EQ(AS_ERR_NOT_INITIALIZED, signOn(h, "bob", kPassword));
    initialize();
    EXPECT_EQ(AS_ERR_INVALID_HANDLE, signOn(h, "bob", kPassword));
    // The runtime configuration went with the old initialisation.
    AS_Handle fresh = 0;
    EXPECT_EQ(AS_ERR_NO_CONFIGURATION, AS_Init(kVersion, &fresh, AS_INIT_FLAGS));
}

// A server that drops a connection while a request is written must not end the host with
// SIGPIPE; a host that handles the signal itself keeps its handler. (Each test is a process.)
void (*Disposition())(int) {
    struct sigaction current {};
    sigaction(SIGPIPE, nullptr, &current);
    return current.sa_handler;
}
void HostsOwnHandler(int) {}

TEST_F(Process, BrokenPipesAreIgnoredUnlessTheHostHandlesThem) {
    signal(SIGPIPE, SIG_DFL);
    initialize();
    EXPECT_EQ(Disposition(), SIG_IGN);
    EXPECT_EQ(AS_OK, AS_TesselProcessTerminate(kApp));

    signal(SIGPIPE, HostsOwnHandler);
    initialize();
    EXPECT_EQ(Disposition(), &HostsOwnHandler);
    EXPECT_EQ(AS_OK, AS_TesselProcessTerminate(kApp));
}

TEST_F(Process, RuntimeConfigurationRoundTripAndMalformedText) {
    initialize();
    int32_t size = 0;
    EXPECT_EQ(AS_ERR_NO_CONFIGURATION, AS_GetRuntimeConfigSize(&size));
    EXPECT_EQ(AS_ERR_NO_CONFIGURATION, AS_CheckConfiguration(1));
    std::string cfg = config();
    ASSERT_EQ(AS_OK, AS_SetTemporaryRuntimeConfig(cfg.c_str(), cfg.size()));
    ASSERT_EQ(AS_OK, AS_GetRuntimeConfigSize(&size));
    ASSERT_EQ(static_cast<int32_t>(cfg.size() + 1), size);
    std::vector<char> buf(size);
    int32_t used = 0;
    ASSERT_EQ(AS_OK, AS_GetRuntimeConfig(buf.data(), size, &used));
    EXPECT_EQ(size, used);
    EXPECT_EQ(cfg, std::string(buf.data()));
    EXPECT_EQ(AS_ERR_BUFFER_TOO_SMALL, AS_GetRuntimeConfig(buf.data(), size - 1, &used));
    EXPECT_EQ(AS_OK, AS_CheckConfiguration(1));

    std::string broken = cfg.substr(0, cfg.size() - 5);
    EXPECT_EQ(AS_ERR_CONFIG_SYNTAX, AS_SetTemporaryRuntimeConfig(broken.c_str(), broken.size()));
    EXPECT_NE("", lastError("en"));
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, AS_SetTemporaryRuntimeConfig(nullptr, 10));
    // The previous configuration stays in force.
    ASSERT_EQ(AS_OK, AS_GetRuntimeConfig(buf.data(), size, &used));
    EXPECT_EQ(cfg, std::string(buf.data()));
    AS_Handle h = open();
    EXPECT_EQ(AS_OK, signOn(h, "alice", kPassword));
}

TEST_F(Process, EncodingIsFixedOnceAHandleIsOpen) {
    initialize();
    char name[AS_ENCODING_NAME_SIZE];
    ASSERT_EQ(AS_OK, AS_GetSystemEncoding(name));
    EXPECT_STREQ("cp1252", name);
    EXPECT_EQ(AS_ERR_UNKNOWN_ENCODING, AS_SetSystemEncoding("no-such-encoding"));
    std::string cfg = config();
    ASSERT_EQ(AS_OK, AS_SetTemporaryRuntimeConfig(cfg.c_str(), cfg.size()));
    AS_Handle h = open();
    EXPECT_EQ(AS_ERR_ENCODING_IN_FORCE, AS_SetSystemEncoding("utf8"));
    EXPECT_EQ(AS_OK, AS_SetSystemEncoding("cp1252"));
    // Texts travel in cp1252: "chloé" is 0xE9 there and is invalid UTF-8.
    AS_ObjectId id = 0;
    EXPECT_EQ(AS_OK, signOn(h, "chlo\xe9", kPassword, nullptr, &id));
    EXPECT_EQ(1002u, id);
}

// A host that never answers the connection (an unroutable address): bounded by the 2 s timeout.
TEST_F(Process, UnreachableServerFailsQuicklyWithinTheTimeout) {
    initialize();
    std::string cfg = runtimeConfig("10.255.255.1", "389", env.baseDn(), kNs, "2");
    ASSERT_EQ(AS_OK, AS_SetTemporaryRuntimeConfig(cfg.c_str(), cfg.size()));
    AS_Handle h = open();
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(AS_ERR_SERVER_UNREACHABLE, signOn(h, "alice", kPassword));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
}

// Calls look their handle up without the process lock: a call racing the release of its handle
// or the termination of the process must still either run on a live handle or fail as on an
// unknown handle (or uninitialised process), never succeed after it failed, while other threads
// open and release handles of their own.
TEST_F(Process, CallsRacingReleaseAndTerminationFailCleanly) {
    initializeConfigured();
    constexpr int kReaders = 4;
    std::vector<AS_Handle> handles;
    AS_ObjectId alice = 0;
    for (int i = 0; i < kReaders; ++i) {
        handles.push_back(open());
        ASSERT_EQ(AS_OK, signOn(handles.back(), "alice", kPassword, nullptr, &alice));
    }
    std::atomic<int> wrong{0};
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    for (AS_Handle h : handles) {
        threads.emplace_back([&, h] {
            bool failed = false;
            for (int afterFailure = 0; afterFailure < 20;) {
                char name[AS_MAX_NAME_SIZE] = "";
                const int32_t rc = ASA_FindUserInfo4(h, alice, name, nullptr, nullptr, nullptr,
                                                     nullptr, nullptr, nullptr, nullptr);
                if (rc == AS_OK && (failed || name[0] == '\0'))
                    ++wrong;
                else if (rc == AS_ERR_INVALID_HANDLE || rc == AS_ERR_NOT_INITIALIZED)
                    failed = true;
                else if (rc != AS_OK)
                    ++wrong;
                afterFailure += failed;
            }
        });
    }
    for (int i = 0; i < 2; ++i) {
        threads.emplace_back([&] {
            while (!stop) {
                AS_Handle h = 0;
                char server[64];
                // Two threads given one id would make one of these releases fail.
                if (AS_Init(kVersion, &h, AS_INIT_FLAGS) != AS_OK ||
                    ASA_GetSessionServer(h, server, sizeof server) != AS_OK ||
                    AS_Terminate(h) != AS_OK)
                    ++wrong;
            }
        });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(AS_OK, AS_Terminate(handles[0]));
    EXPECT_EQ(AS_OK, AS_Terminate(handles[1]));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    stop = true;
    for (size_t i = kReaders; i < threads.size(); ++i)
        threads[i].join();
    EXPECT_EQ(AS_OK, AS_TesselProcessTerminate(kApp));
    for (int i = 0; i < kReaders; ++i)
        threads[i].join();
    EXPECT_EQ(0, wrong.load());
    char name[AS_MAX_NAME_SIZE];
    EXPECT_EQ(AS_ERR_NOT_INITIALIZED,
              ASA_FindUserInfo4(handles[2], alice, name, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr));
}

TEST_F(Process, ErrorTextsFollowTheLanguageAndAreEmptyWithoutError) {
    initializeConfigured();
    ASSERT_EQ(AS_OK, AS_SetSystemEncoding("utf8"));
    AS_Handle h = open();
    EXPECT_EQ("", lastError("en"));
    ASSERT_EQ(AS_ERR_ACCOUNT_LOCKED, signOn(h, "locked", kPassword));
    EXPECT_EQ("The account is locked.", lastError("en-us"));
    EXPECT_EQ("Le compte est verrouillé.", lastError("fr-CA"));
    EXPECT_EQ("The account is locked.", lastError(nullptr));
    EXPECT_EQ("Le compte est verrouillé.", sessionError(h, "fr"));
    // Cut at the buffer's last byte, inside "é" (two bytes) too, and said to be cut.
    char small[25];
    ASSERT_EQ(AS_ERR_BUFFER_TOO_SMALL, AS_GetLastErrorMsgWithLang(small, sizeof small, "fr"));
    EXPECT_STREQ("Le compte est verrouill\xC3", small);
    EXPECT_EQ(AS_ERR_BUFFER_TOO_SMALL, AS_GetLastErrorMsgWithLang(small, 0, "fr"));
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, AS_GetLastErrorMsgWithLang(nullptr, 10, "fr"));
    // Another thread has its own last error.
    std::string other = "x";
    std::thread([&] { other = lastError("en"); }).join();
    EXPECT_EQ("", other);
    // A successful call clears it.
    ASSERT_EQ(AS_OK, signOn(h, "alice", kPassword));
    EXPECT_EQ("", lastError("en"));
    EXPECT_EQ("", sessionError(h));
    EXPECT_EQ(AS_ERR_INVALID_HANDLE,
              AS_GetSessionLastErrorMsgWithLang(h + 99, small, sizeof small, "en"));
}

TEST_F(Process, ReleasingAHandleKeepsTheTextOfTheLastFailure) {
    initializeConfigured();
    ASSERT_EQ(AS_OK, AS_SetSystemEncoding("utf8"));
    AS_Handle h = open();
    ASSERT_EQ(AS_ERR_ACCOUNT_LOCKED, signOn(h, "locked", kPassword));
    // Callers close the handle first and ask why afterwards.
    ASSERT_EQ(AS_OK, AS_Terminate(h));
    EXPECT_EQ("The account is locked.", lastError("en"));
    // A call whose outcome the caller asks about clears it.
    h = open();
    EXPECT_EQ("", lastError("en"));
    AS_Terminate(h);
}

TEST_F(Process, MemoryCallsAcceptOnlyWhatTheLibraryReturned) {
    initializeConfigured();
    AS_Handle h = open();
    char* result = nullptr;
    AS_ObjectId id = 0;
    AS_EnvVar none[] = {{nullptr, nullptr}};
    ASSERT_EQ(AS_MORE_ENV_NEEDED,
              AS_AuthenticateWebUserWithEnv(none, &result, h, kNs, nullptr, &id, nullptr));
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, AS_Free(result));  // wrong kind
    EXPECT_EQ(AS_OK, AS_FreeResult(result));
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, AS_FreeResult(result));  // twice
    char own[8];
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, AS_FreeResult(own));
    EXPECT_EQ(AS_OK, AS_FreeResult(nullptr));
    EXPECT_EQ(AS_OK, AS_Free(nullptr));
}

TEST_F(Process, DefaultRuntimeConfigurationFromTheHome) {
    std::ofstream(home + "/access.conf", std::ios::app) << "default_runtime_config = rt.cfg\n";
    std::ofstream(home + "/rt.cfg") << config() << "\n";
    initialize();
    EXPECT_EQ(AS_OK, AS_CheckConfiguration(1));
    AS_Handle h = open();
    EXPECT_EQ(AS_OK, signOn(h, "alice", kPassword));
    AS_TesselProcessTerminate(kApp);
    // A malformed default is a settings error at initialisation.
    std::ofstream(home + "/rt.cfg") << "<TESSEL_CONFIGURATION_6.7.0>\n";
    std::string hs = "TALVEX_HOME=" + home;
    const char* settings[] = {hs.c_str(), nullptr};
    EXPECT_EQ(AS_ERR_SETTINGS, AS_TesselProcessInitialize2(kApp, settings));
}

}  // namespace
