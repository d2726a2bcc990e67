// The state behind one handle: its configuration, encoding, signed-on identity, read cache,
// requests sent ahead and last error. It owns no connection: each call checks one out of the
// process's pool for its server set (Pool.h) and gives it back at its end. Directory reads
// (src/access/reads/) reach it through withHandle() in Api.h.
#pragma once

#include <AccessAPI.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "Encoding.h"
#include "Ldap.h"
#include "ObjectTypes.h"
#include "OfflineUser.h"
#include "Pool.h"
#include "ProtectedSecret.h"
#include "ReadCache.h"
#include "RuntimeConfig.h"
#include "Schema.h"

namespace ridge::access {

struct ServiceIdentity;

// Ids asked for in one record request. Each request costs the server a share of its own (waking
// a worker, the result) beyond the entries it finds, and requests of one connection share its
// writer: a page asked for in one request costs the server less than in several, and is
// answered no later.
inline constexpr size_t kIdsPerRecordRequest = 100;
// Record requests on their way at once: the one being read and two ahead of it. A server lets
// one connection have only so many requests pending (slapd closes it past 1,000), and a caller
// may ask for the records of a whole large listing; the rest wait in the handle.
inline constexpr size_t kRecordRequestsOnTheirWay = 3;

class Session {
public:
    Session(AS_Handle id, RuntimeConfig cfg, std::string encoding,
            std::shared_ptr<const ServiceIdentity> service, std::shared_ptr<ConnectionPool> pool);
    ~Session();

    AS_Handle id() const { return m_id; }
    const RuntimeConfig& config() const { return m_config; }
    const std::string& baseDn() const { return m_config.baseDn; }
    const std::string& encoding() const { return m_encoding.name(); }

    // Namespace of this handle (UTF-8): the one signed on to, else the configuration's default.
    std::string namespaceName() const;
    // DN of a namespace entry below the base DN (name in UTF-8): "ou=<name>,<base>".
    std::string namespaceDnFor(const std::string& nameUtf8) const;
    // DN of namespaceName(); throws -15 when the entry does not exist (checked once per name).
    std::string namespaceDn();
    // DN of the named namespace (UTF-8), checked to exist like namespaceDn().
    std::string requireNamespace(const std::string& nameUtf8);
    // Records that the namespace entry at dn was seen to exist (by a sign-on's search).
    void namespaceChecked(const std::string& dn) { m_checkedNamespaceDn = dn; }
    bool namespaceWasChecked(const std::string& dn) const { return m_checkedNamespaceDn == dn; }

    // The call's connection, bound as the service identity, after every answer asked for ahead
    // has been read. Whatever the sign-on, reads go there: the library asks only for what the
    // signed-on user may see.
    LdapConnection& ldap();
    // The call's connection without reading the answers asked for ahead (anonymous when no
    // service identity is configured): checked out of the pool at the first use in a call.
    LdapConnection& service();
    // True when the call's connection was opened before the call (the server may have dropped
    // it since).
    bool usedKeptConnection() const { return m_lease && m_lease.reused(); }
    // Binds as a user on a connection of the pool's set kept for binds (one bind, which replaces
    // the one before there; no new connection); a kept connection the server has dropped
    // meanwhile is replaced once.
    BindOutcome bindUser(const std::string& dn, const std::string& password);
    // A connection of the set kept for binds, for a password change by the user's own bind.
    ConnectionPool::Lease checkoutForBinds();
    // The connection of a lease, opened if need be, counted into this handle.
    LdapConnection& open(ConnectionPool::Lease& lease);
    // Run by the API frame at the end of every call: the connection goes back to the pool, or
    // stays parked for the handle while record requests it sent are on their way.
    void endCall();

    // Caller text (bytes in the handle's encoding) to UTF-8. Null -> -4 naming `what`; bytes
    // invalid in the encoding -> -9.
    std::string inText(const char* text, const char* what) const;
    // Like inText but null or "" gives nullopt.
    std::optional<std::string> inOptionalText(const char* text) const;
    // UTF-8 to the handle's encoding, copied into buffer[size] with the NUL, cut at a character
    // boundary; a null buffer writes nothing.
    void outText(std::string_view utf8, char* buffer, size_t size) const;
    std::string outBytes(std::string_view utf8) const;

    // Signed-on identity.
    bool authenticated() const { return m_userId != 0; }
    AS_ObjectId userId() const { return m_userId; }
    const std::string& userDn() const { return m_userDn; }
    std::optional<AS_ObjectId> userClassId() const { return m_userClassId; }
    // Requires a signed-on user (else -12).
    void requireAuthenticated() const;

