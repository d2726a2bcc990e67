// No secret in any record: with tracing at its most verbose (every record at any level), every
// password, ticket and certificate a run uses is looked for in everything the run wrote: the
// log and trace file, anything else below the home directory, standard error, every exception
// document and response the provider returned and every error text the access library gave.
#include <AccessAPI.h>

#include "AccessTestSupport.h"
#include "ProviderDirectory.h"
#include "ProviderTables.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace provider_test;

namespace {

// A secret no test data holds by chance.
std::string Unique(const std::string& prefix) {
    std::random_device random;
    return prefix + "#" + std::to_string(random()) + "!" + std::to_string(random());
}

// What is looked for: the secret's middle part, so that a copy cut or shifted at either end is
// found as well as the whole. The secrets hold no character XML or JSON would escape.
std::string Stable(const std::string& secret) {
    return secret.size() >= 12 ? secret.substr(2, secret.size() - 4) : secret;
}

class SecretScan {
public:
    void AddSecret(const std::string& what, const std::string& secret) {
        if (!secret.empty()) {
            m_secrets.push_back({what, secret});
        }
    }
    void AddRecord(const std::string& where, const std::string& text) {
        m_records.push_back({where, text});
    }
    // Remembers the files below the folder as they are before the run (the configuration
    // and password files the run reads are not records).
    void Snapshot(const std::filesystem::path& folder) { m_before = Files(folder); }
    // Every file below the folder that the run created or changed.
    void AddWrittenFiles(const std::filesystem::path& folder) {
        for (auto& [path, content] : Files(folder)) {
            const auto before = m_before.find(path);
            if (before == m_before.end() || before->second != content) {
                AddRecord(path, content);
            }
        }
    }
    // Fails for every secret found in any record; returns how many bytes were scanned.
    std::size_t Check() const {
        std::size_t bytes = 0;
        for (const auto& [where, text] : m_records) {
            bytes += text.size();
            for (const auto& [what, secret] : m_secrets) {
                EXPECT_EQ(text.find(Stable(secret)), std::string::npos)
                    << what << " appears in " << where;
            }
        }
        return bytes;
    }

private:
    static std::map<std::string, std::string> Files(const std::filesystem::path& folder) {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            if (entry.is_regular_file()) {
                std::ifstream in(entry.path(), std::ios::binary);
                files[entry.path().string()] = std::string(std::istreambuf_iterator<char>(in),
                                                           std::istreambuf_iterator<char>());
            }
        }
        return files;
    }

    std::map<std::string, std::string> m_before;
    std::vector<std::pair<std::string, std::string>> m_secrets;
    std::vector<std::pair<std::string, std::string>> m_records;
};

constexpr const char* kNamespace = "ridgetest";
constexpr const char* kUserPassword = "Secret#2024";  // every user of the test directory
using access_test::kVersion;

// The secrets every run holds: the users' password, the directory's administrator password and
// the service identity's password (the file access.conf of the home names).
void AddFixtureSecrets(SecretScan& scan, const RidgeTestDirectory& env, const std::string& home) {
    scan.AddSecret("the user password", kUserPassword);
    scan.AddSecret("the administrator password", env.adminPassword());
    std::ifstream conf(home + "/access.conf");
    for (std::string line; std::getline(conf, line);) {
        const auto equals = line.find('=');
        if (line.rfind("service_password_file", 0) == 0 && equals != std::string::npos) {
            std::string file = line.substr(line.find_first_not_of(" \t", equals + 1));
            if (file.front() != '/') {
                file = home + "/" + file;
            }
            std::ifstream passwordFile(file);
            std::string password;
            std::getline(passwordFile, password);
            scan.AddSecret("the service password", password);
        }
    }
}

class NoSecret : public DirectoryTest {};

}  // namespace

