#include "LogRecord.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <ctime>
#include <sstream>

namespace basalt::logging {
namespace {

std::string utf8(const I18NString& text) {
    try {
        return text.utf8();
    } catch (...) {
        // Unpaired surrogates cannot be converted strictly; the stream form substitutes them.
        std::ostringstream lossy;
        lossy << text;
        return lossy.str();
    }
}

}  // namespace

std::string isoUtcMilliseconds(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const auto millisecondsPart = floor<milliseconds>(when);
    const auto secondsPart = floor<seconds>(millisecondsPart);
    const long millis = static_cast<long>((millisecondsPart - secondsPart).count());
    const std::time_t seconds = system_clock::to_time_t(secondsPart);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03ldZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, millis);
    return text;
}

std::string formatRecord(const std::string& logger, const LogAuditIndication& indication,
                         std::chrono::system_clock::time_point when) {
    nlohmann::ordered_json record;
    record["time"] = isoUtcMilliseconds(when);
    record["logger"] = logger;
    record["level"] = indication.getLevel();
    record["component"] = utf8(indication.getComponent());
    record["kind"] = indication.getKind();
    record["operation"] = utf8(indication.getOperation());
    record["status"] = utf8(indication.getStatus());
    record["sessionID"] = utf8(indication.getSessionID());
    record["requestID"] = utf8(indication.getRequestID());
    record["subRequestID"] = utf8(indication.getSubRequestID());
    record["stepID"] = utf8(indication.getStepID());
    record["data"] = utf8(indication.getLogData());
    return record.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace basalt::logging
