// The settings of the "ridge_directory" test fixture: the shell-sourceable KEY='value' file that
// scripts/directory writes and RIDGE_TEST_ENV names, and private copies of the provider home it
// prepares (RIDGE_TEST_HOME), for tests that write into their home.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <istream>
#include <map>
#include <stdexcept>
#include <string>

namespace ridge_test {

class RidgeTestDirectory {
public:
    // The file RIDGE_TEST_ENV names; empty (not available()) when the variable is unset or the
    // file cannot be read.
    static RidgeTestDirectory fromEnvironment() {
        const char* path = std::getenv("RIDGE_TEST_ENV");
        if (path == nullptr || *path == '\0') {
            return {};
        }
        std::ifstream in(path);
        return parse(in);
    }

    // KEY=VALUE lines; an optional "export ", blank lines and '#' comments are passed over, and
    // a value in matching single or double quotes loses them.
    static RidgeTestDirectory parse(std::istream& in) {
        RidgeTestDirectory directory;
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("export ", 0) == 0) {
                line.erase(0, 7);
            }
            const std::size_t equals = line.find('=');
            if (line.empty() || line[0] == '#' || equals == std::string::npos || equals == 0) {
                continue;
            }
            std::string value = line.substr(equals + 1);
            if (value.size() >= 2 && (value.front() == '\'' || value.front() == '"') &&
                value.back() == value.front()) {
                value = value.substr(1, value.size() - 2);
            }
            directory.m_values[line.substr(0, equals)] = value;
        }
        return directory;
    }

    bool available() const { return !m_values.empty(); }
    const std::map<std::string, std::string>& values() const { return m_values; }
    // The value of key, "" when the file has none.
    const std::string& value(const std::string& key) const {
        static const std::string none;
        const auto found = m_values.find(key);
        return found == m_values.end() ? none : found->second;
    }

    const std::string& url() const { return value("RIDGE_URL"); }
    const std::string& host() const { return value("RIDGE_HOST"); }
    const std::string& port() const { return value("RIDGE_PORT"); }
    std::string hostPort() const { return host() + ":" + port(); }
    const std::string& baseDn() const { return value("RIDGE_BASE_DN"); }
    const std::string& adminDn() const { return value("RIDGE_ADMIN_DN"); }
    const std::string& adminPassword() const { return value("RIDGE_ADMIN_PASSWORD"); }
    const std::string& serviceDn() const { return value("RIDGE_SERVICE_DN"); }
    const std::string& servicePasswordFile() const { return value("RIDGE_SERVICE_PASSWORD_FILE"); }
    const std::string& ldapiUrl() const { return value("RIDGE_LDAPI_URL"); }
    // The fixture's working folder (slapd files, env, service.pw): a place for lock files.
    const std::string& directoryDir() const { return value("RIDGE_DIRECTORY_DIR"); }
    // The provider-ready home directory; "" when the fixture was started without one.
    const std::string& testHome() const { return value("RIDGE_TEST_HOME"); }

    // Copies the test home into target (created when missing). Throws when there is none.
    void copyTestHomeTo(const std::filesystem::path& target) const {
        if (testHome().empty()) {
            throw std::runtime_error("the test directory has no RIDGE_TEST_HOME");
        }
        std::filesystem::create_directories(target);
        std::filesystem::copy(testHome(), target, std::filesystem::copy_options::recursive);
    }

    // A copy of the test home in a new folder below the temporary directory, whose name starts
    // with prefix; the caller removes it. Throws on failure.
    std::string copyTestHome(const std::string& prefix) const {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary home below " + pattern);
        }
        try {
            copyTestHomeTo(pattern);
        } catch (...) {
            std::error_code ignored;
            std::filesystem::remove_all(pattern, ignored);
            throw;
        }
        return pattern;
    }

private:
    std::map<std::string, std::string> m_values;
};

}  // namespace ridge_test
