#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "PYXThread.h"

namespace basalt::logging {

// What the configuration says.
struct LogSettings {
    static constexpr std::int64_t kOff = INT64_MAX;
    std::int64_t threshold = 50000;
    std::string destination = "stderr";  // "stderr" or an absolute file path
};

// Reads <home>/logging.conf and then the environment overrides. Unreadable files and bad values
// leave the defaults in place.
LogSettings readLogSettings(const std::string& home);

// The one destination of the process: writes whole lines under a lock.
class LogSink {
public:
    static LogSink& instance();

    void configure(const LogSettings& settings);
    bool accepts(int level) const noexcept { return level >= m_threshold.load(); }
    // Appends line and a line break in one write; false when the record was lost.
    bool write(const std::string& line);

private:
    LogSink();
    ~LogSink();
    void openFile();
    void closeFile();

    mutable PYXThreadCriticalSection m_lock;
    std::atomic<std::int64_t> m_threshold{50000};
    std::string m_destination = "stderr";
    int m_fd = -1;
    // When the file could not be opened: do not try again before this time.
    std::chrono::steady_clock::time_point m_retryAfter{};
};

}  // namespace basalt::logging
