// What the calls cost in requests to the server, counted on the handle: a sign-on is one search
// and one bind; a folder of 100 users listed and then read one by one is about one search; what
// a handle keeps is its own and short-lived.
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

TEST_F(RoundTrips, SignOnIsOneSearchAndOneBindOnAPooledConnection) {
    AS_Handle x = handleFor(nullptr);
    const auto& c = counts(x);
    // AS_Init records the configuration and sends nothing.
    EXPECT_EQ(0u, c.connects + c.binds + c.searches);
    for (int round = 0; round < 3; ++round) {
        uint64_t s0 = c.searches, b0 = c.binds, k0 = c.connects;
        AS_ObjectId id = 0;
        ASSERT_EQ(AS_OK, AS_AuthenticateUser2(x, kNs, "rtreader", access_test::kPassword, nullptr,
                                              &id, nullptr));
        EXPECT_EQ(30099u, id);
        EXPECT_EQ(1u, c.searches - s0) << "round " << round;
        // The fixture's handle has used the pool of these servers: even the new handle's first
        // sign-on opens nothing and binds once, on a connection kept for binds.
        EXPECT_EQ(1u, c.binds - b0) << "round " << round;
        EXPECT_EQ(0u, c.connects - k0) << "round " << round;
    }
    // The user's own record after a sign-on: read with the user, no search of its own (what
    // the handle keeps, kept here for an hour so that a slow machine keeps it too).
    ridge::access::Process::instance().findHandle(x)->cache() =
        ridge::access::ReadCache(std::chrono::hours(1));
    ASSERT_EQ(AS_OK, signOn(x, "rtreader", access_test::kPassword, nullptr, nullptr, nullptr, kNs));
    const uint64_t s1 = c.searches;
    EXPECT_EQ("Round Trip Reader", userName(x, 30099));
    EXPECT_EQ(s1, c.searches.load());
    // A refused password costs the same, and the handle keeps no user.
    uint64_t s0 = c.searches, b0 = c.binds;
    EXPECT_EQ(AS_ERR_BAD_CREDENTIALS,
              signOn(x, "rtreader", "wrong-password", nullptr, nullptr, nullptr, kNs));
    EXPECT_EQ(1u, c.searches - s0);
    EXPECT_EQ(1u, c.binds - b0);
    EXPECT_EQ(AS_ERR_NOT_AUTHENTICATED, ASA_FindUserInfo(x, 30099, nullptr, nullptr, nullptr));
    // The next sign-on on the rebound connection reads as its own user.
    ASSERT_EQ(AS_OK, signOn(x, "rtreader", access_test::kPassword, nullptr, nullptr, nullptr, kNs));
    EXPECT_EQ("Round Trip Reader", userName(x, 30099));
    // Unknown namespace: still one search.
    s0 = c.searches;
    EXPECT_EQ(AS_ERR_NAMESPACE_NOT_FOUND, signOn(x, "rtreader", access_test::kPassword, nullptr,
                                                 nullptr, nullptr, "no-such-namespace"));
    EXPECT_EQ(1u, c.searches - s0);
}