// The access library: sign-ons with right and wrong passwords, tickets and certificates made,
// validated, tampered with, refreshed and expired, password changes that fail; every error text
// in two languages after each step.
TEST_F(NoSecret, TheAccessLibraryNeverWritesASecret) {
    const std::string& dir = home->Path();
    SecretScan scan;
    AddFixtureSecrets(scan, env, dir);
    scan.Snapshot(dir);
    testing::internal::CaptureStderr();
    const std::string h = "TALVEX_HOME=" + dir, t = "TLXNLSTAB=" + dir + "/ridge_tlxlang.tab",
                      m = "SRVCMSGS=" + dir + "/srvcmsgs_en.msg";
    const char* settings[] = {h.c_str(), t.c_str(), m.c_str(), nullptr};
    ASSERT_EQ(AS_OK, AS_TesselProcessInitialize2("secrets", settings));
    const std::string config =
        access_test::runtimeConfig(env.host(), env.port(), env.baseDn(), kNamespace);
    ASSERT_EQ(AS_OK, AS_SetTemporaryRuntimeConfig(config.c_str(), config.size()));

    AS_Handle handle = 0;
    ASSERT_EQ(AS_OK, AS_Init(kVersion, &handle, AS_INIT_FLAGS));
    auto errors = [&](const std::string& step) {
        for (const char* language : {"en", "fr"}) {
            char text[2048] = "";
            AS_GetLastErrorMsgWithLang(text, sizeof text, language);
            scan.AddRecord(step + " (process error, " + language + ")", text);
            AS_GetSessionLastErrorMsgWithLang(handle, text, sizeof text, language);
            scan.AddRecord(step + " (handle error, " + language + ")", text);
        }
    };

    const std::string wrongPassword = Unique("Wrong-pw");
    const std::string newPassword = Unique("New-pw");
    scan.AddSecret("a wrong password", wrongPassword);
    scan.AddSecret("a new password", newPassword);
    AS_ObjectId user = 0;
    EXPECT_NE(AS_OK, AS_AuthenticateUser2(handle, kNamespace, "alice", wrongPassword.c_str(),
                                          nullptr, &user, nullptr));
    errors("wrong password");
    EXPECT_NE(AS_OK, AS_ChangeExpiredBasicSignonPassword(
                         handle, kNamespace, "alice", wrongPassword.c_str(), newPassword.c_str()));
    errors("password change with a wrong password");
    EXPECT_NE(AS_OK, AS_AuthenticateUser2(handle, kNamespace, wrongPassword.c_str(), kUserPassword,
                                          nullptr, &user, nullptr));
    errors("unknown user");

    char ticket[AS_TICKET_SIZE] = "";
    ASSERT_EQ(AS_OK, AS_AuthenticateUser2(handle, kNamespace, "alice", kUserPassword, nullptr,
                                          &user, ticket));
    errors("sign-on");
    scan.AddSecret("the sign-on ticket", ticket);
    char second[AS_TICKET_SIZE] = "";
    ASSERT_EQ(AS_OK, ASA_CreateTicket(handle, second));
    scan.AddSecret("a created ticket", second);
    char certificate[AS_CERTIFICATE_SIZE] = "";
    ASSERT_EQ(AS_OK, AS_GetCertificate(handle, certificate));
    scan.AddSecret("the certificate", certificate);
    errors("ticket and certificate");

    AS_Handle other = 0;
    ASSERT_EQ(AS_OK, AS_Init(kVersion, &other, AS_INIT_FLAGS));
    char* result = nullptr;
    ASSERT_EQ(AS_OK, AS_ValidateTicket2(other, ticket, kNamespace, &result));
    AS_FreeResult(result);
    std::string tampered = ticket;
    tampered[0] = tampered[0] == 'a' ? 'b' : 'a';
    scan.AddSecret("a tampered ticket", tampered);
    result = nullptr;
    EXPECT_NE(AS_OK, AS_ValidateTicket2(other, tampered.c_str(), kNamespace, &result));
    AS_FreeResult(result);
    errors("tampered ticket");
    AS_ObjectId classId = 0, userId = 0;
    EXPECT_EQ(AS_OK, AS_ValidateCertificate(other, certificate, kNamespace, 0, &classId, &userId));
    std::string forged = certificate;
    forged[forged.size() / 2] = forged[forged.size() / 2] == 'A' ? 'B' : 'A';
    EXPECT_NE(AS_OK,
              AS_ValidateCertificate(other, forged.c_str(), kNamespace, 0, &classId, &userId));
    errors("forged certificate");
    EXPECT_EQ(AS_OK, AS_RefreshTicket(handle, second));
    EXPECT_EQ(AS_OK, AS_ExpireTicket(handle, second));
    EXPECT_NE(AS_OK, AS_RefreshTicket(handle, second));
    errors("expired ticket");

    AS_Terminate(other);
    AS_Terminate(handle);
    AS_TesselProcessTerminate("secrets");
    scan.AddRecord("standard error", testing::internal::GetCapturedStderr());
    scan.AddWrittenFiles(dir);
    EXPECT_GT(scan.Check(), 0u);
}

