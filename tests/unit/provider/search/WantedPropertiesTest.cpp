// When the object builders can answer from the listed name alone (what "*" and each name
// select: tests/integration/provider, SearchTest).
#include "search/WantedProperties.h"

#include <gtest/gtest.h>

namespace {

using W = WantedProperties;

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
