#pragma once

#include <chrono>
#include <string>

#include "LogAuditIndication.h"

namespace basalt::logging {

// "2026-12-06T03:28:11.123Z"
std::string isoUtcMilliseconds(std::chrono::system_clock::time_point when);

// The JSON line of one record, without the line break. Texts that are not valid Unicode are
// written with replacement characters rather than dropped.
std::string formatRecord(const std::string& logger, const LogAuditIndication& indication,
                         std::chrono::system_clock::time_point when);

}  // namespace basalt::logging
