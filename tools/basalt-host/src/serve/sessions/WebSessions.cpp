#include "WebSessions.h"

#include <openssl/crypto.h>
#include <openssl/rand.h>

#include <algorithm>
#include <stdexcept>

namespace basalt_host::serve {

std::string randomToken(std::size_t size) {
    std::vector<unsigned char> bytes(size);
    if (RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1) {
        throw std::runtime_error("the random generator failed");
    }
    static const char* hex = "0123456789abcdef";
    std::string token;
    for (unsigned char b : bytes) {
        token += hex[b >> 4];
        token += hex[b & 0x0F];
    }
    return token;
}

bool tokensEqual(std::string_view a, std::string_view b) {
    return a.size() == b.size() && !a.empty() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

SessionStore::SessionStore(std::chrono::seconds idleLimit, std::size_t capacity)
    : m_idleLimit(idleLimit), m_capacity(std::max<std::size_t>(capacity, 1)) {}

SessionStore::Found SessionStore::findOrCreate(const std::string& id, Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    if (!id.empty()) {
        auto it = m_sessions.find(id);
        if (it != m_sessions.end()) {
            if (!idle(*it->second, now)) {
                it->second->lastUsed = now.time_since_epoch().count();
                return {id, it->second, false};
            }
            abandon(it);
        }
    }
    makeRoom(now);
    auto slot = std::make_shared<SessionSlot>();
    slot->session.csrfToken = randomToken();
    slot->lastUsed = now.time_since_epoch().count();
    std::string newId = randomToken();
    m_sessions.emplace(newId, slot);
    return {newId, slot, true};
}

std::string SessionStore::renew(const std::string& id, SessionSlot& slot) {
    std::lock_guard lock(m_mutex);
    auto it = m_sessions.find(id);
    std::shared_ptr<SessionSlot> kept = it != m_sessions.end() ? it->second : nullptr;
    if (it != m_sessions.end()) {
        m_sessions.erase(it);
    }
    if (kept && !kept->signedOn.exchange(true)) {
        ++m_signedOn;
    }
    slot.session.csrfToken = randomToken();
    std::string newId = randomToken();
    if (kept) {
        m_sessions.emplace(newId, kept);
    }
    return newId;
}

void SessionStore::remove(const std::string& id) {
    std::lock_guard lock(m_mutex);
    auto it = m_sessions.find(id);
    if (it != m_sessions.end()) {
        m_signedOn -= it->second->signedOn ? 1 : 0;
        m_sessions.erase(it);
    }
}

void SessionStore::removeIdle(Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    for (auto it = m_sessions.begin(); it != m_sessions.end();) {
        auto next = std::next(it);
        if (idle(*it->second, now)) {
            abandon(it);
        }
        it = next;
    }
}

void SessionStore::clear() {
    std::lock_guard lock(m_mutex);
    while (!m_sessions.empty()) {
        abandon(m_sessions.begin());
    }
}

std::vector<std::pair<std::string, std::string>> SessionStore::takeAbandonedVisas() {
    std::lock_guard lock(m_mutex);
    return std::exchange(m_abandoned, {});
}

std::size_t SessionStore::size() const {
    std::lock_guard lock(m_mutex);
    return m_sessions.size();
}

std::size_t SessionStore::signedOnCount() const {
    std::lock_guard lock(m_mutex);
    return m_signedOn;
}

bool SessionStore::idle(const SessionSlot& slot, Clock::time_point now) const {
    return now - Clock::time_point(Clock::duration(slot.lastUsed.load())) > m_idleLimit;
}

// With m_mutex held. The visa is collected for ending when no request holds the session (one
// that does is not idle: it refreshed its time when it found the session).
void SessionStore::abandon(Sessions::iterator it) {
    std::shared_ptr<SessionSlot> slot = it->second;
    m_signedOn -= slot->signedOn ? 1 : 0;
    m_sessions.erase(it);
    std::unique_lock slotLock(slot->mutex, std::try_to_lock);
    if (slotLock.owns_lock() && slot->session.signedOn()) {
        m_abandoned.emplace_back(slot->session.namespaceId, slot->session.visa);
    }
}

void SessionStore::makeRoom(Clock::time_point now) {
    if (m_sessions.size() - m_signedOn < m_capacity) {
        return;
    }
    for (auto it = m_sessions.begin(); it != m_sessions.end();) {
        auto next = std::next(it);
        if (idle(*it->second, now)) {
            abandon(it);
        }
        it = next;
    }
    while (m_sessions.size() - m_signedOn >= m_capacity) {
        auto oldest = m_sessions.end();
        for (auto it = m_sessions.begin(); it != m_sessions.end(); ++it) {
            if (!it->second->signedOn &&
                (oldest == m_sessions.end() ||
                 it->second->lastUsed.load() < oldest->second->lastUsed.load())) {
                oldest = it;
            }
        }
        abandon(oldest);
    }
}

}  // namespace basalt_host::serve
