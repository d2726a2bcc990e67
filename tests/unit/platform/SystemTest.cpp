#include <gtest/gtest.h>

#include "PYXConfigurationFactory.h"
#include "PYXOsEncoding.h"
#include "TempDirectory.h"

// Unknown or unset locales, ASCII, or a name the converters do not know: the Windows code page.
TEST(OsEncoding, LocalesAndCodesetsFallBackToCp1252) {
    for (const char* locale : {"C", "POSIX", "xx_NOWHERE.NOT-A-CODESET"}) {
        EXPECT_EQ(PYXOsEncodingOfLocale(locale), "cp1252") << locale;
    }
    for (const std::string& name : {std::string("ANSI_X3.4-1968"), std::string(),
                                    std::string("NO-SUCH-CHARSET"), std::string(31, 'A')}) {
        EXPECT_EQ(PYXOsNormalizeCodeset(name), "cp1252") << name;
    }
    EXPECT_EQ(PYXOsNormalizeCodeset("CP1251"), "cp1251");
    {
        ScopedEnv all("LC_ALL", "no_SUCH.locale");
        EXPECT_EQ(PYXOsDefaultEncoding(), "cp1252");
    }
    ScopedEnv all("LC_ALL", "C.UTF-8");
    EXPECT_EQ(PYXOsDefaultEncoding(), "UTF-8");
}

TEST(Configuration, LocationsAreBelowTheHomeDirectory) {
    IPYXConfiguration* configuration = PYXConfigurationFactory::getInstance();
    ASSERT_NE(configuration, nullptr);
    EXPECT_EQ(PYXConfigurationFactory::getInstance(), configuration);

    TempDirectory home;
    {
        ScopedEnv env("BASALT_HOME", home.str() + "/");
        EXPECT_EQ(configuration->getLocation(".").utf8(), home.str());
        EXPECT_EQ(configuration->getLocation("keys").utf8(), home.str() + "/keys");
        EXPECT_EQ(configuration->getLocation("./a/../b/").utf8(), home.str() + "/b");
        EXPECT_EQ(configuration->getLocation("/etc/x").utf8(), "/etc/x");
    }
    // The home is looked up on each call, not remembered.
    ScopedEnv other("BASALT_HOME", "/srv/basalt");
    EXPECT_EQ(configuration->getLocation(".").utf8(), "/srv/basalt");
}
