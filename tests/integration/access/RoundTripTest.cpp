// What a handle keeps and asks for ahead, counted on the handle: answers asked ahead never reach
// another call or a later sign-on, an aged folder is listed where it is now, and what a handle
// keeps is its own and short-lived.
#include <chrono>
#include <string>
#include <thread>

#include "Process.h"
#include "ReadsTestSupport.h"
#include "Session.h"

using namespace reads_test;

namespace {

constexpr const char* kNs = "roundtrips";
constexpr AS_ObjectId kFolder = 30001;
constexpr AS_ObjectId kFirstUser = 30100;
constexpr int kUsers = 100;

// The namespace: a root folder with the reader and a user the tests rename, a folder "Staff" with
// kUsers users, and a class tree Everyone > {Team0, Team1, Team2} whose root lists every user.
std::string roundTripsLdif() {
    std::string ns = "ou=roundtrips,@BASE_DN@";
    std::string staff = "ou=Staff," + ns;
    std::string ldif = "dn: " + ns +
                       "\nobjectClass: organizationalUnit\nobjectClass: ridgeNamespace\n"
                       "objectClass: ridgeFolder\nou: roundtrips\nridgeId: 30000\n\n"
                       "dn: uid=rtreader," +
                       ns +
                       "\nobjectClass: inetOrgPerson\nobjectClass: ridgeUser\nuid: rtreader\n"
                       "cn: Round Trip Reader\nsn: Reader\nridgeId: 30099\n"
                       "userPassword: Secret#2024\n\n"
                       "dn: uid=rtmutable," +
                       ns +
                       "\nobjectClass: inetOrgPerson\nobjectClass: ridgeUser\nuid: rtmutable\n"
                       "cn: Mutable\nsn: Mutable\nridgeId: 30098\n\n"
                       "dn: " +
                       staff +
                       "\nobjectClass: organizationalUnit\nobjectClass: ridgeFolder\nou: Staff\n"
                       "ridgeId: 30001\ndescription: A hundred users\n\n";
    std::string members;
    for (int i = 0; i < kUsers; ++i) {
        std::string n = std::to_string(i);
        std::string dn = "uid=user" + n + "," + staff;
        ldif += "dn: " + dn + "\nobjectClass: inetOrgPerson\nobjectClass: ridgeUser\nuid: user" +
                n + "\ncn: User " + n + "\nsn: User\ngivenName: Number " + n + "\nmail: user" + n +
                "@example.test\ntelephoneNumber: +1 555 01" + (i < 10 ? "0" + n : n) +
                "\nridgeId: " + std::to_string(kFirstUser + i) + "\ndescription: Staff member " +
                n + "\n\n";
        members += "uniqueMember: " + dn + "\n";
    }
    ldif += "dn: cn=Everyone," + ns +
            "\nobjectClass: groupOfUniqueNames\nobjectClass: ridgeClass\ncn: Everyone\n"
            "ridgeId: 30200\n" +
            members + "\n";
    for (int t = 0; t < 3; ++t)
        ldif += "dn: cn=Team" + std::to_string(t) + ",cn=Everyone," + ns +
                "\nobjectClass: groupOfUniqueNames\nobjectClass: ridgeClass\ncn: Team" +
                std::to_string(t) + "\nridgeId: " + std::to_string(30201 + t) +
                "\nuniqueMember: " + ns + "\n\n";
    return ldif;
}

class RoundTrips : public ReadsTest {
protected:
    void SetUp() override {
        ReadsTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(ridge_test::loadOnce(env, home, "roundtrips.lock",
                                         "cn=Team2,cn=Everyone,ou=roundtrips," + env.baseDn(),
                                         roundTripsLdif))
            << "the round-trips namespace could not be loaded";
        rt = handleFor(nullptr);
        ASSERT_EQ(AS_OK,
                  signOn(rt, "rtreader", access_test::kPassword, nullptr, nullptr, nullptr, kNs));
    }
    static const ridge::access::OperationCounts& counts(AS_Handle x) {
        return ridge::access::Process::instance().findHandle(x)->counts();
    }
    static uint64_t searches(AS_Handle x) { return counts(x).searches; }
    // What the handle read has outlived its lifetime, without waiting for it.
    static void age(AS_Handle x) {
        ridge::access::Process::instance().findHandle(x)->cache().age(
            ridge::access::ReadCache::Clock::now());
    }
    // The display name (cn) a read gives.
    std::string userName(AS_Handle x, AS_ObjectId id) {
        char name[AS_MAX_NAME_SIZE] = "";
        EXPECT_EQ(AS_OK, ASA_FindUserDisplayName(x, id, name)) << id;
        return name;
    }

