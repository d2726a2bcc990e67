// Shared set-up of the access library's integration tests: the fixture directory's settings,
// a private home directory for the library, process initialisation and handles.
#pragma once

#include <AccessAPI.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "DirectoryAdmin.h"
#include "RidgeTestDirectory.h"

namespace access_test {

inline std::string runtimeConfig(const std::string& host, const std::string& port,
                                 const std::string& baseDn, const std::string& ns,
                                 const std::string& timeout = "5") {
    return "<TESSEL_CONFIGURATION_6.7.0><GENERATION>100</GENERATION><STORAGE_TYPE>2</STORAGE_TYPE>"
           "<DEFAULT_NAMESPACE>" +
           ns +
           "</DEFAULT_NAMESPACE><SSL_CERT_DB></SSL_CERT_DB>"
           "<SSL_ENABLED>false</SSL_ENABLED><LDAP><HOST>" +
           host + "</HOST><PORT>" + port + "</PORT><BASE_DN>" + baseDn + "</BASE_DN><TIMEOUT>" +
           timeout + "</TIMEOUT></LDAP></TESSEL_CONFIGURATION_6.7.0>";
}

inline constexpr AS_Version kVersion{0, AS_VERSION_WORD2, AS_VERSION_WORD3, AS_VERSION_WORD4};
inline constexpr const char* kApp = "Access tests";
inline constexpr const char* kNs = "ridgetest";
inline constexpr const char* kPassword = "Secret#2024";

// A private copy of the fixture's home directory (message files, language table, access.conf
// naming the fixture's service identity) with extraConf added to its access.conf, so tests may
// write into it.
inline std::string makeHome(const ridge_test::RidgeTestDirectory& env,
                            const std::string& extraConf = "") {
    std::string dir = env.copyTestHome("ridge-access-home-");
    std::ofstream(dir + "/access.conf", std::ios::app) << extraConf;
    return dir;
}

class DirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        env = ridge_test::RidgeTestDirectory::fromEnvironment();
        if (!env.available())
            GTEST_SKIP() << "RIDGE_TEST_ENV not set: no test directory";
        home = makeHome(env, extraConf());
        initialize();
        ASSERT_EQ(AS_OK, AS_SetSystemEncoding("utf8"));
        useConfig(kNs);
    }
    void TearDown() override {
        if (!env.available())
            return;
        AS_TesselProcessTerminate(kApp);
        std::filesystem::remove_all(home);
    }
    virtual std::string extraConf() { return ""; }

    void initialize() {
        std::string h = "TALVEX_HOME=" + home;
        std::string t = "TLXNLSTAB=" + home + "/ridge_tlxlang.tab";
        std::string m = "SRVCMSGS=" + home + "/srvcmsgs_en.msg";
        const char* settings[] = {h.c_str(), t.c_str(), m.c_str(), nullptr};
        ASSERT_EQ(AS_OK, AS_TesselProcessInitialize2(kApp, settings));
    }
    void useConfig(const std::string& ns) {
        std::string cfg = runtimeConfig(env.host(), env.port(), env.baseDn(), ns);
        ASSERT_EQ(AS_OK,
                  AS_SetTemporaryRuntimeConfig(cfg.c_str(), static_cast<uint32_t>(cfg.size())));
    }
    AS_Handle open() {
        AS_Handle h = 0;
        int32_t status = AS_Init(kVersion, &h, AS_INIT_FLAGS);
        char error[512] = "";
        AS_GetLastErrorMsgWithLang(error, sizeof error, "en");
        EXPECT_EQ(AS_OK, status) << error;
        return h;
    }
    // Signs on by basic signon; returns the status.
    int32_t signOn(AS_Handle h, const char* user, const char* password,
                   const char* userClass = nullptr, AS_ObjectId* id = nullptr,
                   char* ticket = nullptr, const char* ns = kNs) {
        AS_ObjectId ignored = 0;
        return AS_AuthenticateUser2(h, ns, user, password, userClass, id ? id : &ignored, ticket);
    }
    // Runs an ldap-utils tool (ldapadd, ldapdelete, ...) as the directory administrator with
    // args, feeding it the LDIF text (with @BASE_DN@ filled in); returns its exit status.
    int admin(const std::string& tool, const std::string& args, const std::string& ldif = "") {
        return ridge_test::directoryAdmin(env, home, tool, args, ldif);
    }
    // The same as the identity bindDn with password; *output (when given) receives what the tool
    // printed.
    int ldapTool(const std::string& tool, const std::string& bindDn, const std::string& password,
                 const std::string& args, const std::string& ldif = "",
                 std::string* output = nullptr) {
        return ridge_test::directoryTool(env, home, bindDn, password, tool, args, ldif, output);
    }
    // The process's last error text in lang.
    std::string lastError(const char* lang) {
        char buf[1024] = "x";
        EXPECT_EQ(AS_OK, AS_GetLastErrorMsgWithLang(buf, sizeof buf, lang));
        return buf;
    }
    std::string sessionError(AS_Handle h, const char* lang = "en-us") {
        char buf[1024] = "x";
        EXPECT_EQ(AS_OK, AS_GetSessionLastErrorMsgWithLang(h, buf, sizeof buf, lang));
        return buf;
    }

    ridge_test::RidgeTestDirectory env;
    std::string home;
};

}  // namespace access_test
