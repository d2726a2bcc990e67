// Locks and events.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

// A recursive lock: the owning thread may take it again (it must release it as often).
// Satisfies Lockable, so std::lock_guard / std::unique_lock work too.
class PYXThreadCriticalSection {
public:
    PYXThreadCriticalSection() = default;
    PYXThreadCriticalSection(const PYXThreadCriticalSection&) = delete;
    PYXThreadCriticalSection& operator=(const PYXThreadCriticalSection&) = delete;

    void lock() { m_mutex.lock(); }
    bool try_lock() { return m_mutex.try_lock(); }
    void unlock() { m_mutex.unlock(); }
    // The platform spellings.
    void enter() { lock(); }
    bool tryEnter() { return try_lock(); }
    void leave() { unlock(); }

private:
    std::recursive_mutex m_mutex;
};

// Holds a critical section for its scope.
class PYXThreadGuard {
public:
    explicit PYXThreadGuard(PYXThreadCriticalSection& section) : m_section(section) {
        m_section.lock();
    }
    ~PYXThreadGuard() { m_section.unlock(); }
    PYXThreadGuard(const PYXThreadGuard&) = delete;
    PYXThreadGuard& operator=(const PYXThreadGuard&) = delete;

private:
    PYXThreadCriticalSection& m_section;
};

// An auto-reset event. signal() releases exactly one thread: one that is waiting, or else the
// next one to wait (the signal stays pending until a wait takes it). A signal given while one
// is already pending and nobody waits is not counted (the event is a flag, not a counter).
class PYXThreadAutoResetEvent {
public:
    explicit PYXThreadAutoResetEvent(bool initiallySignaled = false)
        : m_signaled(initiallySignaled) {}
    PYXThreadAutoResetEvent(const PYXThreadAutoResetEvent&) = delete;
    PYXThreadAutoResetEvent& operator=(const PYXThreadAutoResetEvent&) = delete;

    void signal();
    // Waits without time limit until it takes a signal.
    void wait();
    // Waits at most milliseconds; true when it took a signal. timedWait(0) takes a pending
    // signal and returns at once either way.
    bool timedWait(uint32_t milliseconds);
    // Clears a pending signal.
    void reset();

private:
    std::mutex m_mutex;
    std::condition_variable m_condition;
    bool m_signaled;
    int m_waiters = 0;   // threads blocked in wait/timedWait
    int m_releases = 0;  // signals handed to blocked threads and not yet taken
};
