#include "SharedCheck.h"

#include <utility>

namespace basalt_host::serve {

SharedCheck::SharedCheck(std::function<bool()> check,
                         std::function<void(std::function<void()>)> run,
                         std::chrono::milliseconds fresh)
    : m_check(std::move(check)), m_run(std::move(run)), m_fresh(fresh) {}

void SharedCheck::ask(std::function<void(bool)> done, Clock::time_point now) {
    std::unique_lock lock(m_mutex);
    if (!m_running && m_known && now - m_endedAt < m_fresh) {
        const bool outcome = m_outcome;
        lock.unlock();
        done(outcome);
        return;
    }
    m_waiting.push_back(std::move(done));
    if (m_running) {
        return;
    }
    m_running = true;
    lock.unlock();
    m_run([this] {
        bool outcome = false;
        try {
            outcome = m_check();
        } catch (...) {
            outcome = false;  // a check that cannot be made is a failed one
        }
        finish(outcome);
    });
}

void SharedCheck::finish(bool outcome) {
    std::vector<std::function<void(bool)>> waiting;
    {
        std::lock_guard lock(m_mutex);
        m_running = false;
        m_known = true;
        m_outcome = outcome;
        m_endedAt = Clock::now();
        waiting.swap(m_waiting);
    }
    for (auto& done : waiting) {
        done(outcome);
    }
}

}  // namespace basalt_host::serve
