#pragma once
// A check of the directory that anyone may ask for (/healthz) must not cost the directory a
// connection per request: one check runs at a time, every request that asks while it runs gets
// its outcome, and so does every request within `fresh` after it ended.

#include <chrono>
#include <functional>
#include <mutex>
#include <vector>

namespace basalt_host::serve {

class SharedCheck {
public:
    using Clock = std::chrono::steady_clock;
    // check says whether all is well; run starts a job elsewhere (a worker thread).
    SharedCheck(std::function<bool()> check, std::function<void(std::function<void()>)> run,
                std::chrono::milliseconds fresh);

    // Calls done(outcome) once: at once with an outcome younger than `fresh`, else when the
    // check in progress (started now when there is none) ends, on the thread that ran it.
    void ask(std::function<void(bool)> done, Clock::time_point now = Clock::now());

private:
    void finish(bool outcome);

    std::function<bool()> m_check;
    std::function<void(std::function<void()>)> m_run;
    std::chrono::milliseconds m_fresh;
    std::mutex m_mutex;
    bool m_running = false;
    bool m_known = false;  // an outcome was had
    bool m_outcome = false;
    Clock::time_point m_endedAt;
    std::vector<std::function<void(bool)>> m_waiting;
};

}  // namespace basalt_host::serve
