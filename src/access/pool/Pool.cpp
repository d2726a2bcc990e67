#include "Pool.h"

#include <algorithm>
#include <functional>

#include "Failover.h"
#include "Settings.h"
#include "Status.h"

namespace ridge::access {

namespace {

// Longest a failback probe waits for a server (seconds).
constexpr int kProbeTimeoutSeconds = 2;

std::atomic<uint64_t> g_nextParkToken{2};  // 0 and 1 are kFree and kBusy

std::chrono::seconds failbackInterval(const RuntimeConfig& cfg) {
    return std::chrono::seconds(cfg.failbackIntervalSeconds > 0 ? cfg.failbackIntervalSeconds : 60);
}

// Failures that mean "this server does not serve now", after which the next one is tried.
bool serverFailure(int32_t code) {
    return code == AS_ERR_SERVER_UNREACHABLE || code == AS_ERR_TIMEOUT;
}

int64_t ticks(std::chrono::steady_clock::time_point t) {
    return t.time_since_epoch().count();
}

// Where a thread starts looking for a free slot: threads spread over the slots, so that two
// of them rarely try the same one.
size_t startingSlot(size_t size) {
    static std::atomic<size_t> nextThread{0};
    thread_local const size_t mine = nextThread.fetch_add(1, std::memory_order_relaxed);
    return mine % size;
}

}  // namespace

ConnectionSet::ConnectionSet(size_t size)
    : m_size(std::max<size_t>(size, 1)), m_slots(std::make_unique<Slot[]>(m_size)) {}

ConnectionSet::Slot* ConnectionSet::grab(bool parkedToo) {
    const size_t start = startingSlot(m_size);
    for (size_t n = 0; n < m_size; ++n) {
        Slot& slot = m_slots[(start + n) % m_size];
        uint64_t expected = kFree;
        if (slot.state.compare_exchange_strong(expected, kBusy, std::memory_order_acquire))
            return &slot;
    }
    if (!parkedToo)
        return nullptr;
    for (size_t n = 0; n < m_size; ++n) {
        Slot& slot = m_slots[(start + n) % m_size];
        uint64_t parked = slot.state.load(std::memory_order_relaxed);
        if (parked > kBusy &&
            slot.state.compare_exchange_strong(parked, kBusy, std::memory_order_acquire))
            return &slot;
    }
    return nullptr;
}

ConnectionSet::Slot* ConnectionSet::take(std::chrono::steady_clock::duration wait) {
    if (Slot* slot = grab(false))
        return slot;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    Slot* slot = nullptr;
    {
        std::unique_lock lock(m_waitMutex);
        // Counted before looking again: a slot given back after the look sees a waiter to wake.
        m_waiting.fetch_add(1, std::memory_order_seq_cst);
        while (!(slot = grab(true))) {
            if (m_freed.wait_until(lock, deadline) == std::cv_status::timeout) {
                slot = grab(true);
                break;
            }
        }
        m_waiting.fetch_sub(1, std::memory_order_relaxed);
    }
    if (slot && !slot->parkedWork.empty()) {
        // Taken from a holder that only read ahead: its answers are not wanted on a connection
        // that serves another caller now.
        if (slot->conn)
            for (int msgid : slot->parkedWork)
                slot->conn->abandon(msgid);
        slot->parkedWork.clear();
    }
    return slot;
}

void ConnectionSet::wakeWaiters() {
    if (m_waiting.load(std::memory_order_seq_cst) == 0)
        return;
    // Taking the lock orders the wake-up after a waiter's last look (it holds the lock from its
    // look until it waits).
    { std::lock_guard lock(m_waitMutex); }
    m_freed.notify_one();
}

void ConnectionSet::give(Slot& slot) {
    slot.parkedWork.clear();
    slot.state.store(kFree, std::memory_order_seq_cst);
    wakeWaiters();
}

uint64_t ConnectionSet::park(Slot& slot, std::vector<int> work) {
    slot.parkedWork = std::move(work);
    const uint64_t token = g_nextParkToken.fetch_add(1, std::memory_order_relaxed);
    slot.state.store(token, std::memory_order_seq_cst);
    wakeWaiters();  // a waiter may take it
    return token;
}

bool ConnectionSet::resume(Slot& slot, uint64_t token) {
    uint64_t expected = token;
    if (!slot.state.compare_exchange_strong(expected, kBusy, std::memory_order_acquire))
        return false;
    slot.parkedWork.clear();
    return true;
}

ConnectionPool::ConnectionPool(const RuntimeConfig& cfg,
                               std::shared_ptr<const ServiceIdentity> service, PoolSizes sizes)
    : m_config(cfg),
      m_service(std::move(service)),
      m_servers(cfg.servers()),
      m_serviceSet(sizes.service),
      m_bindSet(sizes.bind) {
    for (const auto& server : m_servers)
        m_serverTexts.push_back(server.text());
}

ConnectionPool::~ConnectionPool() = default;

const std::string& ConnectionPool::serverText(size_t index) const {
    static const std::string kNone;
    return index < m_serverTexts.size() ? m_serverTexts[index] : kNone;
}

void ConnectionPool::moveTo(size_t server) {
    if (m_current.exchange(server, std::memory_order_acq_rel) != server)
        m_generation.fetch_add(1, std::memory_order_acq_rel);
}

std::unique_ptr<LdapConnection> ConnectionPool::open(Kind kind, AS_Handle handle,
                                                     OperationCounts* counts, size_t& server) {
    std::function<void(LdapConnection&)> bind;
    if (kind == Kind::Service && m_service) {
        bind = [this](LdapConnection& conn) {
            if (m_service->saslExternal)
                conn.bindExternal();
            else if (!m_service->bindDn.empty())
                conn.bindOrThrow(m_service->bindDn, m_service->password);
        };
        if (!m_service->url.empty()) {
            // The service identity's own URL takes no part in the choice of server.
            auto conn = std::make_unique<LdapConnection>(m_config, m_service->url, counts);
            bind(*conn);
            server = ConnectionSet::kNoServer;
            return conn;
        }
    }
    auto& health = ServerHealth::instance();
    // Failures are dated from the start of the attempt, so that the next check, one interval
    // later, finds them old enough to try the server again.
    const auto started = ServerHealth::Clock::now();
    std::string failures;
    for (size_t i : trialOrder(m_servers, health, started, failbackInterval(m_config))) {
        const ServerAddress& address = m_servers[i];
        try {
            auto conn = std::make_unique<LdapConnection>(m_config, address, counts);
            if (bind)
                bind(*conn);
            if (m_servers.size() > 1)
                health.answered(address);
            moveTo(i);
            server = i;
            traceServer(handle, "connected", address);
            return conn;
        } catch (const AccessError& e) {
            if (!serverFailure(e.code()) || m_servers.size() == 1)
                throw;
            health.failed(address, started);
            const std::string detail = e.code() == AS_ERR_TIMEOUT
                                           ? "no answer within " +
                                                 std::to_string(m_config.effectiveTimeout()) +
                                                 " s (" + e.detail() + ")"
                                           : e.detail();
            traceServer(handle, "unreachable", address, detail);
            failures += failures.empty() ? "" : "; ";
            failures += detail.rfind(address.text(), 0) == 0 ? detail
                                                             : address.text() + " (" + detail + ")";
        }
    }
    fail(AS_ERR_SERVER_UNREACHABLE, failures);
}

ConnectionPool::Lease ConnectionPool::checkout(Kind kind) {
    ConnectionSet& set = kind == Kind::Service ? m_serviceSet : m_bindSet;
    const auto wait = std::chrono::seconds(m_config.effectiveTimeout());
    ConnectionSet::Slot* slot = set.take(wait);
    if (!slot) {
        const char* key = kind == Kind::Service ? "pool_size" : "bind_pool_size";
        failBecause(AS_ERR_TIMEOUT, "pool",
                    "all " + std::to_string(set.size()) + " connections of the directory pool (" +
                        key + " " + std::to_string(set.size()) + ") stayed in use for " +
                        std::to_string(m_config.effectiveTimeout()) + " s");
    }
    Lease lease;
    lease.m_pool = this;
    lease.m_set = &set;
    lease.m_slot = slot;
    // Opened before the pool moved on (failover, failback, a broken connection): replaced.
    if (slot->conn && slot->generation != m_generation.load(std::memory_order_acquire))
        slot->conn.reset();
    return lease;
}

ConnectionPool::Lease ConnectionPool::resume(const Parked& parked) {
    Lease lease;
    if (!parked.slot || !m_serviceSet.resume(*parked.slot, parked.token))
        return lease;
    lease.m_pool = this;
    lease.m_set = &m_serviceSet;
    lease.m_slot = parked.slot;
    if (parked.slot->conn &&
        parked.slot->generation != m_generation.load(std::memory_order_acquire)) {
        lease.release();  // its answers are lost with the server it was on
        return Lease();
    }
    return lease;
}

ConnectionPool::Lease& ConnectionPool::Lease::operator=(Lease&& other) noexcept {
    if (this != &other) {
        release();
        m_pool = std::exchange(other.m_pool, nullptr);
        m_set = std::exchange(other.m_set, nullptr);
        m_slot = std::exchange(other.m_slot, nullptr);
        m_reused = std::exchange(other.m_reused, false);
    }
    return *this;
}

LdapConnection& ConnectionPool::Lease::connection(AS_Handle handle, OperationCounts* counts) {
    if (!m_slot)
        fail(AS_ERR_INTERNAL, "no connection checked out");
    if (m_slot->conn) {
        m_slot->conn->countInto(counts);
        m_reused = true;
        return *m_slot->conn;
    }
    m_reused = false;
    const Kind kind = m_set == &m_pool->m_bindSet ? Kind::Bind : Kind::Service;
    const uint64_t generation = m_pool->m_generation.load(std::memory_order_acquire);
    size_t server = ConnectionSet::kNoServer;
    m_slot->conn = m_pool->open(kind, handle, counts, server);
    m_slot->server = server;
    // Opening may have moved the pool (to the server that answered): this one is of the new
    // generation, the others are not.
    m_slot->generation = std::max(generation, m_pool->m_generation.load(std::memory_order_acquire));
    return *m_slot->conn;
}

void ConnectionPool::Lease::drop() {
    if (m_slot) {
        m_slot->conn.reset();
        m_slot->server = ConnectionSet::kNoServer;
    }
    m_reused = false;
}

void ConnectionPool::Lease::release() {
    if (!m_slot)
        return;
    if (m_slot->conn)
        m_slot->conn->countInto(nullptr);
    m_set->give(*m_slot);
    m_slot = nullptr;
    m_set = nullptr;
    m_pool = nullptr;
    m_reused = false;
}

ConnectionPool::Parked ConnectionPool::Lease::park(std::vector<int> work) {
    if (m_slot->conn)
        m_slot->conn->countInto(nullptr);
    const Parked parked{m_slot, m_set->park(*m_slot, std::move(work))};
    m_slot = nullptr;
    m_set = nullptr;
    m_pool = nullptr;
    m_reused = false;
    return parked;
}

void ConnectionPool::connectionBroken(Lease& lease) {
    if (lease.m_slot && lease.m_slot->conn &&
        lease.m_slot->generation == m_generation.load(std::memory_order_acquire))
        m_generation.fetch_add(1, std::memory_order_acq_rel);  // the others broke with it
    lease.drop();
}

bool ConnectionPool::serverStalled(Lease& lease, AS_Handle handle) {
    if (m_servers.size() < 2 || !lease.m_slot || !lease.m_slot->conn ||
        lease.server() >= m_servers.size())
        return false;
    const ServerAddress& server = m_servers[lease.server()];
    ServerHealth::instance().failed(server, ServerHealth::Clock::now());
    traceServer(handle, "unreachable", server,
                "no answer within " + std::to_string(m_config.effectiveTimeout()) + " s");
    connectionBroken(lease);
    return true;
}

void ConnectionPool::returnToPreferredServer(AS_Handle handle) {
    const size_t current = m_current.load(std::memory_order_acquire);
    if (m_servers.size() < 2 || current == 0 || current >= m_servers.size())
        return;
    const auto now = ServerHealth::Clock::now();
    int64_t due = m_nextFailbackCheck.load(std::memory_order_acquire);
    if (ticks(now) < due)
        return;
    const auto interval = failbackInterval(m_config);
    // One caller checks for the pool; the others go on with the server they have.
    if (!m_nextFailbackCheck.compare_exchange_strong(due, ticks(now + interval),
                                                     std::memory_order_acq_rel))
        return;
    auto& health = ServerHealth::instance();
    // A server that does not answer quickly is not taken back: the probe must not hold up the
    // operation it precedes for the whole operation timeout.
    RuntimeConfig probeConfig = m_config;
    probeConfig.timeoutSeconds = std::min(m_config.effectiveTimeout(), kProbeTimeoutSeconds);
    for (size_t i = 0; i < current; ++i) {
        const ServerAddress& server = m_servers[i];
        if (health.failedWithin(server, now, interval))
            continue;  // found down since by another caller
        try {
            LdapConnection probe(probeConfig, server);
        } catch (const AccessError&) {
            health.failed(server, now);
            continue;
        }
        health.answered(server);
        traceServer(handle, "returned", server, "from " + m_servers[current].text());
        moveTo(i);
        return;
    }
}

}  // namespace ridge::access
