#include "ReadsTestSupport.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace reads_test {

int ReadsTest::admin(const std::string& tool, const std::string& args, const std::string& ldif) {
    std::string text = ldif;
    for (size_t p; (p = text.find("@BASE_DN@")) != std::string::npos;)
        text.replace(p, 9, env["RIDGE_BASE_DN"]);
    std::ofstream(home + "/admin.ldif") << text;
    std::ofstream(home + "/admin.pw") << env["RIDGE_ADMIN_PASSWORD"];
    std::string cmd = tool + " -x -H '" + env["RIDGE_URL"] + "' -D '" + env["RIDGE_ADMIN_DN"] +
                      "' -y '" + home + "/admin.pw' " + args + " < '" + home +
                      "/admin.ldif' >/dev/null 2>&1";
    int status = std::system(cmd.c_str());
    std::remove((home + "/admin.pw").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void ReadsTest::SetUp() {
    DirectoryTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
        return;
    // Loaded once per directory, by whichever test process comes first.
    int lock =
        ::open((env["RIDGE_DIRECTORY_DIR"] + "/reads-tree.lock").c_str(), O_CREAT | O_RDWR, 0600);
    ASSERT_GE(lock, 0);
    flock(lock, LOCK_EX);
    std::string sentinel = "'cn=Élèves,cn=Everyone,ou=readstest," + env["RIDGE_BASE_DN"] + "'";
    if (admin("ldapsearch", "-s base -b " + sentinel) != 0) {
        std::stringstream ldif;
        ldif << std::ifstream(READS_TEST_LDIF).rdbuf();
        admin("ldapadd", "-c", ldif.str());
    }
    bool loaded = admin("ldapsearch", "-s base -b " + sentinel) == 0;
    ::close(lock);
    ASSERT_TRUE(loaded) << "the reads test namespace could not be loaded";
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
