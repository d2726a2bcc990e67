// Process-wide state of the access library: settings, encoding, temporary runtime
// configuration, message catalog, certificate key and the handle table.
#pragma once

#include <AccessAPI.h>

#include <atomic>
#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>

#include <vector>

#include "Messages.h"
#include "RuntimeConfig.h"
#include "Session.h"
#include "Settings.h"

namespace ridge::access {

class OfflineCache;

class Process {
public:
    static Process& instance();

    // Initialisation is counted; settings are "NAME=value" texts.
    int32_t initialize(const char* const* settings);
    int32_t terminate();
    // Lock-free: every call asks.
    bool initialized() const { return m_initCount.load(std::memory_order_acquire) > 0; }

    // Encoding in force (process-wide); fixed once a handle has been opened.
    std::string encoding();
    int32_t setEncoding(const std::string& name);

    int32_t setRuntimeConfig(std::string_view text);
    // The configuration the next handle gets: the temporary one, else the home's default.
    std::optional<RuntimeConfig> effectiveConfig(std::string* text);

    // The service identity of access.conf for a handle of this configuration (its service_rdn
    // is placed below the configuration's base DN).
    std::shared_ptr<const ServiceIdentity> serviceIdentityFor(const RuntimeConfig& cfg);

    // The pool of connections of a configuration's servers and service identity, shared by
    // every handle open with them (made with the first, gone with the last).
    std::shared_ptr<ConnectionPool> poolFor(const RuntimeConfig& cfg,
                                            const std::shared_ptr<const ServiceIdentity>& identity);

    // Handles.
    std::shared_ptr<Session> openHandle(const RuntimeConfig& cfg);
    // Calls on different handles do not wait for each other here: a thread asking again for the
    // handle it asked for last, with the table unchanged since, takes no lock at all; others
    // take a shared lock of the table.
    std::shared_ptr<Session> findHandle(AS_Handle h) const;
    // Takes the handle out of the table and marks its session detached (Session::detached).
    std::shared_ptr<Session> removeHandle(AS_Handle h);

    std::shared_ptr<MessageCatalog> messages();
    AccessSettings settings();
    std::string home();
    // access.conf's trace_file resolved against the home ("" when no trace is kept).
    std::string traceFile();
    // The certificate signing key (created in the home on first use).
    std::string certificateKey();
    // True (once) when a purge of long-expired tickets is due at now: the first ticket issued
    // after initialisation, then one every ticket_purge_interval seconds.
    bool ticketPurgeDue(std::time_t now);

    // The home's offline sign-on cache, opened at the first use; null when access.conf leaves
    // offline_days at 0.
    std::shared_ptr<OfflineCache> offlineCache();
    // What went wrong with the cache since initialisation (a damaged file set aside, a record
    // that did not open, a refresh that failed), oldest first; also in the trace file.
    std::vector<std::string> offlineReports();
    void reportOffline(const std::string& report);

private:
    // Guards everything below; written only while it is held. m_initCount is also read without
    // it, and the handle table also under m_handlesMutex alone (taken after m_mutex).
    std::mutex m_mutex;
    std::atomic<int> m_initCount = 0;
    std::string m_home;
    std::shared_ptr<MessageCatalog> m_messages;
    AccessSettings m_settings;
    std::string m_servicePassword;
    std::string m_encoding = "cp1252";
    bool m_encodingFixed = false;
    std::optional<RuntimeConfig> m_tempConfig;
    std::string m_tempConfigText;
    std::optional<RuntimeConfig> m_defaultConfig;
    std::string m_defaultConfigText;
    mutable std::shared_mutex m_handlesMutex;
    std::map<AS_Handle, std::shared_ptr<Session>> m_handles;
    // Counts the changes of m_handles (made under m_handlesMutex); on a cache line of its own,
    // as it is read on every call and written only when a handle opens or closes.
    alignas(64) std::atomic<uint64_t> m_handlesVersion = 0;
    AS_Handle m_nextHandle = 1;
    // By what decides where and how the connections go (poolKey in Process.cpp).
    std::map<std::string, std::weak_ptr<ConnectionPool>> m_pools;
    std::string m_certificateKey;
    std::optional<std::time_t> m_lastTicketPurge;
    std::shared_ptr<OfflineCache> m_offline;
    // Taken without m_mutex: the cache reports while Process holds it.
    std::mutex m_reportMutex;
    std::vector<std::string> m_offlineReports;
    std::string m_offlineTrace;  // the trace file, for the reports
};

}  // namespace ridge::access
