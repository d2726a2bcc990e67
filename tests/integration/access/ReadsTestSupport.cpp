#include "ReadsTestSupport.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace reads_test {

void ReadsTest::SetUp() {
    DirectoryTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
        return;
    // Loaded once per directory, by whichever test process comes first.
    int lock = ::open((env.directoryDir() + "/reads-tree.lock").c_str(), O_CREAT | O_RDWR, 0600);
    ASSERT_GE(lock, 0);
    flock(lock, LOCK_EX);
    std::string sentinel = "'cn=Élèves,cn=Everyone,ou=readstest," + env.baseDn() + "'";
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
