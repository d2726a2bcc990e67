// The fixture directory for provider integration tests: its settings from RIDGE_TEST_ENV and a
// private home directory (message files, language table, and an access.conf naming the
// fixture's service identity) that BASALT_HOME points at before the provider is first used.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace provider_test {

inline std::map<std::string, std::string> ReadDirectoryEnv() {
    std::map<std::string, std::string> env;
    const char* path = std::getenv("RIDGE_TEST_ENV");
    if (path == nullptr) {
        return env;
    }
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        std::string value = line.substr(eq + 1);
        if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'') {
            value = value.substr(1, value.size() - 2);
        }
        env[line.substr(0, eq)] = value;
    }
    return env;
}

class DirectoryHome {
public:
    explicit DirectoryHome(const std::map<std::string, std::string>& env) {
        namespace fs = std::filesystem;
        std::string pattern = (fs::temp_directory_path() / "basalt-provider-home-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "no temporary home";
            return;
        }
        m_path = pattern;
        const fs::path source = PROVIDER_TEST_SOURCE_HOME;
        for (const char* file : {"ridge_tlxlang.tab", "srvcmsgs_en.msg", "srvcmsgs_fr.msg"}) {
            fs::copy_file(source / file, fs::path(m_path) / file);
        }
        fs::copy(source / "messages", fs::path(m_path) / "messages", fs::copy_options::recursive);
        std::ofstream conf(fs::path(m_path) / "access.conf");
        conf << "service_dn = " << env.at("RIDGE_SERVICE_DN") << "\n"
             << "service_password_file = " << env.at("RIDGE_SERVICE_PASSWORD_FILE") << "\n";
        setenv("BASALT_HOME", m_path.c_str(), 1);
    }
    ~DirectoryHome() {
        if (!m_path.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(m_path, ignored);
        }
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

}  // namespace provider_test