    // Object lookup in the handle's namespace: the entry of the type with ridgeId == id (null
    // when none). Served from the cache when the attributes are part of the type's record.
    EntryRef findById(int32_t objectType, AS_ObjectId id,
                      const std::vector<std::string>& attributes);
    // The record of the object of the type at dn (cached); null when there is none.
    EntryRef recordAt(int32_t objectType, const std::string& dn);
    // Keeps entries of the type that a listing fetched with the type's record attributes.
    void remember(int32_t objectType, std::vector<LdapEntry> entries,
                  ReadCache::Clock::time_point fetched);
    ReadCache& cache() { return m_cache; }
    // Requests this handle has sent to the server since it was opened.
    const OperationCounts& counts() const { return m_counts; }
    // Asks for the records of objects of the type by id, kIdsPerRecordRequest to a request,
    // without waiting: a later read of one of them takes the answer that holds it, so the caller
    // works on the first records while the server still answers for the later ones. At most
    // kRecordRequestsOnTheirWay requests are on their way; the others go out, in order, as the
    // reads reach the ones before them. Ids cached or already asked for are left out.
    void sendRecordRequests(int32_t objectType, const std::vector<AS_ObjectId>& ids);
    // As findById, throwing notFoundStatus(objectType) when absent.
    EntryRef requireById(int32_t objectType, AS_ObjectId id,
                         const std::vector<std::string>& attributes);
    // The ridgeId of an entry (0 when absent or not a valid unsigned 32-bit number).
    static AS_ObjectId idOf(const LdapEntry& entry);
    // The same for a number's text (ids are written in decimal wherever they are kept).
    static AS_ObjectId idFromText(std::string_view text);

    // Last error of this handle (code 0: none). Set by the API frame.
    void setError(int32_t code, std::string detail, std::string reason = {});
    int32_t errorCode() const { return m_errorCode; }
    const std::string& errorDetail() const { return m_errorDetail; }
    const std::string& errorReason() const { return m_errorReason; }

    // What the password policy said at the last password sign-on of this handle (-1: nothing):
    // grace sign-ons left after one was used, seconds until the password expires.
    void setPasswordPolicy(const BindOutcome& bound) {
        m_graceLoginsLeft = bound.graceLeft;
        m_passwordExpiresIn = bound.expiresIn;
    }
    int32_t graceLoginsLeft() const { return m_graceLoginsLeft; }
    int32_t passwordExpiresIn() const { return m_passwordExpiresIn; }

    // Sign-on bookkeeping (authentication code only): the user the caller has just checked, by
    // a bind with bindUser() when a password is given (it is kept sealed to check it again after
    // a lost connection), else by ticket, certificate or environment.
    // The user's entry, fetched at `fetched` with kUserAttributes, serves as its record for the
    // cache's lifetime, so the reads that end a sign-on do not fetch it again.
    void signIn(const std::string* password, const std::string& nsUtf8, AS_ObjectId userId,
                const LdapEntry& user, ReadCache::Clock::time_point fetched,
                std::optional<AS_ObjectId> classId);

    // A ticket entry as this handle last wrote or read it: a refresh that follows the sign-on
    // which issued or validated the ticket need not read it again.
    struct KnownTicket {
        std::string id;
        std::string dn;
        AS_ObjectId owner = 0;
        AS_ObjectId userClass = 0;  // 0: none
        std::time_t issued = 0;
        std::time_t expiry = 0;
    };
    void rememberTicket(KnownTicket ticket, ReadCache::Clock::time_point at);
    // The ticket with that id as known less than the read cache's lifetime ago, else nullopt.
    std::optional<KnownTicket> recentTicket(const std::string& id,
                                            ReadCache::Clock::time_point now) const;
    void forgetTicket() { m_knownTicket.reset(); }
    // Signs the user on from the offline cache (every server unreachable): the user's own
    // entry, classes and folders are read from it, and every other read fails -108 with outage
    // (what the servers said) until the next sign-on.
    void signInOffline(const std::string& nsUtf8, OfflineUser user,
                       std::optional<AS_ObjectId> classId, std::string outage);
    bool offline() const { return m_offline != nullptr; }
    const OfflineUser* offlineUser() const { return m_offline.get(); }
    // -108 naming the outage, for a read the offline cache cannot answer.
    [[noreturn]] void failOffline() const;
    // Forgets the signed-on user and what the handle read.
    void signOut();
    // signOut and gives back any connection (the handle is being released).
    void close();
    // After the server went away (-108): the call's connection, and the pool's others of its
    // time, are replaced; what the handle read is forgotten; a user signed on by password is
    // bound again before the next read, and signed out (-12) when the directory now refuses
    // the password (changed, locked or disabled meanwhile).
    void connectionLost();

