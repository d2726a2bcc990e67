// A folder of 20,000 users, four times what the test directory answers in one search (its size
// limit is 5,000): its listing and the namespace's descendants come complete, in name order, page
// by page. The users live in a namespace of their own, loaded once per fixture run, so that the
// other search tests' listings stay small.
#include "ListingCalls.h"
#include "SearchTestSupport.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace search_test {
namespace {

constexpr int kUsers = 20000;
constexpr uint32_t kBigFolder = 2;
const std::vector<std::string> kNames = {"defaultName", "objectClass", "searchPath"};

std::string BigName(int i) {
    char text[16];
    std::snprintf(text, sizeof text, "Big %05d", i);
    return text;
}
// Sign-on names in the order of the display names: a listing is ordered by sign-on name.
std::string BigUid(int i) {
    char text[16];
    std::snprintf(text, sizeof text, "big%05d", i);
    return text;
}

class LargeFolderTest : public SearchTest {
protected:
    LargeFolderTest() { directoryNamespace = "searchbig"; }

    void LoadNamespace() override {
        const std::string sentinel =
            "uid=" + BigUid(kUsers - 1) + ",ou=Big,ou=searchbig," + env.baseDn();
        ASSERT_TRUE(ridge_test::loadOnce(env, home, "searchbig.lock", sentinel, [] {
            const std::string ns = "ou=searchbig,@BASE_DN@";
            std::string ldif = "dn: " + ns +
                               "\nobjectClass: organizationalUnit\nobjectClass: ridgeNamespace\n"
                               "objectClass: ridgeFolder\nou: searchbig\nridgeId: 1\n"
                               "ridgeAuthModes: basic\n\n"
                               "dn: ou=tickets," +
                               ns + "\nobjectClass: organizationalUnit\nou: tickets\n\n" +
                               "dn: uid=reader," + ns +
                               "\nobjectClass: inetOrgPerson\nobjectClass: ridgeUser\nuid: reader\n"
                               "cn: Reader\nsn: Reader\nridgeId: 10\nridgeBasicSignonId: 5010\n"
                               "ridgePrivileges: 8\nuserPassword: " +
                               kPassword + "\n\ndn: ou=Big," + ns +
                               "\nobjectClass: organizationalUnit\nobjectClass: ridgeFolder\n"
                               "ou: Big\nridgeId: 2\n\n";
            for (int i = 0; i < kUsers; ++i) {
                ldif += "dn: uid=" + BigUid(i) + ",ou=Big," + ns +
                        "\nobjectClass: inetOrgPerson\nobjectClass: ridgeUser\nuid: " + BigUid(i) +
                        "\ncn: " + BigName(i) +
                        "\nsn: Big\nridgeId: " + std::to_string(100000 + i) + "\n\n";
            }
            return ldif;
        })) << "the searchbig namespace could not be loaded";
    }
};

TEST_F(LargeFolderTest, ListedWholeInNameOrderPageByPageAndAfterItsRecordsAged) {
    const std::string path = Folder(kBigFolder) + "/*";
    Answer first = Query(reader, path, kNames, 0, 100);
    ASSERT_EQ(100u, first.rows.size()) << first.exception;
    EXPECT_EQ(BigName(0), first.rows.front().value("defaultName"));
    EXPECT_EQ(BigName(99), first.rows.back().value("defaultName"));

    // Later pages come from the session's listing, past every page the server would send.
    const int before = ListingCalls();
    Answer middle = Query(reader, path, kNames, 12345, 3);
    Answer last = Query(reader, path, kNames, kUsers - 50, 100);
    EXPECT_EQ(before, ListingCalls());
    EXPECT_EQ((std::vector<std::string>{BigName(12345), BigName(12346), BigName(12347)}),
              middle.Names());
    ASSERT_EQ(50u, last.rows.size());
    EXPECT_EQ(BigName(kUsers - 50), last.rows.front().value("defaultName"));
    EXPECT_EQ(BigName(kUsers - 1), last.rows.back().value("defaultName"));
    EXPECT_EQ("VORID(\"searchns:u:authid=" + std::to_string(100000 + kUsers - 1) + "\")",
              last.rows.back().value("searchPath"));

    // The namespace's descendants: its two folders, then the 20,001 accounts by name.
    Answer tail = Query(reader, Root() + "/descendant::*", kNames, kUsers, 10);
    EXPECT_EQ((std::vector<std::string>{BigName(kUsers - 2), BigName(kUsers - 1), "Reader"}),
              tail.Names())
        << tail.exception;

    // A long page after its records aged: the library sends its record requests a few at a time
    // as the page is built, and the page still comes whole and in order.
    ASSERT_EQ(100u, Query(reader, path, kNames, 0, 100).rows.size());
    std::this_thread::sleep_for(std::chrono::milliseconds(600));  // the listing's records aged
    Answer page = Query(reader, path, kNames, 1000, 950);
    ASSERT_EQ(950u, page.rows.size()) << page.exception;
    for (size_t i = 0; i < page.rows.size(); ++i)
        ASSERT_EQ(BigName(1000 + static_cast<int>(i)), page.rows[i].value("defaultName"));
}

}  // namespace
}  // namespace search_test
