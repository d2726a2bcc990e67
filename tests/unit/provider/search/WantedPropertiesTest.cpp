// The properties a query asks, as the object builders read them.
#include "search/WantedProperties.h"

#include <gtest/gtest.h>

namespace {

using W = WantedProperties;

TEST(WantedProperties, NamesAndTheStarSelectProperties) {
    const W none({});
    EXPECT_TRUE(none.None());
    EXPECT_FALSE(none[W::eSearchPath]);

    const W some({"email", "defaultDescription", "unknownThing"});
    EXPECT_FALSE(some.None());
    EXPECT_TRUE(some[W::eEmail]);
    EXPECT_TRUE(some.Description());
    EXPECT_FALSE(some[W::eName]);

    const W all({"*"});
    for (int p = 0; p < W::eCount; ++p) {
        EXPECT_TRUE(all[static_cast<W::Property>(p)]) << p;
    }
    // Names are compared exactly.
    EXPECT_FALSE(W({"Email", "description "})[W::eEmail]);
    EXPECT_FALSE(W({"Email", "description "}).Description());
}

// An object is given from its listed name alone only when nothing asked needs its record: a
// property the builders do not know still makes them read it.
TEST(WantedProperties, NameOnlyWhenEveryPropertyComesFromTheName) {
    EXPECT_TRUE(W({"searchPath", "defaultName", "userName", "hasChildren"}).AccountNameOnly());
    EXPECT_FALSE(W({"searchPath", "defaultName", "userName"}).RoleNameOnly());
    EXPECT_TRUE(W({"objectClass", "name"}).RoleNameOnly());
    EXPECT_FALSE(W({"name", "email"}).AccountNameOnly());
    EXPECT_FALSE(W({"name", "productLocale"}).AccountNameOnly());
    EXPECT_FALSE(W({"name", "unknownThing"}).AccountNameOnly());
    EXPECT_FALSE(W({"*"}).AccountNameOnly());
    EXPECT_FALSE(W({"*"}).RoleNameOnly());
}

}  // namespace
