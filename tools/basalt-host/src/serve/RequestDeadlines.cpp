#include "RequestDeadlines.h"

#include <algorithm>
#include <boost/asio/post.hpp>
#include <utility>
#include <vector>

namespace basalt_host::serve {
namespace {

// Deadlines this close together are looked at by one wake of the timer.
constexpr std::chrono::milliseconds kGranularity{100};

}  // namespace

RequestDeadlines::RequestDeadlines(boost::asio::io_context& timers,
                                   std::chrono::milliseconds timeout)
    : m_timers(timers), m_timer(timers), m_timeout(timeout) {}

void RequestDeadlines::watch(const std::shared_ptr<Watched>& request) {
    bool first = false;
    {
        std::lock_guard lock(m_mutex);
        request->m_place = m_entries.insert(m_entries.end(), {Clock::now() + m_timeout, request});
        first = !std::exchange(m_armed, true);
    }
    // Only the first entry after a quiet spell sets the timer; later ones are due after it.
    if (first) {
        boost::asio::post(m_timers, [this] { arm(); });
    }
}

void RequestDeadlines::answered(Watched& request) {
    std::lock_guard lock(m_mutex);
    if (request.m_place) {
        m_entries.erase(*request.m_place);
        request.m_place.reset();
    }
}

void RequestDeadlines::arm() {
    Clock::time_point due;
    {
        std::lock_guard lock(m_mutex);
        if (m_entries.empty()) {
            m_armed = false;
            return;
        }
        due = m_entries.front().due;
    }
    m_timer.expires_at(std::max(due, Clock::now() + std::min(kGranularity, m_timeout / 10)));
    m_timer.async_wait([this](boost::system::error_code ec) {
        if (!ec) {
            fire();
        }
    });
}

void RequestDeadlines::fire() {
    std::vector<std::shared_ptr<Watched>> late;
    {
        std::lock_guard lock(m_mutex);
        const Clock::time_point now = Clock::now();
        while (!m_entries.empty() && m_entries.front().due <= now) {
            if (std::shared_ptr<Watched> request = m_entries.front().request.lock()) {
                request->m_place.reset();
                late.push_back(std::move(request));
            }
            m_entries.pop_front();
        }
    }
    for (const std::shared_ptr<Watched>& request : late) {
        request->expire();
    }
    arm();
}

}  // namespace basalt_host::serve
