#pragma once
// What the gateway counts for monitoring, written in the Prometheus text exposition format:
// requests by route and status, sign-ons by outcome, the provider calls' latency, sessions,
// directory failures and the directory checks made for /healthz.

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace basalt_host::serve {

class GatewayMetrics {
public:
    // route is one of the gateway's own paths or "other", so a scan of random paths cannot
    // make the series grow without bound.
    void countRequest(const std::string& route, int status);
    // "signed_on", "refused", "throttled", "unavailable"
    void countSignOn(const std::string& outcome);
    void observeProviderCall(std::chrono::steady_clock::duration took);
    void countDirectoryFailure();
    // A check of the directory made for /healthz (shared by the requests that asked for it).
    void countHealthCheck();

    // The whole exposition; the session counts are read by the caller.
    std::string exposition(std::size_t signedOnSessions, std::size_t anonymousSessions) const;

    static constexpr std::array<double, 10> kBuckets{0.001, 0.0025, 0.005, 0.01, 0.025,
                                                     0.05,  0.1,    0.5,   2.5,  10.0};

private:
    mutable std::mutex m_mutex;
    std::map<std::pair<std::string, int>, std::uint64_t> m_requests;
    std::map<std::string, std::uint64_t> m_signOns;
    std::array<std::uint64_t, kBuckets.size()> m_bucketCounts{};
    std::uint64_t m_calls = 0;
    double m_callSeconds = 0;
    std::uint64_t m_directoryFailures = 0;
    std::uint64_t m_healthChecks = 0;
};

}  // namespace basalt_host::serve
