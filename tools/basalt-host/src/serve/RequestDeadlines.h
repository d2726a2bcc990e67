#pragma once
// The deadlines of the requests waiting for the provider, watched by one timer: a request
// answered in time costs a lock and a queue entry, not a timer of its own, and never wakes the
// timer thread. A request past its deadline is told so within a tenth of a second.

#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>

namespace basalt_host::serve {

class RequestDeadlines {
public:
    // A request that has a deadline; expire() runs on the timer thread when it is still
    // held by someone at its deadline.
    struct Watched {
        virtual ~Watched() = default;
        virtual void expire() = 0;
    };

    // Every request is given timeout; the timer runs on timers.
    RequestDeadlines(boost::asio::io_context& timers, std::chrono::milliseconds timeout);

    // Watches the request from now on. Held weakly: once its last owner lets it go (it was
    // answered), nothing happens at its deadline.
    void watch(const std::shared_ptr<Watched>& request);

private:
    using Clock = std::chrono::steady_clock;
    struct Entry {
        Clock::time_point due;
        std::weak_ptr<Watched> request;
    };
    void arm();  // on the timer thread
    void fire();

    boost::asio::io_context& m_timers;
    boost::asio::steady_timer m_timer;
    std::chrono::milliseconds m_timeout;
    std::mutex m_mutex;
    std::deque<Entry> m_entries;  // in order of deadline: every request has the same timeout
    bool m_armed = false;
};

}  // namespace basalt_host::serve