    // Servers, in order of preference (the configuration's host and port, then its replicas).
    const std::vector<ServerAddress>& servers() const { return m_pool->servers(); }
    // host:port of the server the handle's last connection went to ("" before the first).
    const std::string& currentServer() const { return m_pool->serverText(m_lastServer); }
    // Run by the API frame before each operation, never during one: the pool checks, once per
    // failback interval, whether a server before the one it works with answers again.
    void returnToPreferredServer() { m_pool->returnToPreferredServer(m_id); }
    // After an operation timed out on a server of a list: that server counts as failed and the
    // pool moves on, so that a retry goes to the next one. False (nothing done) when there is
    // one server or the call had no connection.
    bool serverStalled();
    // After an operation timed out on the only server: the call's connection, and the pool's
    // others of its time, are replaced (what is asked on a stalled connection may never come).
    void connectionTimedOut();
    const ServiceIdentity* serviceIdentity() const { return m_serviceIdentity.get(); }
    // The pool of the handle's servers (the offline cache's refreshes read there).
    std::shared_ptr<ConnectionPool> pool() const { return m_pool; }

    // Held by the API frame while a call runs on the handle.
    std::mutex& mutex() { return m_mutex; }
    // Set once the handle is taken out of the process's table (released, or the process
    // terminated): a call that was waiting for the handle's lock then fails as for an unknown
    // handle.
    void detach() { m_detached.store(true, std::memory_order_release); }
    bool detached() const { return m_detached.load(std::memory_order_acquire); }

private:
    // A request sendRecordRequests() sent whose answer has not been read.
    struct PendingRecords {
        int msgid;
        int32_t objectType;
        std::vector<AS_ObjectId> ids;  // asked for and not yet arrived
        std::string base;
        ReadCache::Clock::time_point sent;
        size_t expectedAttributes = 16;
    };
    // Ids of a request that waits for one of those on their way to be read.
    struct UnsentRecords {
        int32_t objectType;
        std::vector<AS_ObjectId> ids;
    };
    // The connection reads go to, without reading pending answers first.
    LdapConnection& connection();
    // Takes back the connection parked with requests on their way; when another caller took it
    // meanwhile, or the pool moved to another server, the requests are forgotten.
    void reclaimParked();
    // Reads the answer of the request that asks for the object, if any, into the cache, up to
    // the object's entry; a request still waiting in the handle is sent first.
    void settlePending(int32_t objectType, AS_ObjectId id);
    // Sends waiting requests while fewer than kRecordRequestsOnTheirWay are on their way.
    void sendWaiting();
    // Reads the oldest pending answer to its end.
    void finishOldestPending();
    // Reads the next entry of m_pending[index] into the cache: its id, or nullopt when the
    // answer was complete (the request is then gone from m_pending).
    std::optional<AS_ObjectId> readPending(size_t index);
    // Reads every pending answer into the cache (before anything else uses the connection).
    void settleAllPending();
    // Forgets the pending and waiting requests; tellServer abandons those sent on a connection
    // that stays.
    void dropPending(bool tellServer);

    AS_Handle m_id;
    RuntimeConfig m_config;
    TextEncoding m_encoding;
    std::shared_ptr<const ServiceIdentity> m_serviceIdentity;
    std::mutex m_mutex;
    std::atomic<bool> m_detached = false;
    // Before the lease, whose connection counts into it.
    mutable OperationCounts m_counts;
    std::shared_ptr<ConnectionPool> m_pool;  // before the lease, which goes back to it
    ConnectionPool::Lease m_lease;           // the call's connection
    ConnectionPool::Parked m_parked;         // the connection m_pending wait on between calls
    size_t m_lastServer = ConnectionSet::kNoServer;
    ProtectedSecret m_userPassword;  // to check it again after a lost connection
    bool m_recheckPassword = false;
    ReadCache m_cache;
    std::optional<KnownTicket> m_knownTicket;
    ReadCache::Clock::time_point m_knownTicketAt;
    std::vector<PendingRecords> m_pending;     // on m_lease's connection (or the parked one)
    std::deque<UnsentRecords> m_unsent;        // in the order they were asked for
    std::unordered_set<uint64_t> m_unsentIds;  // type and id of each id in m_unsent
    std::string m_namespace;                   // signed-on namespace (UTF-8), empty before sign-on
    std::string m_checkedNamespaceDn;
    AS_ObjectId m_userId = 0;
    std::string m_userDn;
    std::optional<AS_ObjectId> m_userClassId;
    std::shared_ptr<const OfflineUser> m_offline;  // signed on offline
    std::string m_outage;
    int32_t m_graceLoginsLeft = -1;
    int32_t m_passwordExpiresIn = -1;
    int32_t m_errorCode = 0;
    std::string m_errorDetail;
    std::string m_errorReason;
};

}  // namespace ridge::access
