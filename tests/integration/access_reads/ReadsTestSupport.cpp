#include "ReadsTestSupport.h"

#include <fcntl.h>
#include <ldap.h>
#include <sys/file.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <sstream>

namespace reads_test {

Admin::Admin(const std::map<std::string, std::string>& env) : m_base(env.at("RIDGE_BASE_DN")) {
    if (ldap_initialize(&m_ld, env.at("RIDGE_URL").c_str()) != LDAP_SUCCESS)
        throw std::runtime_error("ldap_initialize");
    int v3 = LDAP_VERSION3;
    ldap_set_option(m_ld, LDAP_OPT_PROTOCOL_VERSION, &v3);
    std::string pw = env.at("RIDGE_ADMIN_PASSWORD");
    berval cred{pw.size(), pw.data()};
    if (ldap_sasl_bind_s(m_ld, env.at("RIDGE_ADMIN_DN").c_str(), LDAP_SASL_SIMPLE, &cred, nullptr,
                         nullptr, nullptr) != LDAP_SUCCESS)
        throw std::runtime_error("admin bind");
}

Admin::~Admin() {
    ldap_unbind_ext_s(m_ld, nullptr, nullptr);
}

bool Admin::exists(const std::string& dn) {
    LDAPMessage* res = nullptr;
    char noAttrs[] = LDAP_NO_ATTRS;
    char* attrs[] = {noAttrs, nullptr};
    int rc = ldap_search_ext_s(m_ld, dn.c_str(), LDAP_SCOPE_BASE, "(objectClass=*)", attrs, 0,
                               nullptr, nullptr, nullptr, 1, &res);
    ldap_msgfree(res);
    return rc == LDAP_SUCCESS;
}

void Admin::add(const std::string& dn,
                const std::vector<std::pair<std::string, std::string>>& attrs) {
    std::map<std::string, std::vector<char*>> grouped;
    for (const auto& [name, value] : attrs)
        grouped[name].push_back(const_cast<char*>(value.c_str()));
    std::vector<LDAPMod> mods;
    mods.reserve(grouped.size());
    for (auto& [name, values] : grouped) {
        values.push_back(nullptr);
        mods.push_back(LDAPMod{LDAP_MOD_ADD, const_cast<char*>(name.c_str()), {values.data()}});
    }
    std::vector<LDAPMod*> ptrs;
    for (auto& m : mods)
        ptrs.push_back(&m);
    ptrs.push_back(nullptr);
    int rc = ldap_add_ext_s(m_ld, dn.c_str(), ptrs.data(), nullptr, nullptr);
    if (rc != LDAP_SUCCESS)
        throw std::runtime_error("add " + dn + ": " + ldap_err2string(rc));
}

void Admin::remove(const std::string& dn) {
    ldap_delete_ext_s(m_ld, dn.c_str(), nullptr, nullptr);
}

namespace {

// Loads the namespace unless its last entry is there; serialised across test processes.
void ensureTreeLoaded(const std::map<std::string, std::string>& env, const std::string& home) {
    std::string lockPath = env.at("RIDGE_DIRECTORY_DIR") + "/reads-tree.lock";
    int lock = ::open(lockPath.c_str(), O_CREAT | O_RDWR, 0600);
    ASSERT_GE(lock, 0);
    flock(lock, LOCK_EX);
    Admin admin(env);
    std::string sentinel = "cn=Élèves,cn=Everyone,ou=readstest," + admin.base();
    if (!admin.exists(sentinel)) {
        std::stringstream text;
        text << std::ifstream(READS_TEST_LDIF).rdbuf();
        std::string ldif = text.str();
        for (size_t p; (p = ldif.find("@BASE_DN@")) != std::string::npos;)
            ldif.replace(p, 9, admin.base());
        std::ofstream(home + "/reads.ldif") << ldif;
        std::ofstream(home + "/admin.pw") << env.at("RIDGE_ADMIN_PASSWORD");
        std::string cmd = "ldapadd -x -c -H '" + env.at("RIDGE_URL") + "' -D '" +
                          env.at("RIDGE_ADMIN_DN") + "' -y '" + home + "/admin.pw' -f '" + home +
                          "/reads.ldif' >/dev/null 2>&1";
        [[maybe_unused]] int rc = std::system(cmd.c_str());
        std::remove((home + "/admin.pw").c_str());
    }
    EXPECT_TRUE(admin.exists(sentinel)) << "the reads test namespace could not be loaded";
    ::close(lock);
}

}  // namespace

void ReadsTest::SetUp() {
    DirectoryTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
        return;
    ASSERT_NO_FATAL_FAILURE(ensureTreeLoaded(env, home));
    ASSERT_EQ(AS_OK, AS_SetSystemEncoding(encoding()));
    useConfig(kReadsNs);
    h = handleFor("reader");
}

void ReadsTest::TearDown() {
    for (AS_Handle x : extra)
        AS_Terminate(x);
    DirectoryTest::TearDown();
}

AS_Handle ReadsTest::handleFor(const char* user, const char* userClass) {
    AS_Handle x = open();
    extra.push_back(x);
    if (user) {
        EXPECT_EQ(AS_OK,
                  signOn(x, user, access_test::kPassword, userClass, nullptr, nullptr, kReadsNs));
    }
    return x;
}

}  // namespace reads_test
