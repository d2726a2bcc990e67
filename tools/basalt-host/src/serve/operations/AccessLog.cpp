#include "AccessLog.h"

#include <cstdio>
#include <ctime>
#include <mutex>

namespace basalt_host::serve {
namespace {

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

}  // namespace

std::string accessLogLine(const AccessRecord& record, std::chrono::system_clock::time_point at) {
    std::time_t seconds = std::chrono::system_clock::to_time_t(at);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char time[32];
    std::strftime(time, sizeof time, "%Y-%m-%dT%H:%M:%SZ", &utc);
    char took[32];
    std::snprintf(took, sizeof took, "%.3f",
                  std::chrono::duration<double, std::milli>(record.took).count());
    return std::string("{\"time\":\"") + time + "\",\"client\":" + jsonString(record.client) +
           ",\"method\":" + jsonString(record.method) + ",\"path\":" + jsonString(record.path) +
           ",\"status\":" + std::to_string(record.status) +
           ",\"bytes\":" + std::to_string(record.bytes) + ",\"ms\":" + took + "}\n";
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