TEST_F(RoundTrips, FolderOfAHundredUsersListedAndReadCostsOneListing) {
    uint64_t before = searches(rt);
    auto ids = list([&](uint32_t n, AS_ObjectId* i, uint32_t* t) {
        return ASA_FindUserFolderUsersList(rt, kFolder, n, i, t);
    });
    ASSERT_EQ(static_cast<size_t>(kUsers), ids.size());
    for (AS_ObjectId id : ids) {
        const std::string n = std::to_string(id - kFirstUser);
        // As the provider reads an account: probe, name and description sizes, the record.
        ASSERT_EQ(AS_OK, ASA_FindUserInfo(rt, id, nullptr, nullptr, nullptr));
        uint32_t nameSize = 0, descriptionSize = 0;
        ASSERT_EQ(AS_OK, ASA_FindObjectAttributeSize(rt, id, AS_OBJ_USER, AS_ATTR_NAME, &nameSize));
        ASSERT_EQ(AS_OK, ASA_FindObjectAttributeSize(rt, id, AS_OBJ_USER, AS_ATTR_DESCRIPTION,
                                                     &descriptionSize));
        std::string name(nameSize + 1, 'x'), description(descriptionSize + 1, 'x');
        char mail[AS_MAX_FIELD_SIZE], phone[AS_MAX_FIELD_SIZE], given[AS_MAX_FIELD_SIZE],
            surname[AS_MAX_FIELD_SIZE];
        ASSERT_EQ(AS_OK, ASA_FindUserInfo4(rt, id, name.data(), description.data(), mail, phone,
                                           nullptr, nullptr, given, surname));
        EXPECT_STREQ(("user" + n).c_str(), name.c_str());  // the sign-on name
        EXPECT_EQ(("Staff member " + n).size(), descriptionSize);
        EXPECT_STREQ(("user" + n + "@example.test").c_str(), mail);
        EXPECT_STREQ(("Number " + n).c_str(), given);
        AS_ObjectId folder = 0;
        ASSERT_EQ(AS_OK, ASA_FindUserUserFolder(rt, id, &folder));
        EXPECT_EQ(kFolder, folder);
    }
    // The folder look-up and the listing; 100 users would be 500 reads without the handle's
    // cache.
    EXPECT_LE(searches(rt) - before, 2u);
}

TEST_F(RoundTrips, CountThenListAndLookupsAfterListingsAreServedOnce) {
    uint64_t before = searches(rt);
    auto children = list([&](uint32_t n, AS_ObjectId* i, uint32_t* t) {
        return ASA_FindUserClassChildrenList3(rt, 30200, n, i, t);
    });
    EXPECT_EQ((std::vector<AS_ObjectId>{30201, 30202, 30203}), children);
    for (AS_ObjectId id : children) {
        uint32_t size = 0;
        char name[AS_MAX_NAME_SIZE];
        AS_ObjectId parent = 0;
        ASSERT_EQ(AS_OK, ASA_FindObjectAttributeSize(rt, id, AS_OBJ_USER_CLASS, 0, &size));
        ASSERT_EQ(AS_OK, ASA_FindUserClassInfo(rt, id, name, nullptr, &parent, nullptr));
        EXPECT_EQ(30200u, parent);
    }
    // The class look-up and its children.
    EXPECT_LE(searches(rt) - before, 2u);

    before = searches(rt);
    auto members = list([&](uint32_t n, AS_ObjectId* i, uint32_t* t) {
        return ASA_FindUserList(rt, 30200, n, i, t);
    });
    ASSERT_EQ(static_cast<size_t>(kUsers), members.size());
    for (AS_ObjectId id : members)
        ASSERT_EQ(AS_OK, ASA_FindUserInfo4(rt, id, nullptr, nullptr, nullptr, nullptr, nullptr,
                                           nullptr, nullptr, nullptr));
    // The class with its member list, then the members in two searches of at most 64 each.
    EXPECT_LE(searches(rt) - before, 3u);
}

