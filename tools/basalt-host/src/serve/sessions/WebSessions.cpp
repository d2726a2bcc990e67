#include "WebSessions.h"

#include <openssl/crypto.h>
#include <openssl/rand.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace basalt_host::serve {

namespace {

// Random bytes drawn from the generator a block at a time, per thread: each call of the
// generator costs about as much as a page's own work, and a sign-on needs four tokens. Bytes
// handed out are wiped from the block.
class RandomBlock {
public:
    ~RandomBlock() { OPENSSL_cleanse(m_bytes, sizeof m_bytes); }
    void take(unsigned char* out, std::size_t size) {
        while (size > 0) {
            if (m_used == sizeof m_bytes) {
                if (RAND_bytes(m_bytes, static_cast<int>(sizeof m_bytes)) != 1) {
                    throw std::runtime_error("the random generator failed");
                }
                m_used = 0;
            }
            std::size_t part = std::min(size, sizeof m_bytes - m_used);
            std::memcpy(out, m_bytes + m_used, part);
            OPENSSL_cleanse(m_bytes + m_used, part);
            m_used += part;
            out += part;
            size -= part;
        }
    }

private:
    unsigned char m_bytes[1024];
    std::size_t m_used = sizeof m_bytes;
};

}  // namespace

std::string randomToken(std::size_t size) {
    thread_local RandomBlock block;
    static const char* hex = "0123456789abcdef";
    std::string token(size * 2, '\0');
    unsigned char bytes[64];
    for (std::size_t done = 0; done < size;) {
        std::size_t part = std::min(size - done, sizeof bytes);
        block.take(bytes, part);
        for (std::size_t i = 0; i < part; ++i) {
            token[(done + i) * 2] = hex[bytes[i] >> 4];
            token[(done + i) * 2 + 1] = hex[bytes[i] & 0x0F];
        }
        done += part;
    }
    OPENSSL_cleanse(bytes, sizeof bytes);
    return token;
}

bool tokensEqual(std::string_view a, std::string_view b) {
    return a.size() == b.size() && !a.empty() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

SessionStore::SessionStore(std::chrono::seconds idleLimit, std::size_t capacity,
                           std::size_t perAccount)
    : m_idleLimit(idleLimit),
      m_capacity(std::max<std::size_t>(capacity, 1)),
      m_perAccount(std::max<std::size_t>(perAccount, 1)) {}

SessionStore::Found SessionStore::findOrCreate(const std::string& id, Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    if (!id.empty()) {
        auto it = m_sessions.find(id);
        if (it != m_sessions.end()) {
            SessionSlot& slot = *it->second.slot;
            if (!idle(slot, now)) {
                slot.lastUsed = now.time_since_epoch().count();
                if (!slot.signedOn) {
                    m_anonymous.splice(m_anonymous.end(), m_anonymous, it->second.place);
                }
                return {id, it->second.slot, false};
            }
            abandon(it);
        }
    }
    makeRoom();
    auto slot = std::make_shared<SessionSlot>();
    slot->session.csrfToken = randomToken();
    slot->lastUsed = now.time_since_epoch().count();
    std::string newId = randomToken();
    auto place = m_anonymous.insert(m_anonymous.end(), newId);
    m_sessions.emplace(newId, Entry{slot, place, {}});
    return {newId, slot, true};
}

std::string SessionStore::renew(const std::string& id, SessionSlot& slot,
                                const std::string& account) {
    std::lock_guard lock(m_mutex);
    auto it = m_sessions.find(id);
    std::shared_ptr<SessionSlot> kept = it != m_sessions.end() ? it->second.slot : nullptr;
    if (it != m_sessions.end()) {
        forget(it);
    }
    slot.session.csrfToken = randomToken();
    std::string newId = randomToken();
    if (kept) {
        kept->signedOn = true;
        m_sessions.emplace(newId, Entry{kept, m_anonymous.end(), account});
        if (!account.empty()) {
            std::deque<std::string>& mine = m_accounts[account];
            mine.push_back(newId);
            while (mine.size() > m_perAccount) {
                auto oldest = m_sessions.find(mine.front());
                if (oldest != m_sessions.end()) {
                    abandon(oldest);  // takes it off mine as well
                } else {
                    mine.pop_front();
                }
            }
        }
    }
    return newId;
}

void SessionStore::remove(const std::string& id) {
    std::lock_guard lock(m_mutex);
    auto it = m_sessions.find(id);
    if (it != m_sessions.end()) {
        forget(it);
    }
}

void SessionStore::removeIdle(Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    for (auto it = m_sessions.begin(); it != m_sessions.end();) {
        auto next = std::next(it);
        if (idle(*it->second.slot, now)) {
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
    return m_sessions.size() - m_anonymous.size();
}

bool SessionStore::idle(const SessionSlot& slot, Clock::time_point now) const {
    return now - Clock::time_point(Clock::duration(slot.lastUsed.load())) > m_idleLimit;
}

// With m_mutex held: out of the store, and out of the anonymous ones' order or its account's.
void SessionStore::forget(Sessions::iterator it) {
    if (!it->second.slot->signedOn) {
        m_anonymous.erase(it->second.place);
    } else if (!it->second.account.empty()) {
        auto mine = m_accounts.find(it->second.account);
        if (mine != m_accounts.end()) {
            std::erase(mine->second, it->first);
            if (mine->second.empty()) {
                m_accounts.erase(mine);
            }
        }
    }
    m_sessions.erase(it);
}

// With m_mutex held. The visa is collected for ending when no request holds the session (one
// that does is not idle: it refreshed its time when it found the session).
void SessionStore::abandon(Sessions::iterator it) {
    std::shared_ptr<SessionSlot> slot = it->second.slot;
    forget(it);
    std::unique_lock slotLock(slot->mutex, std::try_to_lock);
    if (slotLock.owns_lock() && slot->session.signedOn()) {
        m_abandoned.emplace_back(slot->session.namespaceId, slot->session.visa);
    }
}

// With m_mutex held. The anonymous session used longest ago goes first, idle or not; idle
// signed-on sessions are left to the sweep (removeIdle).
void SessionStore::makeRoom() {
    while (!m_anonymous.empty() && m_anonymous.size() >= m_capacity) {
        abandon(m_sessions.find(m_anonymous.front()));
    }
}

}  // namespace basalt_host::serve
