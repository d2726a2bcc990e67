#pragma once
// The gateway's browser sessions. A browser holds only a random session identifier in a cookie;
// the visa, the form-protection token and the last prompt stay here, in memory.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ProviderAnswers.h"

namespace basalt_host::serve {

// size random bytes from the operating system's generator, as lower-case hexadecimal.
std::string randomToken(std::size_t size = 32);

// Compares in time that depends only on the lengths, so a guess learns nothing from timing.
bool tokensEqual(std::string_view a, std::string_view b);

struct WebSession {
    std::string csrfToken;         // every form of this session carries it back
    std::string namespaceId;       // the namespace chosen or signed on to
    std::string visa;              // empty until signed on
    std::string userName;          // what "signed on as" shows
    std::string remoteUser;        // the trusted header's value at sign-on (empty: none came)
    std::string nextPage;          // where to go after sign-on (a local path)
    ProviderException lastPrompt;  // the prompt last shown, for showing it again

    bool signedOn() const { return !visa.empty(); }
};

// A session and the lock its requests hold while they use it: one browser's requests are
// served one after another, different browsers' in parallel.
struct SessionSlot {
    std::mutex mutex;
    WebSession session;
    // The session's requests waiting for the one in progress: they wait in this queue, not on
    // a worker thread, so a session stuck on a slow directory holds back only itself.
    std::mutex queueMutex;
    std::deque<std::function<void()>> queue;
    bool running = false;
    // Kept outside the session so the store can read them without waiting for a request.
    std::atomic<std::chrono::steady_clock::rep> lastUsed{0};
    std::atomic<bool> signedOn{false};  // set by SessionStore::renew at sign-on
};

class SessionStore {
public:
    using Clock = std::chrono::steady_clock;

    // capacity bounds the anonymous sessions only: they make room among themselves and never
    // push out a signed-on session, which ends by sign-off, idleness, or when its account signs
    // on more than perAccount times (its oldest session ends).
    SessionStore(std::chrono::seconds idleLimit, std::size_t capacity,
                 std::size_t perAccount = 100);

    struct Found {
        std::string id;
        std::shared_ptr<SessionSlot> slot;
        bool created = false;
    };

    // The live session named by id, or a new one (with a new identifier and form token) when
    // id names none or one idle for longer than the limit. When the anonymous sessions are at
    // capacity the anonymous one idle longest makes room. Costs the same whatever the store
    // holds: a flood of requests without a cookie keeps it at its capacity.
    Found findOrCreate(const std::string& id, Clock::time_point now = Clock::now());

    // Gives the session a new identifier and a new form token and counts it signed on (after
    // sign-on, so an identifier planted before it is worth nothing); the new identifier.
    // account names who signed on (the same for every session of one account): past perAccount
    // sessions its oldest ends (its visa goes to takeAbandonedVisas), so that one account
    // signing on again and again cannot fill the memory.
    std::string renew(const std::string& id, SessionSlot& slot, const std::string& account = {});

    void remove(const std::string& id);

    // Removes every session idle past the limit (their visas go to takeAbandonedVisas).
    void removeIdle(Clock::time_point now = Clock::now());

    // Removes every session; their visas go to takeAbandonedVisas (when the server stops).
    void clear();

    // The sessions removed for idleness or room since the last call: the visas they held, to
    // be ended with the provider.
    std::vector<std::pair<std::string, std::string>> takeAbandonedVisas();  // (namespace, visa)

    std::size_t size() const;
    std::size_t signedOnCount() const;

private:
    using Order = std::list<std::string>;  // identifiers, the one used longest ago first
    struct Entry {
        std::shared_ptr<SessionSlot> slot;
        Order::iterator place;  // among the anonymous sessions; unused once signed on
        std::string account;    // once signed on
    };
    using Sessions = std::unordered_map<std::string, Entry>;
    void makeRoom();
    void abandon(Sessions::iterator it);
    void forget(Sessions::iterator it);
    bool idle(const SessionSlot& slot, Clock::time_point now) const;

    std::chrono::seconds m_idleLimit;
    std::size_t m_capacity;
    std::size_t m_perAccount;
    // The signed-on sessions of each account, oldest first. Ordered by account, not hashed:
    // anyone may make sessions, and only the provider's identifiers name accounts.
    std::map<std::string, std::deque<std::string>> m_accounts;
    mutable std::mutex m_mutex;
    Sessions m_sessions;
    Order m_anonymous;
    std::vector<std::pair<std::string, std::string>> m_abandoned;
};

}  // namespace basalt_host::serve
