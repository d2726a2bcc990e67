// The fixture directory for provider integration tests: a private copy of its home directory
// (message files, language table, and an access.conf naming the fixture's service identity)
// that BASALT_HOME points at before the provider is first used; tests write logs into it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "RidgeTestDirectory.h"

namespace provider_test {

using ridge_test::RidgeTestDirectory;

class DirectoryHome {
public:
    explicit DirectoryHome(const RidgeTestDirectory& env)
        : m_path(env.copyTestHome("basalt-provider-home-")) {
        setenv("BASALT_HOME", m_path.c_str(), 1);
    }
    ~DirectoryHome() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    DirectoryHome(const DirectoryHome&) = delete;
    DirectoryHome& operator=(const DirectoryHome&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// Each test's view of the fixture: its settings and a private home; skipped without a directory
// (derived fixtures check IsSkipped() after calling SetUp).
class DirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        env = RidgeTestDirectory::fromEnvironment();
        if (!env.available()) {
            GTEST_SKIP() << "RIDGE_TEST_ENV not set: no test directory";
        }
        home = std::make_unique<DirectoryHome>(env);
    }

    RidgeTestDirectory env;
    std::unique_ptr<DirectoryHome> home;
};

}  // namespace provider_test
