#pragma once
// Runs basalt-host as a child process: a command to its end (what it printed and its exit
// status), or the gateway until it is stopped.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
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

using Environment = std::vector<std::pair<std::string, std::string>>;

// Starts basalt-host with args, its standard output and error on the given descriptors (closed
// here), env adding or replacing variables; the child's process id.
inline pid_t spawnHost(const std::vector<std::string>& args, const Environment& env, int out,
                       int err, int closeInChild = -1) {
    std::vector<std::string> argv{BASALT_HOST_PROGRAM};
    argv.insert(argv.end(), args.begin(), args.end());
    pid_t child = fork();
    if (child == 0) {
        dup2(out, 1);
        dup2(err, 2);
        if (closeInChild >= 0) {
            close(closeInChild);
        }
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
    close(out);
    if (err != out && err != 2) {
        close(err);
    }
    return child;
}

// The exit status of a child that has ended (128 + the signal when a signal ended it).
inline int waitFor(pid_t child) {
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Runs basalt-host to its end; what it printed and its exit status.
inline HostRun runHost(const std::vector<std::string>& args, const Environment& env = {}) {
    static int counter = 0;
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() /
        ("basalt-host-run-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
    std::filesystem::create_directories(dir);
    std::string outPath = (dir / "out").string();
    std::string errPath = (dir / "err").string();
    pid_t child = spawnHost(args, env, open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600),
                            open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600));
    HostRun run;
    run.status = waitFor(child);
    run.out = slurp(outPath);
    run.err = slurp(errPath);
    std::filesystem::remove_all(dir);
    return run;
}

// basalt-host serve as a child on a free loopback port, stopped with SIGTERM; what it prints
// after its first line (the access log) is kept, so it never blocks on a full pipe.
class GatewayProcess {
public:
    // hostArgs come before "serve", args after it.
    GatewayProcess(const std::vector<std::string>& hostArgs, std::vector<std::string> args,
                   const Environment& env) {
        int out[2];
        if (pipe(out) != 0) {
            return;
        }
        std::vector<std::string> all = hostArgs;
        all.push_back("serve");
        all.insert(all.end(), args.begin(), args.end());
        all.insert(all.end(), {"--port", "0"});
        m_pid = spawnHost(all, env, out[1], 2, out[0]);
        m_out = fdopen(out[0], "r");
        char line[512];
        while (m_out && fgets(line, sizeof line, m_out)) {
            std::smatch match;
            std::string text = line;
            if (std::regex_search(text, match, std::regex(R"(listening on http://[^:]+:(\d+)/)"))) {
                m_port = std::atoi(match[1].str().c_str());
                break;
            }
        }
        m_reader = std::thread([this] {
            char more[4096];
            while (fgets(more, sizeof more, m_out)) {
                std::lock_guard lock(m_mutex);
                m_output += more;
            }
        });
    }
    ~GatewayProcess() { stop(); }
    GatewayProcess(const GatewayProcess&) = delete;
    GatewayProcess& operator=(const GatewayProcess&) = delete;

    int port() const { return m_port; }
    pid_t pid() const { return m_pid; }
    std::string output() {
        std::lock_guard lock(m_mutex);
        return m_output;
    }

    // SIGTERM, then the exit status.
    int stop() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            m_status = waitFor(m_pid);
            m_pid = -1;
            if (m_reader.joinable()) {
                m_reader.join();  // ends with the child's output
            }
            fclose(m_out);
            m_out = nullptr;
        }
        return m_status;
    }

private:
    pid_t m_pid = -1;
    FILE* m_out = nullptr;
    std::thread m_reader;
    std::mutex m_mutex;
    std::string m_output;
    int m_port = 0;
    int m_status = -1;
};

// A Ridge namespace configuration, each parameter with one value.
inline std::string ridgeConfig(const std::string& id, const std::string& connection,
                               const std::string& baseDn, const std::string& directoryNamespace,
                               const std::string& timeout = "5") {
    std::string config = "<instance name=\"Ridge test\" class=\"Ridge\">";
    for (const auto& [name, value] : Environment{{"id", id},
                                                 {"connection", connection},
                                                 {"baseDN", baseDn},
                                                 {"namespace", directoryNamespace},
                                                 {"timeOut", timeout}}) {
        config += "<parameter name=\"" + name + "\"><value>" + value + "</value></parameter>";
    }
    return config + "</instance>";
}

// The text after marker up to a quote, semicolon or line end; "" when marker is absent. Plain
// searches: the load benchmark's client calls these on every sign-on.
inline std::string textAfter(const std::string& text, const std::string& marker) {
    std::size_t at = text.find(marker);
    if (at == std::string::npos) {
        return "";
    }
    at += marker.size();
    return text.substr(at, text.find_first_of("\";\r\n", at) - at);
}

// The gateway's session cookie a response sets, and the form token a page carries.
inline std::string sessionCookie(const std::string& response) {
    return textAfter(response, "Set-Cookie: basalt_session=");
}
inline std::string formToken(const std::string& page) {
    return textAfter(page, "name=\"basalt_csrf\" value=\"");
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
