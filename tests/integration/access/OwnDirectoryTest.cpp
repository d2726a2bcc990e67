// Tests that run a directory of their own: StartTLS and LDAPS with a certificate from a throwaway
// CA (the configured CA file must vouch for the server), a server that goes away and comes back,
// and a server that drops idle connections.
#include <chrono>
#include <filesystem>
#include <thread>

#include "OwnDirectory.h"
#include "UnusedPort.h"

using namespace access_test;

namespace {

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

class Tls : public OwnDirectory {
protected:
    void prepare() override {
        makeCertificates(work, "");
        makeCertificates(work, "other-");
        ldapsPort = std::to_string(ridge_test::unusedLoopbackPort());
    }
    std::string startEnv() override {
        return "RIDGE_TLS_CERT_FILE=" + work + "/server.pem RIDGE_TLS_KEY_FILE=" + work +
               "/server.key RIDGE_LDAPS_PORT=" + ldapsPort;
    }
    // StartTLS on the plain port is chosen in access.conf.
    std::string extraConf() override { return "tls_mode = starttls\n"; }
    int32_t openWith(const std::string& certDb, AS_Handle* h, const std::string& host = "",
                     const std::string& port = "") {
        std::string cfg = runtimeConfig(host.empty() ? env.host() : host,
                                        port.empty() ? env.port() : port, env.baseDn(), kNs);
        cfg.replace(cfg.find("<SSL_CERT_DB></SSL_CERT_DB>"), 27,
                    "<SSL_CERT_DB>" + certDb + "</SSL_CERT_DB>");
        cfg.replace(cfg.find("<SSL_ENABLED>false"), 18, "<SSL_ENABLED>true");
        EXPECT_EQ(AS_OK, AS_SetTemporaryRuntimeConfig(cfg.c_str(), cfg.size()));
        EXPECT_EQ(AS_OK, AS_Init(kVersion, h, AS_INIT_FLAGS));
        // AS_Init only records: the first operation sets up TLS.
        char modes[AS_NSPROP_BUFFER_SIZE];
        return AS_GetNamespaceProperties2(*h, kNs, AS_NSPROP_AUTH_MODES, modes, 0);
    }
    std::string ldapsPort;
};

TEST_F(Tls, StartTlsTrustsOnlyTheConfiguredCaAndFailuresNameTheirCause) {
    AS_Handle h = 0;
    const std::string where = "127.0.0.1:" + env.port();
    // A CA that does not vouch for the server's certificate.
    ASSERT_EQ(AS_ERR_TLS, openWith(work + "/other-ca.pem", &h));
    std::string en = lastError("en"), fr = lastError("fr");
    EXPECT_EQ(0u, en.find("The directory server's certificate is not trusted")) << en;
    EXPECT_NE(std::string::npos, en.find(where)) << en;
    EXPECT_EQ(0u, fr.find("Le certificat du serveur d'annuaire n'est pas reconnu")) << fr;
    // The right CA, but the certificate names 127.0.0.1 and the server is reached as localhost.
    ASSERT_EQ(AS_ERR_TLS, openWith(work + "/ca.pem", &h, "localhost"));
    en = lastError("en");
    fr = lastError("fr");
    EXPECT_EQ(0u, en.find("The directory server's certificate does not name the host")) << en;
    EXPECT_NE(std::string::npos, en.find("localhost:" + env.port())) << en;
    EXPECT_EQ(0u, fr.find("Le certificat du serveur d'annuaire ne porte pas le nom")) << fr;
    // A CA file that cannot be read.
    ASSERT_EQ(AS_ERR_TLS, openWith(work + "/no-such-ca.pem", &h));
    en = lastError("en");
    EXPECT_EQ(0u, en.find("The certificate directory or file")) << en;
    EXPECT_NE(std::string::npos, en.find("no-such-ca.pem")) << en;
    // And with everything right, the handle works and the error is gone.
    ASSERT_EQ(AS_OK, openWith(work + "/ca.pem", &h));
    EXPECT_EQ("", lastError("en"));
    EXPECT_EQ(AS_OK, signOn(h, "alice", kPassword));
    AS_Terminate(h);
}

// Without tls_mode in access.conf, SSL means LDAPS on the configured port, whatever its number.
class Ldaps : public Tls {
protected:
    std::string extraConf() override { return ""; }
};

TEST_F(Ldaps, LdapsOnAnyPortChecksTheServerAgainstTheConfiguredCa) {
    AS_Handle h = 0;
    ASSERT_EQ(AS_OK, openWith(work + "/ca.pem", &h, "", ldapsPort)) << sessionError(h);
    EXPECT_EQ(AS_OK, signOn(h, "alice", kPassword)) << sessionError(h);
    AS_Terminate(h);
    // A certificate no configured CA vouches for is reported as such, not as a lost server.
    ASSERT_EQ(AS_ERR_TLS, openWith(work + "/other-ca.pem", &h, "", ldapsPort));
    std::string en = lastError("en");
    EXPECT_EQ(0u, en.find("The directory server's certificate is not trusted")) << en;
    EXPECT_NE(std::string::npos, en.find("127.0.0.1:" + ldapsPort)) << en;
    // Nobody listening on the port is still a server that cannot be reached.
    const std::string nobody = std::to_string(ridge_test::unusedLoopbackPort());
    ASSERT_EQ(AS_ERR_SERVER_UNREACHABLE, openWith(work + "/ca.pem", &h, "", nobody));
}

class Restart : public OwnDirectory {};

TEST_F(Restart, ABindRefusedAfterTheRestartSignsTheUserOut) {
    AS_Handle h = open();
    AS_ObjectId id = 0;
    ASSERT_EQ(AS_OK, signOn(h, "alice", kPassword, nullptr, &id));
    // The directory comes back without alice's password.
    ASSERT_EQ(0, run(ACCESS_DIRECTORY_SCRIPT " stop " + work + "/dir"));
    startDirectory(env.port());
    env = ridge_test::RidgeTestDirectory::fromEnvironment();  // a new administrator password
    ASSERT_EQ(0, admin("ldapmodify", "",
                       "dn: uid=alice,ou=Europe,ou=Sales,ou=ridgetest,@BASE_DN@\n"
                       "changetype: modify\nreplace: userPassword\nuserPassword: Other#2024x\n"));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    char name[AS_MAX_NAME_SIZE];
    EXPECT_EQ(AS_ERR_NOT_AUTHENTICATED, ASA_FindUserInfo(h, id, name, nullptr, nullptr));
    EXPECT_EQ(AS_ERR_NOT_AUTHENTICATED, ASA_FindUserInfo(h, id, name, nullptr, nullptr));
    EXPECT_EQ(AS_OK, signOn(h, "alice", "Other#2024x"));
    AS_Terminate(h);
}

// A server that drops connections idle for a second.
class IdleTimeout : public OwnDirectory {
protected:
    std::string startEnv() override { return "RIDGE_IDLE_TIMEOUT=1"; }
};

TEST_F(IdleTimeout, DroppedConnectionsAreReopenedUnseen) {
    AS_Handle h = open();
    AS_ObjectId id = 0;
    char ticket[AS_TICKET_SIZE] = "";
    ASSERT_EQ(AS_OK, signOn(h, "alice", kPassword, nullptr, &id, ticket));
    char name[AS_MAX_NAME_SIZE];
    ASSERT_EQ(AS_OK, ASA_FindUserInfo(h, id, name, nullptr, nullptr));
    for (int round = 0; round < 2; ++round) {
        // Long enough for the server to drop both of the handle's connections.
        std::this_thread::sleep_for(std::chrono::milliseconds(3000));
        // The user's connection (reads) and the service identity's (tickets) come back.
        EXPECT_EQ(AS_OK, ASA_FindUserInfo(h, id, name, nullptr, nullptr)) << sessionError(h);
        EXPECT_EQ(AS_OK, AS_RefreshTicket(h, ticket)) << sessionError(h);
    }
    AS_Terminate(h);
}

// The service identity binds with SASL EXTERNAL over the directory's local socket.
class External : public OwnDirectory {
protected:
    void beforeLibrary() override {
        // A wrong password: only the EXTERNAL bind can succeed.
        ASSERT_EQ(0, run("echo wrong-password > " + work + "/dir/service.pw"));
    }
    std::string extraConf() override {
        return "service_sasl_external = yes\nservice_url = " +
               ridge_test::RidgeTestDirectory::fromEnvironment().ldapiUrl() + "\n";
    }
};

TEST_F(External, ServiceIdentityOverLocalSocket) {
    AS_Handle a = open(), b = open();
    char ticket[AS_TICKET_SIZE] = "";
    AS_ObjectId id = 0;
    ASSERT_EQ(AS_OK, signOn(a, "alice", kPassword, nullptr, &id, ticket)) << sessionError(a);
    char* result = nullptr;
    EXPECT_EQ(AS_OK, AS_ValidateTicket2(b, ticket, kNs, &result));  // ticket entry written
    AS_FreeResult(result);
    AS_Terminate(a);
    AS_Terminate(b);
}

}  // namespace
