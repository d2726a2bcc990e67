// Several directory servers for one configuration: which of them failed lately (shared by every
// handle of the process, so that a server seen down is not tried first by each new handle), the
// order in which a handle tries them, and the trace of what happened.
#pragma once

#include <AccessAPI.h>

#include <chrono>
#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "RuntimeConfig.h"

namespace ridge::access {

class ServerHealth {
public:
    using Clock = std::chrono::steady_clock;

    static ServerHealth& instance();

    void failed(const ServerAddress& server, Clock::time_point when);
    void answered(const ServerAddress& server);
    // True when the server failed less than `interval` before `now` and has not answered since.
    bool failedWithin(const ServerAddress& server, Clock::time_point now,
                      Clock::duration interval) const;
    void clear();

private:
    mutable std::mutex m_mutex;
    std::map<std::string, Clock::time_point> m_failures;  // by ServerAddress::text()
};

// The indexes of `servers` in the order to try them: those that did not fail within the
// interval, in list order, then those that did (a server is better tried late than never).
std::vector<size_t> trialOrder(const std::vector<ServerAddress>& servers,
                               const ServerHealth& health, ServerHealth::Clock::time_point now,
                               ServerHealth::Clock::duration interval);

// Appends one line to access.conf's trace_file, when there is one: a JSON object with the time,
// the handle, the event ("connected", "unreachable", "returned"), the server and a detail.
// Never throws; never given a secret.
void traceServer(AS_Handle handle, const char* event, const ServerAddress& server,
                 const std::string& detail = {});

}  // namespace ridge::access
