// Offline sign-on: what a process of the home keeps, per user, to let the user sign on by
// password (or with a ticket issued through a process of the home) while every directory
// server is unreachable. Off unless access.conf sets offline_days.
//
// An online password sign-on the directory accepted queues a refresh; a worker thread writes the
// user's verifier and records, so the sign-on's answer never waits for it. A refresh happens at
// most once per offline_refresh_hours per user, unless the password changed (a successful change,
// or a sign-on whose password the verifier does not accept): then at once. A process remembers
// the passwords it saw only as a keyed digest under a key made at random for the process, to
// know without Argon2 that nothing changed.
#pragma once

#include <AccessAPI.h>

#include <condition_variable>
#include <ctime>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "OfflineStore.h"
#include "OfflineUser.h"
#include "ProtectedSecret.h"
#include "RecordCipher.h"
#include "Verifier.h"

namespace ridge::access {

class ConnectionPool;

struct OfflineSettings {
    long days = 0;
    long refreshHours = 12;
    long failedAttempts = 3;
    long failedDelayMinutes = 5;
    VerifierCost cost;
};

class OfflineCache {
public:
    // home: its cache/ folder holds the store; key: 32 bytes of the home's own.
    OfflineCache(const std::string& home, std::string key, OfflineSettings settings,
                 OfflineStore::Reporter report);
    ~OfflineCache();  // waits for the refresh under way; the queued ones are dropped
    OfflineCache(const OfflineCache&) = delete;
    OfflineCache& operator=(const OfflineCache&) = delete;

    const OfflineSettings& settings() const { return m_settings; }

    // After an online password sign-on (or change) the directory accepted: queues a refresh of
    // the user's entry when one is due. The pool is where the worker reads the records.
    void signedOnOnline(std::shared_ptr<ConnectionPool> pool, const std::string& namespaceDn,
                        const std::string& signon, const std::string& userDn,
                        const std::string& password, bool passwordChanged);
    // Removes the user's entry (found locked, disabled or gone online).
    void forget(const std::string& namespaceDn, const std::string& signon);

    enum class Verdict { Admitted, Unknown, Expired, WrongPassword, Waiting };
    struct Outcome {
        Verdict verdict = Verdict::Unknown;
        OfflineUser user;      // when Admitted
        long waitSeconds = 0;  // when Waiting
    };
    // Checks the password against the user's verifier, counting wrong ones.
    Outcome signOnOffline(const std::string& namespaceDn, const std::string& signon,
                          const std::string& password, std::time_t now);

    // A ticket handed out for the user: kept (by a keyed digest) until it expires, so that it
    // signs on offline.
    void ticketIssued(const std::string& ticket, const std::string& namespaceDn,
                      const std::string& signon, std::optional<AS_ObjectId> classId,
                      std::time_t expires);
    struct TicketUser {
        OfflineUser user;
        std::optional<AS_ObjectId> classId;
    };
    // The user of a live ticket of the namespace; nullopt when unknown, expired or the user's
    // entry is gone or too old.
    std::optional<TicketUser> ticketOffline(const std::string& ticket,
                                            const std::string& namespaceDn, std::time_t now);

    // Namespace properties (number -> value) last read online, under a key naming the servers,
    // base and namespace.
    void namespaceRead(const std::string& key, const std::map<int, std::string>& properties);
    std::optional<std::map<int, std::string>> namespaceProperties(const std::string& key);

    struct Listed {
        std::string namespaceDn;
        std::string signon;
        std::string displayName;
        std::time_t written = 0;
        int failures = 0;
    };
    std::vector<Listed> list();
    // Removes every entry of that sign-on name (any namespace); returns how many.
    size_t forgetSignon(const std::string& signon);
    // Removes everything; returns how many records.
    size_t purge();
    // Waits until the refreshes queued so far are done.
    void drain();

private:
    struct Job {
        std::shared_ptr<ConnectionPool> pool;
        std::string key;
        std::string namespaceDn;
        std::string signon;
        std::string userDn;
        ProtectedSecret password;
        bool force = false;
        std::string memoKey;  // of m_known
    };
    struct Known {
        std::string fingerprint;
        std::time_t refreshed = 0;
    };

    std::string userKey(const std::string& namespaceDn, const std::string& signon) const;
    std::string passwordFingerprint(const std::string& memoKey, const std::string& password) const;
    std::optional<OfflineUser> loadUser(const std::string& key);
    void storeUser(const std::string& key, const OfflineUser& user);
    void work();
    void refresh(Job& job);
    bool expired(const OfflineUser& user, std::time_t now) const;

    OfflineSettings m_settings;
    RecordCipher m_cipher;
    std::string m_memoKey;  // made at random for the process: fingerprints of passwords seen
    OfflineStore m_store;
    OfflineStore::Reporter m_report;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<std::string, Known> m_known;  // by lower-case namespace DN and sign-on name
    std::deque<Job> m_queue;
    std::set<std::string> m_queued;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_worker;
};

}  // namespace ridge::access
