// StartTLS against a directory of its own with a certificate from a throwaway CA: the
// configured CA file must vouch for the server, else the handle is refused.
#include <filesystem>

#include "AccessTestSupport.h"

using namespace access_test;

namespace {

namespace fs = std::filesystem;

int run(const std::string& command) {
    return std::system(command.c_str());
}

// Makes a CA and a server certificate for 127.0.0.1 in dir (prefix: file name prefix).
void makeCertificates(const std::string& dir, const std::string& prefix) {
    std::string ec = " -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes ";
    std::string p = dir + "/" + prefix;
    ASSERT_EQ(0, run("openssl req -x509" + ec + "-keyout " + p + "ca.key -out " + p +
                     "ca.pem -days 2 -subj '/CN=Ridge Test CA' 2>/dev/null"));
    ASSERT_EQ(0, run("openssl req" + ec + "-keyout " + p + "server.key -out " + p +
                     "server.csr -subj '/CN=127.0.0.1' 2>/dev/null"));
    ASSERT_EQ(0, run("printf 'subjectAltName=IP:127.0.0.1\\n' > " + p + "ext"));
    ASSERT_EQ(0, run("openssl x509 -req -in " + p + "server.csr -CA " + p + "ca.pem -CAkey " + p +
                     "ca.key -CAcreateserial -out " + p + "server.pem -days 2 -extfile " + p +
                     "ext 2>/dev/null"));
}

class Tls : public DirectoryTest {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "ridge-tls-XXXXXX").string();
        ASSERT_NE(nullptr, mkdtemp(tmpl.data()));
        work = tmpl;
        makeCertificates(work, "");
        makeCertificates(work, "other-");
        ASSERT_EQ(0, run("RIDGE_TLS_CERT_FILE=" + work + "/server.pem RIDGE_TLS_KEY_FILE=" + work +
                         "/server.key " ACCESS_DIRECTORY_SCRIPT " start " + work + "/dir " +
                         ACCESS_TEST_LDIF " >/dev/null"));
        ::setenv("RIDGE_TEST_ENV", (work + "/dir/env").c_str(), 1);
        DirectoryTest::SetUp();
    }
    void TearDown() override {
        DirectoryTest::TearDown();
        run(ACCESS_DIRECTORY_SCRIPT " stop " + work + "/dir");
        fs::remove_all(work);
    }
    int32_t openWith(const std::string& certDb, AS_Handle* h) {
        std::string cfg =
            runtimeConfig(env["RIDGE_HOST"], env["RIDGE_PORT"], env["RIDGE_BASE_DN"], kNs);
        cfg.replace(cfg.find("<SSL_CERT_DB></SSL_CERT_DB>"), 27,
                    "<SSL_CERT_DB>" + certDb + "</SSL_CERT_DB>");
        cfg.replace(cfg.find("<SSL_ENABLED>false"), 18, "<SSL_ENABLED>true");
        EXPECT_EQ(AS_OK, AS_SetTemporaryRuntimeConfig(cfg.c_str(), cfg.size()));
        return AS_Init(kVersion, h, AS_INIT_FLAGS);
    }
    std::string work;
};

TEST_F(Tls, StartTlsChecksTheServerAgainstTheConfiguredCa) {
    AS_Handle h = 0;
    ASSERT_EQ(AS_OK, openWith(work + "/ca.pem", &h));
    EXPECT_EQ(AS_OK, signOn(h, "alice", kPassword));
    AS_Terminate(h);
    EXPECT_EQ(AS_ERR_TLS, openWith(work + "/other-ca.pem", &h));
    EXPECT_EQ(AS_ERR_TLS, openWith(work + "/no-such-ca.pem", &h));
}

}  // namespace
