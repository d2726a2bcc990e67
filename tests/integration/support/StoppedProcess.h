// Stopping a server process with SIGSTOP for a test: kill() only queues the signal, and a busy
// or descheduled thread of the server may go on answering for a while after it returns. A test
// that means "the server no longer answers" waits until every thread of it is stopped.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace ridge_test {

// The scheduler state letter of a thread ('R', 'S', 'T', ...), or '?' when it cannot be read.
inline char ThreadState(const std::filesystem::path& statFile) {
    std::ifstream in(statFile);
    std::string line;
    std::getline(in, line);
    // The command name in parentheses may hold spaces; the state follows its closing bracket.
    const auto close = line.rfind(')');
    if (close == std::string::npos || close + 2 >= line.size()) {
        return '?';
    }
    return line[close + 2];
}

// True when every thread of the process is stopped ('T') or traced ('t').
inline bool AllThreadsStopped(pid_t pid) {
    std::error_code error;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    bool any = false;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        const char state = ThreadState(task.path() / "stat");
        if (state != 'T' && state != 't') {
            return false;
        }
        any = true;
    }
    return any && !error;
}

// Sends SIGSTOP and returns once the whole process has stopped; false when it did not within
// the limit (or the signal could not be sent).
inline bool StopProcess(pid_t pid, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    if (kill(pid, SIGSTOP) != 0) {
        return false;
    }
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!AllThreadsStopped(pid)) {
        if (std::chrono::steady_clock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

}  // namespace ridge_test
