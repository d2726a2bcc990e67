#include "Failover.h"

#include <nlohmann/json.hpp>

#include <ctime>
#include <fstream>

#include "Process.h"

namespace ridge::access {

ServerHealth& ServerHealth::instance() {
    static auto* health = new ServerHealth();  // lives until exit, like the process state
    return *health;
}

void ServerHealth::failed(const ServerAddress& server, Clock::time_point when) {
    std::lock_guard lock(m_mutex);
    m_failures[server.text()] = when;
}

void ServerHealth::answered(const ServerAddress& server) {
    std::lock_guard lock(m_mutex);
    m_failures.erase(server.text());
}

bool ServerHealth::failedWithin(const ServerAddress& server, Clock::time_point now,
                                Clock::duration interval) const {
    std::lock_guard lock(m_mutex);
    auto it = m_failures.find(server.text());
    return it != m_failures.end() && now - it->second < interval;
}

void ServerHealth::clear() {
    std::lock_guard lock(m_mutex);
    m_failures.clear();
}

std::vector<size_t> trialOrder(const std::vector<ServerAddress>& servers,
                               const ServerHealth& health, ServerHealth::Clock::time_point now,
                               ServerHealth::Clock::duration interval) {
    std::vector<size_t> order, late;
    for (size_t i = 0; i < servers.size(); ++i)
        (health.failedWithin(servers[i], now, interval) ? late : order).push_back(i);
    order.insert(order.end(), late.begin(), late.end());
    return order;
}

void traceServer(AS_Handle handle, const char* event, const ServerAddress& server,
                 const std::string& detail) {
    try {
        const std::string path = Process::instance().traceFile();
        if (path.empty())
            return;
        char when[32] = "";
        std::time_t now = std::time(nullptr);
        std::tm utc{};
        if (gmtime_r(&now, &utc))
            std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%SZ", &utc);
        nlohmann::ordered_json record = {
            {"time", when}, {"handle", handle}, {"event", event}, {"server", server.text()}};
        if (!detail.empty())
            record["detail"] = detail;
        // One write per line, appended: lines of concurrent writers do not interleave.
        const std::string line =
            record.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
        static std::mutex writing;
        std::lock_guard lock(writing);
        std::ofstream out(path, std::ios::app);
        out << line;
    } catch (...) {
        // A trace that cannot be written costs the trace, never the call.
    }
}

}  // namespace ridge::access
