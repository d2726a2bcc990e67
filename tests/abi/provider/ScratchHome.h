// A copy of the source tree's home directory that BASALT_HOME names for a test process, so that
// nothing (the key folder in particular) is written into the source tree. Register it once per
// test program: ::testing::AddGlobalTestEnvironment(new provider_test::ScratchHome).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace provider_test {

// A copy of the source tree's home directory that BASALT_HOME names for the test process, so
// that nothing (the key folder in particular) is written into the source tree.
class ScratchHome : public ::testing::Environment {
public:
    void SetUp() override {
        namespace fs = std::filesystem;
        std::string pattern = (fs::temp_directory_path() / "basalt-abi-home-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_path = pattern;
        for (const auto& entry : fs::directory_iterator(PROVIDER_TEST_SOURCE_HOME)) {
            if (entry.path().filename() != "keys") {
                fs::copy(entry.path(), fs::path(m_path) / entry.path().filename(),
                         fs::copy_options::recursive);
            }
        }
        setenv("BASALT_HOME", m_path.c_str(), 1);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    static const std::string& Path() { return m_path; }

private:
    static inline std::string m_path;
};

}  // namespace provider_test
