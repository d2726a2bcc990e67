// basalt-host serve as a child process on a free loopback port, stopped with SIGTERM.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class GatewayProcess {
public:
    // args follow "serve"; env adds variables.
    GatewayProcess(const std::vector<std::string>& hostArgs, const std::vector<std::string>& args,
                   const std::vector<std::pair<std::string, std::string>>& env) {
        int out[2];
        if (pipe(out) != 0) {
            return;
        }
        std::vector<std::string> argv{BASALT_HOST_PROGRAM};
        argv.insert(argv.end(), hostArgs.begin(), hostArgs.end());
        argv.push_back("serve");
        argv.insert(argv.end(), args.begin(), args.end());
        argv.insert(argv.end(), {"--port", "0"});
        m_pid = fork();
        if (m_pid == 0) {
            dup2(out[1], 1);
            close(out[0]);
            close(out[1]);
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
        close(out[1]);
        m_out = fdopen(out[0], "r");
        char line[512];
        std::smatch match;
        while (m_out && fgets(line, sizeof line, m_out)) {
            std::string text = line;
            if (std::regex_search(text, match, std::regex(R"(listening on http://[^:]+:(\d+)/)"))) {
                m_port = std::atoi(match[1].str().c_str());
                break;
            }
        }
        // The rest of what it prints (the access log) is kept, so it never blocks on a full pipe.
        m_reader = std::thread([this] {
            char more[4096];
            while (m_out && fgets(more, sizeof more, m_out)) {
                std::lock_guard lock(m_mutex);
                m_output += more;
            }
        });
    }
    ~GatewayProcess() { stop(); }

    std::string output() {
        std::lock_guard lock(m_mutex);
        return m_output;
    }
    GatewayProcess(const GatewayProcess&) = delete;
    GatewayProcess& operator=(const GatewayProcess&) = delete;

    int port() const { return m_port; }

    // SIGTERM, then the exit status.
    int stop() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            int status = 0;
            waitpid(m_pid, &status, 0);
            m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            m_pid = -1;
            if (m_reader.joinable()) {
                m_reader.join();  // ends with the child's output
            }
            if (m_out) {
                fclose(m_out);
                m_out = nullptr;
            }
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
