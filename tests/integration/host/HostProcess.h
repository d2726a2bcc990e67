#pragma once
// Runs basalt-host as a child process and captures what it prints and its exit status.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

struct HostRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// `env` adds or replaces environment variables of the child.
inline HostRun runHost(const std::vector<std::string>& args,
                       const std::vector<std::pair<std::string, std::string>>& env = {}) {
    static int counter = 0;
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() /
        ("basalt-host-run-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
    std::filesystem::create_directories(dir);
    std::string outPath = (dir / "out").string();
    std::string errPath = (dir / "err").string();

    std::vector<std::string> argv{BASALT_HOST_PROGRAM};
    argv.insert(argv.end(), args.begin(), args.end());
    pid_t child = fork();
    if (child == 0) {
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, 1);
        dup2(err, 2);
        unsetenv("BASALT_LIBRARY");
        for (const auto& [name, value] : env) {
            setenv(name.c_str(), value.c_str(), 1);
        }
        std::vector<char*> raw;
        for (std::string& arg : argv) {
            raw.push_back(arg.data());
        }
        raw.push_back(nullptr);
        execv(raw[0], raw.data());
        _exit(127);
    }
    HostRun run;
    int wstatus = 0;
    waitpid(child, &wstatus, 0);
    run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    run.out = slurp(outPath);
    run.err = slurp(errPath);
    std::filesystem::remove_all(dir);
    return run;
}

// A file in a per-test scratch folder, removed with the folder.
class ScratchDir {
public:
    ScratchDir() {
        static int counter = 0;
        m_path = std::filesystem::temp_directory_path() /
                 ("basalt-host-test-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
        std::filesystem::create_directories(m_path);
    }
    ~ScratchDir() { std::filesystem::remove_all(m_path); }
    std::string write(const std::string& name, const std::string& content) const {
        std::filesystem::path file = m_path / name;
        std::ofstream(file, std::ios::binary) << content;
        return file.string();
    }
    std::string path(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};
