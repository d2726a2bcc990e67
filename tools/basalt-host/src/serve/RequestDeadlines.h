#pragma once
// The deadlines of the requests waiting for the provider, watched by one timer: a request
// answered in time costs a lock and a list entry, which it leaves when answered, not a timer of
// its own, and never wakes the timer thread. A request past its deadline is told so within a
// tenth of a second.

#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <list>
#include <memory>
#include <mutex>
#include <optional>

namespace basalt_host::serve {

class RequestDeadlines {
    struct Entry;

public:
    // A request that has a deadline; expire() runs on the timer thread when it is still
    // watched at its deadline.
    class Watched {
    public:
        virtual ~Watched() = default;
        virtual void expire() = 0;

    private:
        friend class RequestDeadlines;
        std::optional<std::list<Entry>::iterator> m_place;  // under the deadlines' lock
    };

    // Every request is given timeout; the timer runs on timers.
    RequestDeadlines(boost::asio::io_context& timers, std::chrono::milliseconds timeout);

    // Watches the request from now on, until answered() or its deadline. Held weakly: a request
    // whose last owner let it go is not told anything.
    void watch(const std::shared_ptr<Watched>& request);
    // The request was answered: it is no longer watched (what the list holds stays as many as
    // the requests in progress, however many come and go).
    void answered(Watched& request);

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
    std::list<Entry> m_entries;  // in order of deadline: every request has the same timeout
    bool m_armed = false;
};

}  // namespace basalt_host::serve
