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

// The one destination of the process: writes whole lines under a lock. It configures itself
// from the home directory on first use and notices a changed configuration file (checked at
// most once a second), so a new level takes effect without a restart.
class LogSink {
public:
    static LogSink& instance();

    // Reads the configuration file and the environment now.
    void reload();
    void configure(const LogSettings& settings);
    bool accepts(int level) noexcept;
    // Appends line and a line break in one write; false when the record was lost.
    bool write(const std::string& line);

private:
    LogSink();
    ~LogSink();
    void refreshIfChanged() noexcept;
    void openFile();
    void closeFile();

    PYXThreadCriticalSection m_lock;
    std::atomic<std::int64_t> m_threshold{50000};
    std::string m_destination = "stderr";
    int m_fd = -1;
    // When the file could not be opened: do not try again before this time.
    std::chrono::steady_clock::time_point m_retryAfter{};

    // The configuration file last read and what it held.
    std::string m_configFile;
    std::string m_configStamp;
    std::atomic<bool> m_configured{false};
    std::atomic<std::int64_t> m_nextCheck{0};  // steady-clock nanoseconds
};

}  // namespace basalt::logging
