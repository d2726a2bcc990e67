#include "LogSink.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace basalt::logging {
namespace {

constexpr auto kRetryDelay = std::chrono::seconds(5);

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
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
    std::ifstream file(std::filesystem::path(home) / "logging.conf");
    std::string line;
    while (file && std::getline(file, line)) {
        const auto comment = line.find('#');
        if (comment != std::string::npos) {
            line.erase(comment);
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        apply(settings, home, trimmed(line.substr(0, equals)), trimmed(line.substr(equals + 1)));
    }
    if (const char* file = std::getenv("BASALT_LOG_FILE"); file != nullptr && *file != '\0') {
        apply(settings, home, "destination", trimmed(file));
    }
    if (const char* level = std::getenv("BASALT_LOG_LEVEL"); level != nullptr && *level != '\0') {
        apply(settings, home, "level", trimmed(level));
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