// The provider, driven through its tables with every record written to a trace file: a
// configuration that carries bind credentials, succeeding and failing (unreachable server,
// unknown directory namespace), set-version and searches; everything it returned and wrote.
TEST_F(NoSecret, TheProviderNeverWritesASecret) {
    const std::string trace = home->Path() + "/trace/records.jsonl";
    setenv("BASALT_LOG_FILE", trace.c_str(), 1);
    setenv("BASALT_LOG_LEVEL", "0", 1);  // every record, traces included
    SecretScan scan;
    AddFixtureSecrets(scan, env, home->Path());
    scan.Snapshot(home->Path());
    testing::internal::CaptureStderr();
    ProviderTables lib;
    ASSERT_TRUE(lib.Loaded());
    std::string failure;
    ASSERT_EQ(lib.Initialize(&failure), 0) << failure;

    const std::string bindPassword = Unique("Bind-pw");
    scan.AddSecret("the bind password", bindPassword);
    const std::string credentials =
        "<parameter name=\"bindCredentials\"><value><credential><username>cn=reader</username>"
        "<password>" +
        bindPassword + "</password></credential></value></parameter>";
    auto configure = [&](const std::string& id, const std::string& connection,
                         const std::string& directoryNamespace) {
        std::string response, exception;
        const int32_t result = lib.Configure(
            NamespaceConfiguration(id, connection, env.baseDn(), directoryNamespace, credentials),
            response, exception);
        scan.AddRecord("configure " + id + " response", response);
        scan.AddRecord("configure " + id + " exception", exception);
        return result;
    };
    EXPECT_EQ(configure("ns1", env.hostPort(), kNamespace), 0);
    EXPECT_NE(configure("down", "127.0.0.1:1", kNamespace), 0);
    EXPECT_NE(configure("unknown", env.hostPort(), "nosuchnamespace"), 0);

    char* text = nullptr;
    EXPECT_EQ(
        lib.life.SetNamespaceVersion(NamespaceVersionDocument("ns1", 3).c_str(), nullptr, &text),
        0);
    scan.AddRecord("set-version exception", Take(text));
    char* response = nullptr;
    lib.text.SearchXml(NamespaceSearchVisa("ns1").c_str(),
                       NamespaceSearchQuery("ns1", "<item>defaultName</item>").c_str(), &response,
                       &text);
    scan.AddRecord("search response", Take(response));
    scan.AddRecord("search exception", Take(text));

    EXPECT_EQ(lib.Terminate(&failure), 0);
    scan.AddRecord("terminate exception", failure);
    scan.AddRecord("standard error", testing::internal::GetCapturedStderr());
    scan.AddWrittenFiles(home->Path());
    unsetenv("BASALT_LOG_FILE");
    unsetenv("BASALT_LOG_LEVEL");

    EXPECT_GT(scan.Check(), 0u);
}
