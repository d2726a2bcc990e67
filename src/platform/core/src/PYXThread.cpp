#include "PYXThread.h"

#include <chrono>

// A signal goes to a blocked thread when there is one still unreleased (m_releases counts those
// handed out), otherwise it is left pending in m_signaled for the next wait.

void PYXThreadAutoResetEvent::signal() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_waiters > m_releases) {
        ++m_releases;
        m_condition.notify_one();
    } else {
        m_signaled = true;
    }
}

void PYXThreadAutoResetEvent::wait() {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_signaled) {
        m_signaled = false;
        return;
    }
    ++m_waiters;
    m_condition.wait(lock, [this] { return m_releases > 0; });
    --m_releases;
    --m_waiters;
}

bool PYXThreadAutoResetEvent::timedWait(uint32_t milliseconds) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_signaled) {
        m_signaled = false;
        return true;
    }
    if (milliseconds == 0) {
        return false;
    }
    ++m_waiters;
    const bool released = m_condition.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                               [this] { return m_releases > 0; });
    --m_waiters;
    if (released) {
        --m_releases;
    }
    return released;
}

void PYXThreadAutoResetEvent::reset() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_signaled = false;
}
