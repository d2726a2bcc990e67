// The connections of one server set and service identity, shared by every handle of the process
// that uses them: a bounded set bound as the service identity (every handle's reads, tickets)
// and a small set kept for password checks (a bind there replaces the one before, so a sign-on
// costs no TCP connection and no TLS handshake). A handle checks a connection out for one call,
// or keeps it parked across calls while record requests it sent ahead are on their way; a caller
// finding none free may take a parked one (its requests are then abandoned: they only read
// ahead).
//
// The pool also follows the servers: a connection opened on another server than the one the
// pool worked with, a broken connection or a stalled server moves the whole pool (the
// connections opened before are replaced at their next checkout), and the check whether an
// earlier server answers again runs once per failback interval for the pool, not per handle.
#pragma once

#include <AccessAPI.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Ldap.h"
#include "RuntimeConfig.h"

namespace ridge::access {

struct ServiceIdentity;

struct PoolSizes {
    size_t service = 8;  // access.conf pool_size
    size_t bind = 4;     // access.conf bind_pool_size
};

// One bounded set of connections. Taking a free one and giving it back are a few atomic
// operations on the slots; only a caller that finds none free takes the set's lock, to wait.
class ConnectionSet {
public:
    static constexpr size_t kNoServer = static_cast<size_t>(-1);

    struct Slot {
        // kFree, kBusy, or the token of the handle that parked it.
        std::atomic<uint64_t> state{0};
        // The rest belongs to whoever holds the slot (state kBusy, or parked by it).
        std::unique_ptr<LdapConnection> conn;
        uint64_t generation = 0;      // of the pool when conn was opened
        size_t server = kNoServer;    // index in the pool's servers (kNoServer: service URL)
        std::vector<int> parkedWork;  // requests on their way while parked
    };

    explicit ConnectionSet(size_t size);
    size_t size() const { return m_size; }

    // A free slot, else a parked one (its requests abandoned), waiting for one up to `wait`;
    // null when none came free in time.
    Slot* take(std::chrono::steady_clock::duration wait);
    void give(Slot& slot);
    // Keeps the slot (busy) for its holder across calls; resume() takes it back with the token.
    uint64_t park(Slot& slot, std::vector<int> work);
    // True when the slot was still parked with the token (it is busy again).
    bool resume(Slot& slot, uint64_t token);

private:
    static constexpr uint64_t kFree = 0;
    static constexpr uint64_t kBusy = 1;
    Slot* grab(bool parkedToo);
    void wakeWaiters();

    size_t m_size;
    std::unique_ptr<Slot[]> m_slots;
    std::atomic<uint32_t> m_waiting{0};
    std::mutex m_waitMutex;
    std::condition_variable m_freed;
};

class ConnectionPool {
public:
    enum class Kind { Service, Bind };

    ConnectionPool(const RuntimeConfig& cfg, std::shared_ptr<const ServiceIdentity> service,
                   PoolSizes sizes);
    ~ConnectionPool();
    ConnectionPool(const ConnectionPool&) = delete;
    ConnectionPool& operator=(const ConnectionPool&) = delete;

    // Where a parked lease was: its slot and the token park() gave.
    struct Parked {
        ConnectionSet::Slot* slot = nullptr;
        uint64_t token = 0;
    };

    // A slot checked out of one of the sets; given back when destroyed.
    class Lease {
    public:
        Lease() = default;
        Lease(Lease&& other) noexcept { *this = std::move(other); }
        Lease& operator=(Lease&& other) noexcept;
        ~Lease() { release(); }

        explicit operator bool() const { return m_slot != nullptr; }
        // The connection, opened (and for the service set bound as the service identity) when
        // the slot has none; requests are counted into `counts` while the lease holds it.
        LdapConnection& connection(AS_Handle handle, OperationCounts* counts);
        // The connection if the slot holds one (nothing is opened).
        LdapConnection* current() const { return m_slot ? m_slot->conn.get() : nullptr; }
        // True when connection() gave a connection opened before this checkout.
        bool reused() const { return m_reused; }
        // Index of the server the connection went to (ConnectionSet::kNoServer when none).
        size_t server() const { return m_slot ? m_slot->server : ConnectionSet::kNoServer; }
        // Closes the connection (it broke); the next connection() opens another.
        void drop();
        void release();
        // Keeps the slot for this holder across calls with the requests on their way; the
        // lease is empty after.
        Parked park(std::vector<int> work);

    private:
        friend class ConnectionPool;
        ConnectionPool* m_pool = nullptr;
        ConnectionSet* m_set = nullptr;
        ConnectionSet::Slot* m_slot = nullptr;
        bool m_reused = false;
    };

    // Checks a connection out, waiting up to the timeout for one to come free; then fails -63
    // naming the set and its size.
    Lease checkout(Kind kind);
    // The parked slot back with its connection as it was, or an empty lease when another caller
    // took it or the pool has moved to another server since.
    Lease resume(const Parked& parked);

    const std::vector<ServerAddress>& servers() const { return m_servers; }
    // host:port of a server index ("" for kNoServer).
    const std::string& serverText(size_t index) const;

    // Before an operation, never during one: once per failback interval for the pool, when it
    // works with a server other than the first, whether one before it answers again; if so the
    // pool moves there.
    void returnToPreferredServer(AS_Handle handle);
    // The lease's connection broke: the pool's other connections of that time are replaced at
    // their next checkout, and this one is closed.
    void connectionBroken(Lease& lease);
    // An operation timed out on the lease's server, one of a list: that server counts as failed
    // and the pool moves on. False (nothing done) with one server or no connection.
    bool serverStalled(Lease& lease, AS_Handle handle);

private:
    std::unique_ptr<LdapConnection> open(Kind kind, AS_Handle handle, OperationCounts* counts,
                                         size_t& server);
    void moveTo(size_t server);

    RuntimeConfig m_config;
    std::shared_ptr<const ServiceIdentity> m_service;
    std::vector<ServerAddress> m_servers;
    std::vector<std::string> m_serverTexts;
    ConnectionSet m_serviceSet;
    ConnectionSet m_bindSet;
    std::atomic<size_t> m_current{0};       // the server the pool works with
    std::atomic<uint64_t> m_generation{1};  // moves whenever the pool leaves its connections
    std::atomic<int64_t> m_nextFailbackCheck{0};
};

}  // namespace ridge::access
