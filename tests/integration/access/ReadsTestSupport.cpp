#include "ReadsTestSupport.h"

#include "DirectoryAdmin.h"

namespace reads_test {

void ReadsTest::SetUp() {
    DirectoryTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
        return;
    ASSERT_TRUE(ridge_test::loadTreeOnce(env, home, READS_TEST_LDIF,
                                         "cn=Élèves,cn=Everyone,ou=readstest," + env.baseDn()))
        << "the reads test namespace could not be loaded";
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