    AS_Handle rt = 0;
};

// Prefetched answers are read when a read needs them: another call on the handle meanwhile still
// gets its own answer, and a new sign-on never sees what was asked for before it.
TEST_F(RoundTrips, AnswersAskedAheadMixWithOtherCallsAndEndWithTheSignOn) {
    auto ids = list([&](uint32_t n, AS_ObjectId* i, uint32_t* t) {
        return ASA_FindUserFolderUsersList(rt, kFolder, n, i, t);
    });
    ASSERT_EQ(static_cast<size_t>(kUsers), ids.size());
    age(rt);
    std::vector<AS_ObjectId> page;
    for (int i = 0; i < 20; ++i)
        page.push_back(kFirstUser + i);
    ASSERT_EQ(AS_OK, ASA_PrefetchObjects(rt, AS_OBJ_USER, 20, page.data()));
    // A search of its own while the answers are on their way: "user1" and "user10".."user19".
    uint32_t count = 0;
    char* names = nullptr;
    AS_ObjectId* found = nullptr;
    ASSERT_EQ(AS_OK, ASA_Search3(rt, AS_OBJ_USER, "user1*", &count, &names, &found));
    EXPECT_EQ(11u, count);
    AS_Free(names);
    AS_Free(found);
    uint64_t before = searches(rt);
    for (int i = 19; i >= 0; --i)  // in any order
        EXPECT_EQ("User " + std::to_string(i), userName(rt, kFirstUser + i));
    EXPECT_EQ(0u, searches(rt) - before);

    age(rt);
    ASSERT_EQ(AS_OK, ASA_PrefetchObjects(rt, AS_OBJ_USER, 20, page.data()));
    ASSERT_EQ(AS_OK,
              signOn(rt, "rtreader", access_test::kPassword, nullptr, nullptr, nullptr, kNs));
    before = searches(rt);
    EXPECT_EQ("User 7", userName(rt, kFirstUser + 7));
    EXPECT_EQ(1u, searches(rt) - before);
}

// A folder seen before is listed at the place the handle last saw it, on condition that it is
// still there, without a look-up; once it has moved, it is looked up and listed where it is now,
// even when another folder has taken its old place.
TEST_F(RoundTrips, AnAgedFolderIsListedWhereItIsNow) {
    const std::string ns = "ou=roundtrips,@BASE_DN@";
    const auto folder = [&](const std::string& name, int id, int userId) {
        return "dn: ou=" + name + "," + ns +
               "\nobjectClass: organizationalUnit\nobjectClass: ridgeFolder\nou: " + name +
               "\nridgeId: " + std::to_string(id) + "\n\ndn: uid=u" + std::to_string(userId) +
               ",ou=" + name + "," + ns +
               "\nobjectClass: inetOrgPerson\nobjectClass: ridgeUser\nuid: u" +
               std::to_string(userId) + "\ncn: U\nsn: U\nridgeId: " + std::to_string(userId) +
               "\n\n";
    };
    const std::string nsDn = "ou=roundtrips," + env.baseDn();  // tool arguments are not filled in
    const auto cleanUp = [&] {
        admin("ldapdelete", "-c -r 'ou=Moving," + nsDn + "' 'ou=Moved," + nsDn + "'");
    };
    const auto users = [&](AS_ObjectId id) {
        return list([&](uint32_t n, AS_ObjectId* i, uint32_t* t) {
            return ASA_FindUserFolderUsersList(rt, id, n, i, t);
        });
    };
    cleanUp();
    ASSERT_EQ(0, admin("ldapadd", "", folder("Moving", 30301, 30302)));
    EXPECT_EQ(std::vector<AS_ObjectId>{30302}, users(30301));

    // Aged but in place: the listing alone.
    age(rt);
    uint64_t before = searches(rt);
    EXPECT_EQ(std::vector<AS_ObjectId>{30302}, users(30301));
    EXPECT_EQ(1u, searches(rt) - before);

    // Moved, and a new folder with a user of its own where it was.
    ASSERT_EQ(0, admin("ldapmodrdn", "-r 'ou=Moving," + nsDn + "' ou=Moved"));
    ASSERT_EQ(0, admin("ldapadd", "", folder("Moving", 30303, 30304)));
    age(rt);
    before = searches(rt);
    EXPECT_EQ(std::vector<AS_ObjectId>{30302}, users(30301));
    // The listing refused at the old place, the look-up, and the listing at the new place.
    EXPECT_EQ(3u, searches(rt) - before);
    EXPECT_EQ(std::vector<AS_ObjectId>{30304}, users(30303));

    // Removed: the listing refused where it was, and the look-up finds nothing.
    ASSERT_EQ(0, admin("ldapdelete", "-r 'ou=Moved," + nsDn + "'"));
    age(rt);
    uint32_t count = 7;
    EXPECT_EQ(AS_ERR_FOLDER_NOT_FOUND, ASA_FindUserFolderUsersList(rt, 30301, 0, nullptr, &count));
    cleanUp();
}

TEST_F(RoundTrips, WhatAHandleKeepsIsItsOwnAndShortLived) {
    const std::string dn = "uid=rtmutable,ou=roundtrips,@BASE_DN@";
    constexpr AS_ObjectId kMutable = 30098;
    auto rename = [&](const std::string& cn) {
        ASSERT_EQ(0, admin("ldapmodify", "",
                           "dn: " + dn + "\nchangetype: modify\nreplace: cn\ncn: " + cn + "\n"));
    };
    rename("Mutable");
    ASSERT_EQ("Mutable", userName(rt, kMutable));
    rename("Renamed");
    // Another handle has nothing of rt's: it sees the change at once.
    AS_Handle other = handleFor(nullptr);
    ASSERT_EQ(AS_OK,
              signOn(other, "rtreader", access_test::kPassword, nullptr, nullptr, nullptr, kNs));
    EXPECT_EQ("Renamed", userName(other, kMutable));
    // rt sees it once what it read has aged (well under a second), or after a new sign-on.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ("Renamed", userName(rt, kMutable));
    rename("Mutable");
    ASSERT_EQ(AS_OK,
              signOn(rt, "rtreader", access_test::kPassword, nullptr, nullptr, nullptr, kNs));
    uint64_t before = searches(rt);
    EXPECT_EQ("Mutable", userName(rt, kMutable));
    EXPECT_EQ(1u, searches(rt) - before);
}

}  // namespace
