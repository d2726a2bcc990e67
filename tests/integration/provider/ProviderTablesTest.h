// A directory test that drives the provider through its tables: the library is loaded once for
// the test program and never unloaded, each test starts with the provider initialised afresh
// and terminates it.
#pragma once

#include "ProviderDirectory.h"
#include "ProviderTables.h"

#include <gtest/gtest.h>

#include <string>

namespace provider_test {

class ProviderTablesTest : public DirectoryTest {
protected:
    void SetUp() override {
        DirectoryTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        ASSERT_TRUE(lib.Loaded());
        lib.Terminate();  // whatever a test before this one left initialised
        ASSERT_EQ(lib.Initialize(), 0);
    }
    void TearDown() override {
        if (env.available()) {
            EXPECT_EQ(lib.Terminate(), 0);
        }
    }

    static ProviderTables& Library() {
        static ProviderTables library;
        return library;
    }
    ProviderTables& lib = Library();
};

}  // namespace provider_test
