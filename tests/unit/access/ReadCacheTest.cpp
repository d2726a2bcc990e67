// The handle's read cache: entries live only for their lifetime, two entries claiming one id are
// never served, DNs match in any spelling the parser accepts, and the cache stays bounded.
#include <AccessAPI.h>
#include <gtest/gtest.h>

#include "ReadCache.h"

using namespace ridge::access;
using namespace std::chrono_literals;

namespace {

LdapEntry entry(const std::string& dn, const std::string& cn) {
    LdapEntry e;
    e.dn = dn;
    e.attributes.add("cn", {cn});
    return e;
}

const ReadCache::Clock::time_point t0{};

TEST(ReadCache, EntriesServeByIdAndDnUntilTheyExpire) {
    ReadCache cache(400ms, 100);
    cache.putEntry(AS_OBJ_USER, 7, entry("uid=a,ou=F,dc=x", "A"), t0);
    ASSERT_TRUE(cache.entryById(AS_OBJ_USER, 7, t0 + 399ms));
    EXPECT_EQ("A", cache.entryById(AS_OBJ_USER, 7, t0 + 100ms)->value("cn"));
    EXPECT_FALSE(cache.entryById(AS_OBJ_USER, 7, t0 + 400ms));
    // Another type with the same id, or a time before the fetch, is a miss.
    EXPECT_FALSE(cache.entryById(AS_OBJ_USER_FOLDER, 7, t0));
    EXPECT_FALSE(cache.entryById(AS_OBJ_USER, 7, t0 - 1ms));
    // The DN in another spelling of the same name.
    EXPECT_TRUE(cache.entryByDn(AS_OBJ_USER, "UID=a, OU=F, DC=x", t0 + 1ms));
    EXPECT_FALSE(cache.entryByDn(AS_OBJ_USER, "uid=b,ou=F,dc=x", t0 + 1ms));
    EXPECT_FALSE(cache.entryByDn(AS_OBJ_USER_CLASS, "uid=a,ou=F,dc=x", t0 + 1ms));
    EXPECT_FALSE(cache.entryByDn(AS_OBJ_USER, "uid=a,ou=F,dc=x", t0 + 401ms));
    // A later fetch renews the entry.
    cache.putEntry(AS_OBJ_USER, 7, entry("uid=a,ou=F,dc=x", "A2"), t0 + 300ms);
    EXPECT_EQ("A2", cache.entryById(AS_OBJ_USER, 7, t0 + 600ms)->value("cn"));
    cache.clear();
    EXPECT_EQ(0u, cache.size());
    EXPECT_FALSE(cache.entryById(AS_OBJ_USER, 7, t0 + 301ms));
}

TEST(ReadCache, TwoEntriesClaimingOneIdAreNeverServed) {
    ReadCache cache(400ms, 100);
    cache.putEntry(AS_OBJ_USER, 7, entry("uid=a,dc=x", "A"), t0);
    cache.putEntry(AS_OBJ_USER, 7, entry("uid=b,dc=x", "B"), t0);
    EXPECT_FALSE(cache.entryById(AS_OBJ_USER, 7, t0));
    EXPECT_FALSE(cache.entryByDn(AS_OBJ_USER, "uid=a,dc=x", t0));
    // Seeing the first one again does not settle the conflict while it lasts...
    cache.putEntry(AS_OBJ_USER, 7, entry("uid=a,dc=x", "A"), t0 + 10ms);
    EXPECT_FALSE(cache.entryById(AS_OBJ_USER, 7, t0 + 20ms));
    // ... but a fetch after it has aged is believed.
    cache.putEntry(AS_OBJ_USER, 7, entry("uid=b,dc=x", "B"), t0 + 500ms);
    EXPECT_EQ("B", cache.entryById(AS_OBJ_USER, 7, t0 + 500ms)->value("cn"));
    // Id 0 is no object.
    cache.putEntry(AS_OBJ_USER, 0, entry("uid=c,dc=x", "C"), t0);
    EXPECT_FALSE(cache.entryByDn(AS_OBJ_USER, "uid=c,dc=x", t0));
}

// The DN index keeps no copy of a DN: it must drop a DN whenever the entry that brought it goes,
// even when another id has claimed the DN since.
TEST(ReadCache, OneDnUnderTwoIdsFollowsTheLaterUntilEitherGoes) {
    ReadCache cache(400ms, 100);
    cache.putEntry(AS_OBJ_USER, 1, entry("uid=a,dc=x", "First"), t0);
    cache.putEntry(AS_OBJ_USER, 2, entry("UID=a,DC=x", "Second"), t0 + 300ms);
    EXPECT_EQ("Second", cache.entryByDn(AS_OBJ_USER, "uid=a,dc=x", t0 + 300ms)->value("cn"));
    // Id 1, expired, is fetched again under another DN: the old DN is forgotten for both ids.
    cache.putEntry(AS_OBJ_USER, 1, entry("uid=b,dc=x", "First"), t0 + 450ms);
    EXPECT_FALSE(cache.entryByDn(AS_OBJ_USER, "uid=a,dc=x", t0 + 450ms));
    EXPECT_EQ("First", cache.entryByDn(AS_OBJ_USER, "uid=b,dc=x", t0 + 450ms)->value("cn"));
    EXPECT_EQ("Second", cache.entryById(AS_OBJ_USER, 2, t0 + 450ms)->value("cn"));
    // Id 2 fetched again under its DN is found by it again.
    cache.putEntry(AS_OBJ_USER, 2, entry("uid=a,dc=x", "Second"), t0 + 460ms);
    EXPECT_EQ("Second", cache.entryByDn(AS_OBJ_USER, "uid=a,dc=x", t0 + 460ms)->value("cn"));
    cache.putEntry(AS_OBJ_USER, 1, entry("uid=b,dc=x", "First"), t0 + 900ms);
    cache.putEntry(AS_OBJ_USER, 2, entry("uid=c,dc=x", "Second"), t0 + 900ms);
    EXPECT_FALSE(cache.entryByDn(AS_OBJ_USER, "uid=a,dc=x", t0 + 900ms));
    EXPECT_EQ("Second", cache.entryByDn(AS_OBJ_USER, "uid=c,dc=x", t0 + 900ms)->value("cn"));
}

TEST(ReadCache, ListsExpireAndTheCacheStaysBounded) {
    ReadCache cache(400ms, 4);
    cache.putList("children 13 ou=f", {3, 1, 2}, t0);
    EXPECT_EQ((std::vector<AS_ObjectId>{3, 1, 2}), *cache.list("children 13 ou=f", t0 + 10ms));
    EXPECT_FALSE(cache.list("children 13 ou=g", t0));
    EXPECT_FALSE(cache.list("children 13 ou=f", t0 + 400ms));
    for (AS_ObjectId id = 1; id <= 10; ++id) {
        cache.putEntry(AS_OBJ_USER, id, entry("uid=u" + std::to_string(id) + ",dc=x", "U"),
                       t0 + std::chrono::milliseconds(id));
        EXPECT_LE(cache.size(), 4u);
        // The newest entry is always kept.
        EXPECT_TRUE(cache.entryById(AS_OBJ_USER, id, t0 + std::chrono::milliseconds(id)));
    }
    // Expired items make room before anything fresh is dropped.
    cache.clear();
    cache.putEntry(AS_OBJ_USER, 1, entry("uid=old,dc=x", "O"), t0);
    cache.putList("l1", {1}, t0);
    cache.putEntry(AS_OBJ_USER, 2, entry("uid=n2,dc=x", "N"), t0 + 500ms);
    cache.putEntry(AS_OBJ_USER, 3, entry("uid=n3,dc=x", "N"), t0 + 500ms);
    cache.putEntry(AS_OBJ_USER, 4, entry("uid=n4,dc=x", "N"), t0 + 500ms);
    EXPECT_EQ(3u, cache.size());
    EXPECT_TRUE(cache.entryById(AS_OBJ_USER, 2, t0 + 500ms));
    // A cache of no capacity keeps nothing.
    ReadCache none(400ms, 0);
    none.putEntry(AS_OBJ_USER, 1, entry("uid=a,dc=x", "A"), t0);
    none.putList("l", {1}, t0);
    EXPECT_EQ(0u, none.size());
}

// DNs are kept under their normal form; the common plain ones are brought to it without the
// DN parser, and must come out exactly as the parser would write them.
TEST(ReadCache, DnKeysAreTheParsersNormalFormForEverySpelling) {
    const char* dns[] = {// plain: letters, digits, inner spaces and - . _ @ in values
                         "uid=Staff0,ou=Staff,ou=bench,dc=ridge,dc=test", "UID=a,OU=F,DC=x",
                         "cn=Staff0 Person,ou=Pages,dc=x", "mail=a.b-c_d@example.test,dc=x",
                         "ridgeId=42,dc=x", "x-Attr2=v,dc=x",
                         // not plain: the parser decides
                         "uid=a, ou=F,dc=x", "uid = a,dc=x", "cn=a\\,b,dc=x", "cn=O'Brien,dc=x",
                         "cn=a+sn=b,dc=x", "cn= lead,dc=x", "cn=trail ,dc=x", "cn=#hash,dc=x",
                         "2.5.4.3=a,dc=x", "cn=\\C3\\A9t\\C3\\A9,dc=x", "cn=\xC3\xA9,dc=x",
                         "cn=a,,dc=x", "cn=a,dc=x,", "cn=,dc=x", "=a,dc=x", "cn=a;b,dc=x",
                         "cn=\\<a\\>,dc=x", "not a dn", ""};
    for (const std::string dn : dns) {
        const std::optional<std::string> normal = normalizeDn(dn);
        EXPECT_EQ(normal ? *normal : dn, ReadCache::dnKey(dn)) << dn;
    }
}

}  // namespace
