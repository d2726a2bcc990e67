#include "GatewayMetrics.h"

#include <sstream>

namespace basalt_host::serve {

void GatewayMetrics::countRequest(const std::string& route, int status) {
    std::lock_guard lock(m_mutex);
    ++m_requests[{route, status}];
}

void GatewayMetrics::countSignOn(const std::string& outcome) {
    std::lock_guard lock(m_mutex);
    ++m_signOns[outcome];
}

void GatewayMetrics::observeProviderCall(std::chrono::steady_clock::duration took) {
    double seconds = std::chrono::duration<double>(took).count();
    std::lock_guard lock(m_mutex);
    ++m_calls;
    m_callSeconds += seconds;
    for (std::size_t i = 0; i < kBuckets.size(); ++i) {
        if (seconds <= kBuckets[i]) {
            ++m_bucketCounts[i];
        }
    }
}

void GatewayMetrics::countDirectoryFailure() {
    std::lock_guard lock(m_mutex);
    ++m_directoryFailures;
}

void GatewayMetrics::countHealthCheck() {
    std::lock_guard lock(m_mutex);
    ++m_healthChecks;
}

std::string GatewayMetrics::exposition(std::size_t signedOnSessions,
                                       std::size_t anonymousSessions) const {
    std::lock_guard lock(m_mutex);
    std::ostringstream out;
    out << "# HELP basalt_gateway_requests_total HTTP requests answered, by route and status.\n"
        << "# TYPE basalt_gateway_requests_total counter\n";
    for (const auto& [key, count] : m_requests) {
        out << "basalt_gateway_requests_total{route=\"" << key.first << "\",status=\"" << key.second
            << "\"} " << count << '\n';
    }
    out << "# HELP basalt_gateway_sign_ons_total Sign-on attempts by outcome.\n"
        << "# TYPE basalt_gateway_sign_ons_total counter\n";
    for (const auto& [outcome, count] : m_signOns) {
        out << "basalt_gateway_sign_ons_total{outcome=\"" << outcome << "\"} " << count << '\n';
    }
    out << "# HELP basalt_gateway_provider_call_seconds Time the provider took per call.\n"
        << "# TYPE basalt_gateway_provider_call_seconds histogram\n";
    for (std::size_t i = 0; i < kBuckets.size(); ++i) {
        out << "basalt_gateway_provider_call_seconds_bucket{le=\"" << kBuckets[i] << "\"} "
            << m_bucketCounts[i] << '\n';
    }
    out << "basalt_gateway_provider_call_seconds_bucket{le=\"+Inf\"} " << m_calls << '\n'
        << "basalt_gateway_provider_call_seconds_sum " << m_callSeconds << '\n'
        << "basalt_gateway_provider_call_seconds_count " << m_calls << '\n';
    out << "# HELP basalt_gateway_sessions Browser sessions held, signed on or not.\n"
        << "# TYPE basalt_gateway_sessions gauge\n"
        << "basalt_gateway_sessions{state=\"signed_on\"} " << signedOnSessions << '\n'
        << "basalt_gateway_sessions{state=\"anonymous\"} " << anonymousSessions << '\n';
    out << "# HELP basalt_gateway_directory_failures_total Requests answered 503 because the "
           "directory did not answer.\n"
        << "# TYPE basalt_gateway_directory_failures_total counter\n"
        << "basalt_gateway_directory_failures_total " << m_directoryFailures << '\n';
    out << "# HELP basalt_gateway_health_checks_total Checks of the directory made for /healthz.\n"
        << "# TYPE basalt_gateway_health_checks_total counter\n"
        << "basalt_gateway_health_checks_total " << m_healthChecks << '\n';
    return out.str();
}

}  // namespace basalt_host::serve