TEST_F(RoundTrips, PrefetchedRecordsServeAPageAfterTheListingAged) {
    auto ids = list([&](uint32_t n, AS_ObjectId* i, uint32_t* t) {
        return ASA_FindUserFolderUsersList(rt, kFolder, n, i, t);
    });
    ASSERT_EQ(static_cast<size_t>(kUsers), ids.size());
    // What the listing fetched has aged: each read alone would be a search of its own.
    age(rt);
    std::vector<AS_ObjectId> page(ids.begin(), ids.begin() + 50);
    page.push_back(39999);  // no such user: ignored, its read reports it
    uint64_t before = searches(rt);
    ASSERT_EQ(AS_OK, ASA_PrefetchObjects(rt, AS_OBJ_USER, static_cast<uint32_t>(page.size()),
                                         page.data()));
    // Up to 100 ids a request: the 51 are asked in one.
    EXPECT_EQ(1u, searches(rt) - before);
    before = searches(rt);
    for (size_t i = 0; i < 50; ++i) {
        uint32_t size = 0;
        ASSERT_EQ(AS_OK, ASA_FindObjectAttributeSize(rt, page[i], AS_OBJ_USER, 0, &size));
        ASSERT_EQ(AS_OK, ASA_FindUserInfo4(rt, page[i], nullptr, nullptr, nullptr, nullptr, nullptr,
                                           nullptr, nullptr, nullptr));
    }
    EXPECT_EQ(0u, searches(rt) - before);
    // Asked again while fresh: nothing to fetch.
    ASSERT_EQ(AS_OK, ASA_PrefetchObjects(rt, AS_OBJ_USER, 50, page.data()));
    EXPECT_EQ(0u, searches(rt) - before);
    EXPECT_EQ(AS_ERR_USER_NOT_FOUND, ASA_FindUserInfo(rt, 39999, nullptr, nullptr, nullptr));
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, ASA_PrefetchObjects(rt, AS_OBJ_USER, 1, nullptr));
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, ASA_PrefetchObjects(rt, 99, 1, page.data()));
}

// A caller may ask for the records of a whole large listing at once, but a server closes a
// connection with too many requests pending: a few go out, the rest as the reads reach them, two
// ahead of the one being read; every record asked for is still read without a search of its own.
TEST_F(RoundTrips, RecordRequestsGoOutAFewAtATimeAsTheReadsReachThem) {
    using ridge::access::kIdsPerRecordRequest;
    using ridge::access::kRecordRequestsOnTheirWay;
    auto users = list([&](uint32_t n, AS_ObjectId* i, uint32_t* t) {
        return ASA_FindUserFolderUsersList(rt, kFolder, n, i, t);
    });
    ASSERT_EQ(static_cast<size_t>(kUsers), users.size());
    // Ten requests' worth of ids, ten users in each, ids of no object between them.
    constexpr size_t kRequests = 10;
    constexpr size_t kStride = kRequests * kIdsPerRecordRequest / kUsers;
    std::vector<AS_ObjectId> asked;
    for (size_t i = 0; i < kRequests * kIdsPerRecordRequest; ++i)
        asked.push_back(i % kStride == 0 ? users[i / kStride] : 40000 + i);
    const auto requestOf = [&](size_t user) { return user * kStride / kIdsPerRecordRequest; };

    age(rt);  // what was listed has aged
    for (const bool lastFirst : {false, true}) {
        SCOPED_TRACE(lastFirst ? "last user read first" : "users read in order");
        AS_Handle x = handleFor(nullptr);
        ASSERT_EQ(AS_OK,
                  signOn(x, "rtreader", access_test::kPassword, nullptr, nullptr, nullptr, kNs));
        const uint64_t before = searches(x);
        ASSERT_EQ(AS_OK, ASA_PrefetchObjects(x, AS_OBJ_USER, static_cast<uint32_t>(asked.size()),
                                             asked.data()));
        EXPECT_EQ(kRecordRequestsOnTheirWay, searches(x) - before);
        if (lastFirst) {
            // Its request waits behind all the others: they go out and are read first.
            EXPECT_EQ("User " + std::to_string(users.back() - kFirstUser),
                      userName(x, users.back()));
            EXPECT_EQ(kRequests, searches(x) - before);
        }
        for (size_t u = 0; u < users.size(); ++u) {
            EXPECT_EQ("User " + std::to_string(users[u] - kFirstUser), userName(x, users[u]));
            if (!lastFirst) {
                EXPECT_EQ(std::min(kRequests, requestOf(u) + kRecordRequestsOnTheirWay),
                          searches(x) - before)
                    << "user " << u;
            }
        }
        EXPECT_EQ(kRequests, searches(x) - before);
    }
}

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
