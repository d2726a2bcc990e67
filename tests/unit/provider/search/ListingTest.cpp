// The listing cache (positions, reuse for the next page) and the filter analysis that decides
// which classes a listing collects and whether a directory search by name can serve it.
#include "search/ListingCache.h"
#include "search/ListingFilter.h"

#include <VOR_AAA_SearchFilter.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using namespace ListingFilter;

// The order of a listing and its pages: tests/integration/provider (LargeFolderTest, SearchTest).
TEST(ListingCache, FoldersAndRolesOfOneNameAreAllKeptInIdentifierOrder) {
    ListingCache cache;
    cache.Add(ListingCache::eFolders, "Europe", 40);
    cache.Add(ListingCache::eFolders, "Europe", 7);
    cache.Add(ListingCache::eFolders, "Europe", 40);  // met again while walking: once
    cache.Add(ListingCache::eRoles, "Staff", 12);
    cache.Add(ListingCache::eRoles, "Staff", 3);
    std::vector<std::pair<int, AS_ObjectId>> seen;
    cache.ForEachFrom(0, [&](const ListingCache::Slot& slot) {
        seen.emplace_back(slot.group, slot.id);
        return true;
    });
    EXPECT_EQ((std::vector<std::pair<int, AS_ObjectId>>{{0, 7}, {0, 40}, {1, 3}, {1, 12}}), seen);
    EXPECT_TRUE(cache.Holds(ListingCache::eRoles, "Staff", 3));
    EXPECT_TRUE(cache.Holds(ListingCache::eRoles, "Staff", 12));
    EXPECT_FALSE(cache.Holds(ListingCache::eRoles, "Staff", 40));
}

// The next page of a listing comes from the cache and another listing starts afresh
// (tests/integration/provider, SearchTest); here, the parts of a query that make it another.
TEST(ListingCache, ReusedOnlyForTheSameListingWhileFilled) {
    VOR_AAA_Query first;
    first.SetSearchPath("VORID('ns:f:authid=1')/*");
    first.AddProperty("name");
    first.SetMaxObjects(10);
    VOR_AAA_Query nextPage = first;
    nextPage.SetSkipObjects(10);
    ListingCache cache;
    cache.Store(first);
    EXPECT_FALSE(cache.Reuses(nextPage)) << "stored but empty";
    cache.Add(ListingCache::eAccounts, "a", 1);
    EXPECT_TRUE(cache.Reuses(nextPage));
    VOR_AAA_Query otherSort = nextPage;
    otherSort.AddSortBy("name", VOR_AAA_Query::eDescending);
    EXPECT_FALSE(cache.Reuses(otherSort));
    VOR_AAA_Query otherRefProps = nextPage;
    otherRefProps.SetRefProps("members", {"name"});
    EXPECT_FALSE(cache.Reuses(otherRefProps));
    cache.SetCollecting(true);
    cache.Reset();
    EXPECT_FALSE(cache.Reuses(nextPage));
    EXPECT_FALSE(cache.IsCollecting());
}

VOR_AAA_SearchFilter::Group Group(const std::string& predicate) {
    VOR_AAA_SearchFilter filter;
    filter.Parse(predicate, eSFAllOperations);
    return filter.GetGroups().at(0);
}

Restriction Code(const std::vector<std::string>& predicates) {
    VOR_AAA_SearchFilter filter;
    filter.Parse(predicates, eSFAllOperations);
    return RestrictionOf(filter.GetGroups());
}

// Listings by class against slapd: tests/integration/provider (SearchTest). Here, the codes of
// the combinations and forms those listings do not use.
TEST(ListingFilter, ObjectClassPredicatesGiveRestrictionCodes) {
    EXPECT_EQ(eNoRestriction, Code({"@name='x'"}));
    EXPECT_EQ(eRolesAndAccounts, Code({"@objectClass='role' or @objectClass='account'"}));
    EXPECT_EQ(eRolesAndFolders, Code({"@objectClass='role' or @objectClass='namespaceFolder'"}));
    EXPECT_EQ(eFoldersAndAccounts, Code({"@objectClass != 'role'"}));
    // Predicates all hold: their masks intersect.
    EXPECT_EQ(eAccountsOnly,
              Code({"@objectClass != 'role'", "@objectClass='account' or @objectClass='role'"}));
    EXPECT_EQ(eNothing, Code({"@objectClass='account'", "@objectClass='role'"}));
    // Class words are case-sensitive; an unknown class beside a known one restricts to it.
    EXPECT_EQ(eOtherOnly, Code({"@objectClass='Account'"}));
    EXPECT_EQ(eAccountBit, ClassMask(Group("@objectClass='group' or @objectClass='account'")));
    // Function forms match the words they fit: "namespaceFolder" only starts with "name".
    EXPECT_EQ(eFoldersOnly, Code({"starts-with(@objectClass, 'name')"}));
    EXPECT_EQ(eNoRestriction, Code({"contains(@objectClass, 'o')"}));
    EXPECT_EQ(eRolesOnly, Code({"ends-with(@objectClass, 'le')"}));
}

TEST(ListingFilter, NameSearchServesOnlyASingleNameComponent) {
    VOR_AAA_SearchFilter filter;
    filter.Parse(std::vector<std::string>{"starts-with(@defaultName, 'Ann')"}, eSFAllOperations);
    auto component = NameSearchComponent(filter.GetGroups());
    ASSERT_TRUE(component);
    EXPECT_EQ("Ann*", NamePattern(*component).value());

    const auto pattern = [](const std::string& predicate) {
        return NamePattern(Group(predicate).at(0));
    };
    EXPECT_EQ("*a(b)*", pattern("contains(@name, 'a(b)')").value());
    EXPECT_FALSE(pattern("@name != 'x'"));
    // A star in the value would act as a wildcard: not searchable by pattern.
    EXPECT_FALSE(pattern("@name = 'a*b'"));

    // Only one component on a name, alone in the filter, is served.
    for (const std::vector<std::string>& other : std::vector<std::vector<std::string>>{
             {"@name='a' or @name='b'"}, {"@email='a@b'"}, {"@name='a'", "@userName='a'"}}) {
        filter.Clear();
        filter.Parse(other, eSFAllOperations);
        EXPECT_FALSE(NameSearchComponent(filter.GetGroups())) << other.front();
    }
}

}  // namespace
