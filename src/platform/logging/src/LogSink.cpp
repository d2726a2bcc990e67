#include "LogSink.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "PYXHome.h"
#include "PYXSettingsFile.h"

namespace basalt::logging {
namespace {

constexpr auto kRetryDelay = std::chrono::seconds(5);
constexpr auto kCheckInterval = std::chrono::seconds(1);
constexpr const char* kConfigName = "logging.conf";

// What identifies a version of the configuration: its content (the file is small, and a
// modification time can repeat when two edits fall into one clock tick).
std::string stampOf(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return "absent";
    }
    std::string content = "present:";
    content.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return content;
}

std::int64_t steadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A threshold: a decimal number or "off"; false for anything else.
bool parseThreshold(const std::string& text, std::int64_t& threshold) {
    if (text == "off") {
        threshold = LogSettings::kOff;
        return true;
    }
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end == nullptr || *end != '\0') {
        return false;
    }
    threshold = value;
    return true;
}

std::string destinationBelow(const std::string& home, const std::string& destination) {
    if (destination == "stderr") {
        return destination;
    }
    std::filesystem::path path(destination);
    return (path.is_absolute() ? path : std::filesystem::path(home) / path)
        .lexically_normal()
        .string();
}

void apply(LogSettings& settings, const std::string& home, const std::string& key,
           const std::string& value) {
    if (key == "level") {
        parseThreshold(value, settings.threshold);
    } else if (key == "destination" && !value.empty()) {
        settings.destination = destinationBelow(home, value);
    }
}

}  // namespace

LogSettings readLogSettings(const std::string& home) {
    LogSettings settings;
    for (const auto& [key, value] :
         PYXReadSettingsFile(std::filesystem::path(home) / kConfigName)) {
        apply(settings, home, key, value);
    }
    if (const char* file = std::getenv("BASALT_LOG_FILE"); file != nullptr && *file != '\0') {
        apply(settings, home, "destination", PYXTrimmed(file));
    }
    if (const char* level = std::getenv("BASALT_LOG_LEVEL"); level != nullptr && *level != '\0') {
        apply(settings, home, "level", PYXTrimmed(level));
    }
    return settings;
}

LogSink::LogSink() = default;

LogSink::~LogSink() {
    closeFile();
}

LogSink& LogSink::instance() {
    static LogSink sink;
    return sink;
}

void LogSink::reload() {
    const std::string home = PYXHomeDirectory();
    const std::string file = (std::filesystem::path(home) / kConfigName).string();
    std::string stamp = stampOf(file);
    configure(readLogSettings(home));
    PYXThreadGuard guard(m_lock);
    m_configFile = file;
    m_configStamp = std::move(stamp);
    m_configured.store(true);
    m_nextCheck.store(steadyNanoseconds() +
                      std::chrono::duration_cast<std::chrono::nanoseconds>(kCheckInterval).count());
}

void LogSink::refreshIfChanged() noexcept {
    try {
        if (!m_configured.load()) {
            PYXThreadGuard guard(m_lock);  // first use: exactly one thread reads the file
            if (!m_configured.load()) {
                reload();
            }
            return;
        }
        std::int64_t due = m_nextCheck.load();
        const std::int64_t now = steadyNanoseconds();
        if (now < due ||
            !m_nextCheck.compare_exchange_strong(
                due,
                now +
                    std::chrono::duration_cast<std::chrono::nanoseconds>(kCheckInterval).count())) {
            return;  // not yet, or another thread is checking
        }
        std::string file;
        std::string known;
        {
            PYXThreadGuard guard(m_lock);
            file = m_configFile;
            known = m_configStamp;
        }
        if (stampOf(file) != known) {
            reload();
        }
    } catch (...) {
        // The settings in force stay.
    }
}

bool LogSink::accepts(int level) noexcept {
    refreshIfChanged();
    return level >= m_threshold.load();
}

void LogSink::configure(const LogSettings& settings) {
    PYXThreadGuard guard(m_lock);
    m_threshold.store(settings.threshold);
    // Reopened even when unchanged, so a reload after log rotation writes to the new file.
    closeFile();
    m_destination = settings.destination;
    m_retryAfter = {};
}

void LogSink::closeFile() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

void LogSink::openFile() {
    if (m_fd >= 0 || m_destination == "stderr" || std::chrono::steady_clock::now() < m_retryAfter) {
        return;
    }
    std::filesystem::path path(m_destination);
    std::error_code ignored;
    if (path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path(), ignored);
    }
    // Audit records may name users and requests: readable by the owner only.
    m_fd = ::open(m_destination.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        m_retryAfter = std::chrono::steady_clock::now() + kRetryDelay;
    }
}

bool LogSink::write(const std::string& line) {
    std::string record = line;
    record += '\n';
    PYXThreadGuard guard(m_lock);
    openFile();
    const int fd = m_destination == "stderr" ? STDERR_FILENO : m_fd;
    if (fd < 0) {
        return false;
    }
    // O_APPEND makes each write land at the end as one piece, also between processes.
    const char* data = record.data();
    std::size_t left = record.size();
    while (left > 0) {
        ssize_t written = ::write(fd, data, left);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (fd == m_fd) {
                closeFile();
                m_retryAfter = std::chrono::steady_clock::now() + kRetryDelay;
            }
            return false;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace basalt::logging
