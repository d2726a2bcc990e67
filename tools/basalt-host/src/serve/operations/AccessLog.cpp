#include "AccessLog.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace basalt_host::serve {
namespace {

void appendJsonString(std::string& out, std::string_view text) {
    out += '"';
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7f) {
            static const char* hex = "0123456789abcdef";
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 0x0F];
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

// The UTC second as written in the log, formatted once per second and thread.
const char* utcSecond(std::time_t seconds) {
    thread_local std::time_t formatted = -1;
    thread_local char text[32];
    if (seconds != formatted) {
        std::tm utc{};
        gmtime_r(&seconds, &utc);
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
        formatted = seconds;
    }
    return text;
}

}  // namespace

std::string accessLogLine(const AccessRecord& record, std::chrono::system_clock::time_point at) {
    // Milliseconds with three decimals, rounded to the microsecond.
    const auto micros = std::chrono::round<std::chrono::microseconds>(record.took).count();
    const long long whole = micros / 1000;
    const long long part = micros % 1000;
    const char fraction[] = {'.', static_cast<char>('0' + part / 100),
                             static_cast<char>('0' + part / 10 % 10),
                             static_cast<char>('0' + part % 10), '\0'};
    std::string line;
    line.reserve(128 + record.path.size());
    line += "{\"time\":\"";
    line += utcSecond(std::chrono::system_clock::to_time_t(at));
    line += "\",\"client\":";
    appendJsonString(line, record.client);
    line += ",\"method\":";
    appendJsonString(line, record.method);
    line += ",\"path\":";
    appendJsonString(line, record.path);
    line += ",\"status\":";
    line += std::to_string(record.status);
    line += ",\"bytes\":";
    line += std::to_string(record.bytes);
    line += ",\"ms\":";
    line += std::to_string(whole);
    line += fraction;
    line += "}\n";
    return line;
}

namespace {

constexpr std::size_t kBatchBytes = 4096;

std::mutex logMutex;
std::string pendingLines;  // guarded by logMutex

void writePending() {
    std::fwrite(pendingLines.data(), 1, pendingLines.size(), stdout);
    std::fflush(stdout);
    pendingLines.clear();
}

}  // namespace

void writeAccessLog(const AccessRecord& record) {
    std::string line = accessLogLine(record);
    std::lock_guard lock(logMutex);
    pendingLines += line;
    if (pendingLines.size() >= kBatchBytes) {
        writePending();
    }
}

void flushAccessLog() {
    std::lock_guard lock(logMutex);
    if (!pendingLines.empty()) {
        writePending();
    }
}

}  // namespace basalt_host::serve
