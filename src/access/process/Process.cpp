#include "Process.h"

#include <fcntl.h>
#include <ldap.h>
#include <openssl/rand.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <openssl/hmac.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "Clock.h"
#include "Encoding.h"
#include "Failover.h"
#include "OfflineCache.h"
#include "Status.h"
#include "TextFile.h"

namespace ridge::access {

namespace {

// A directory server that closes a connection while a request is being written to it would
// otherwise end the whole host process with SIGPIPE (libldap writes to its sockets with plain
// write()). A host that chose its own disposition for the signal keeps it.
void ignoreBrokenPipeSignals() {
    struct sigaction current {};
    if (sigaction(SIGPIPE, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) == 0 &&
        current.sa_handler == SIG_DFL) {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGPIPE, &ignore, nullptr);
    }
}

// libldap sets up its process-wide defaults on first use without a lock of its own, so the first
// connections of handles opened side by side would set them up at once; done here, under the
// process lock, before any handle exists.
void prepareLdapLibrary() {
    int version = 0;
    ldap_get_option(nullptr, LDAP_OPT_PROTOCOL_VERSION, &version);
}

constexpr size_t kKeyBytes = 32;

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string resolve(const std::string& home, const std::string& path) {
    if (path.empty() || path.front() == '/')
        return path;
    return home + "/" + path;
}

std::string firstLine(const std::string& text) {
    return text.substr(0, text.find_first_of("\r\n"));
}

// Reads the key, creating it when absent. Creation writes a private temporary file and links it
// into place, so concurrent processes agree on one key.
std::string loadOrCreateKey(const std::string& home) {
    const std::string dir = home + "/keys";
    const std::string path = dir + "/accessapi-certificate.key";
    ::mkdir(dir.c_str(), 0700);
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (auto key = readFile(path); key && key->size() == kKeyBytes)
            return *key;
        unsigned char fresh[kKeyBytes];
        if (RAND_bytes(fresh, sizeof fresh) != 1)
            fail(AS_ERR_INTERNAL, "no random bytes");
        std::string tmp = path + ".tmp." + std::to_string(::getpid());
        int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0)
            fail(AS_ERR_SETTINGS, "cannot write " + dir);
        bool written = ::write(fd, fresh, sizeof fresh) == static_cast<ssize_t>(sizeof fresh);
        ::close(fd);
        if (written) {
            int linked = ::link(tmp.c_str(), path.c_str());
            ::unlink(tmp.c_str());
            if (linked == 0)
                return std::string(reinterpret_cast<char*>(fresh), sizeof fresh);
        } else {
            ::unlink(tmp.c_str());
        }
    }
    fail(AS_ERR_SETTINGS, "certificate key unusable in " + dir);
}

// Most reports kept in memory; the trace file keeps them all.
constexpr size_t kMaxOfflineReports = 50;

// The cache's own key, derived from the home's key so that a home has one key file to guard.
std::string cacheKeyFrom(const std::string& homeKey) {
    static const char label[] = "offline sign-on cache records";
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    HMAC(EVP_sha256(), homeKey.data(), static_cast<int>(homeKey.size()),
         reinterpret_cast<const unsigned char*>(label), sizeof label - 1, out, &size);
    return std::string(reinterpret_cast<char*>(out), size);
}

void traceOffline(const std::string& path, const std::string& detail) {
    if (path.empty())
        return;
    try {
        nlohmann::ordered_json record = {{"time", static_cast<int64_t>(wallClockNow())},
                                         {"event", "offline cache"},
                                         {"detail", detail}};
        std::ofstream(path, std::ios::app)
            << record.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
    } catch (...) {
    }
}

}  // namespace

Process& Process::instance() {
    static auto* process = new Process();  // lives until exit; no destruction order issues
    return *process;
}

int32_t Process::initialize(const char* const* settings) {
    std::string home, table, msgs;
    for (const char* const* s = settings; s && *s; ++s) {
        std::string_view kv(*s);
        auto take = [&](std::string_view key, std::string& out) {
            if (kv.substr(0, key.size()) == key)
                out = std::string(kv.substr(key.size()));
        };
        take("TALVEX_HOME=", home);
        take("TLXNLSTAB=", table);
        take("SRVCMSGS=", msgs);
    }
    if (home.empty() || !isDirectory(home))
        fail(AS_ERR_SETTINGS, "TALVEX_HOME");
    if (table.empty())
        table = home + "/ridge_tlxlang.tab";
    if (msgs.empty())
        msgs = home + "/srvcmsgs_en.msg";

    std::lock_guard lock(m_mutex);
    if (m_initCount > 0) {
        if (home != m_home)
            fail(AS_ERR_SETTINGS, "already initialised with another home");
        ++m_initCount;
        return AS_OK;
    }
    ignoreBrokenPipeSignals();
    prepareLdapLibrary();
    AccessSettings parsed;
    if (auto text = readFile(home + "/access.conf")) {
        std::string error;
        auto s = parseAccessSettings(*text, &error);
        if (!s)
            fail(AS_ERR_SETTINGS, error);
        parsed = *s;
    }
    std::string password;
    if (!parsed.servicePasswordFile.empty()) {
        auto pw = readFile(resolve(home, parsed.servicePasswordFile));
        if (!pw)
            fail(AS_ERR_SETTINGS, "service password file unreadable");
        password = firstLine(*pw);
    }
    std::optional<RuntimeConfig> defaultConfig;
    std::string defaultText;
    if (!parsed.defaultRuntimeConfigFile.empty()) {
        auto text = readFile(resolve(home, parsed.defaultRuntimeConfigFile));
        if (!text)
            fail(AS_ERR_SETTINGS, "default runtime configuration unreadable");
        std::string error;
        defaultConfig = parseRuntimeConfig(*text, &error);
        if (!defaultConfig)
            fail(AS_ERR_SETTINGS, "default runtime configuration: " + error);
        defaultText = firstLine(*text);
    }
    m_home = home;
    m_messages = std::make_shared<MessageCatalog>(table, msgs);
    m_settings = parsed;
    m_servicePassword = password;
    m_defaultConfig = defaultConfig;
    m_defaultConfigText = defaultText;
    m_encoding = "cp1252";
    m_encodingFixed = false;
    m_tempConfig.reset();
    m_tempConfigText.clear();
    m_certificateKey.clear();
    m_lastTicketPurge.reset();
    {
        std::lock_guard reports(m_reportMutex);
        m_offlineReports.clear();
        m_offlineTrace = resolve(home, parsed.traceFile);
    }
    m_initCount = 1;
    return AS_OK;
}

int32_t Process::terminate() {
    std::map<AS_Handle, std::shared_ptr<Session>> handles;
    std::shared_ptr<OfflineCache> offline;
    {
        std::lock_guard lock(m_mutex);
        if (m_initCount == 0)
            return AS_ERR_NOT_INITIALIZED;
        if (m_initCount.fetch_sub(1) > 1)
            return AS_OK;
        {
            std::unique_lock table(m_handlesMutex);
            handles.swap(m_handles);
            m_handlesVersion.fetch_add(1, std::memory_order_release);
            for (auto& [id, session] : handles)
                session->detach();
        }
        m_servicePassword.assign(m_servicePassword.size(), '\0');
        m_servicePassword.clear();
        m_certificateKey.assign(m_certificateKey.size(), '\0');
        m_certificateKey.clear();
        m_messages.reset();
        m_tempConfig.reset();
        m_tempConfigText.clear();
        offline.swap(m_offline);
    }
    ServerHealth::instance().clear();
    // Wait for calls still running on the handles, then close them.
    for (auto& [id, session] : handles) {
        std::lock_guard wait(session->mutex());
        session->close();
    }
    // A host that signs one user on and ends (a command line) still leaves its entry written.
    if (offline)
        offline->drain();
    return AS_OK;
}

std::string Process::encoding() {
    std::lock_guard lock(m_mutex);
    return m_encoding;
}

int32_t Process::setEncoding(const std::string& name) {
    if (!encodingKnown(name))
        fail(AS_ERR_UNKNOWN_ENCODING, name);
    std::lock_guard lock(m_mutex);
    if (name == m_encoding)
        return AS_OK;
    if (m_encodingFixed)
        fail(AS_ERR_ENCODING_IN_FORCE, m_encoding);
    m_encoding = name;
    return AS_OK;
}

int32_t Process::setRuntimeConfig(std::string_view text) {
    std::string error;
    auto cfg = parseRuntimeConfig(text, &error);
    if (!cfg)
        fail(AS_ERR_CONFIG_SYNTAX, error);
    std::lock_guard lock(m_mutex);
    m_tempConfig = std::move(cfg);
    m_tempConfigText = std::string(text.substr(0, text.find('\0')));
    return AS_OK;
}

std::optional<RuntimeConfig> Process::effectiveConfig(std::string* text) {
    std::lock_guard lock(m_mutex);
    std::optional<RuntimeConfig> cfg = m_tempConfig ? m_tempConfig : m_defaultConfig;
    if (text)
        *text = m_tempConfig ? m_tempConfigText : m_defaultConfigText;
    if (cfg) {
        cfg->startTls = m_settings.startTls;
        cfg->failbackIntervalSeconds = m_settings.failbackInterval;
    }
    return cfg;
}

std::shared_ptr<const ServiceIdentity> Process::serviceIdentityFor(const RuntimeConfig& cfg) {
    auto identity = std::make_shared<ServiceIdentity>();
    std::lock_guard lock(m_mutex);
    identity->saslExternal = m_settings.serviceSaslExternal;
    identity->url = m_settings.serviceUrl;
    if (!m_settings.serviceDn.empty())
        identity->bindDn = m_settings.serviceDn;
    else if (!m_settings.serviceRdn.empty())
        identity->bindDn = m_settings.serviceRdn + "," + cfg.baseDn;
    identity->password = m_servicePassword;
    return identity;
}

namespace {

// Everything a pooled connection depends on: servers, TLS, timeouts and the service identity.
// The password is left out of the text (it is the same for one process's settings).
std::string poolKey(const RuntimeConfig& cfg, const ServiceIdentity& identity) {
    std::string key;
    for (const auto& server : cfg.servers())
        key += server.text() + ",";
    key += "|" + std::string(cfg.sslEnabled ? "ssl" : "") + (cfg.startTls ? "+starttls" : "") +
           "|" + cfg.sslCertDb + "|" + std::to_string(cfg.effectiveTimeout()) + "|" +
           std::to_string(cfg.failbackIntervalSeconds) + "|" + identity.bindDn + "|" +
           (identity.saslExternal ? "external" : "") + "|" + identity.url;
    return key;
}

}  // namespace

std::shared_ptr<ConnectionPool> Process::poolFor(
    const RuntimeConfig& cfg, const std::shared_ptr<const ServiceIdentity>& identity) {
    const std::string key = poolKey(cfg, *identity);
    std::lock_guard lock(m_mutex);
    std::erase_if(m_pools, [](const auto& entry) { return entry.second.expired(); });
    if (auto pool = m_pools[key].lock())
        return pool;
    auto pool =
        std::make_shared<ConnectionPool>(cfg, identity,
                                         PoolSizes{static_cast<size_t>(m_settings.poolSize),
                                                   static_cast<size_t>(m_settings.bindPoolSize)});
    m_pools[key] = pool;
    return pool;
}

std::shared_ptr<Session> Process::openHandle(const RuntimeConfig& cfg) {
    std::string encoding;
    auto identity = serviceIdentityFor(cfg);
    AS_Handle id = 0;
    {
        std::lock_guard lock(m_mutex);
        if (m_initCount == 0)
            fail(AS_ERR_NOT_INITIALIZED);
        encoding = m_encoding;
        do {
            id = m_nextHandle++;
        } while (id == 0 || m_handles.count(id));
    }
    // Nothing is sent to the server yet: the handle's first operation connects, so a caller may
    // hold a lock of its own across AS_Init without holding it across the network.
    auto session = std::make_shared<Session>(id, cfg, encoding, identity, poolFor(cfg, identity));
    std::lock_guard lock(m_mutex);
    if (m_initCount == 0)
        fail(AS_ERR_NOT_INITIALIZED);
    if (encoding != m_encoding)
        fail(AS_ERR_ENCODING_IN_FORCE, m_encoding);
    m_encodingFixed = true;
    std::unique_lock table(m_handlesMutex);
    m_handles[id] = session;
    m_handlesVersion.fetch_add(1, std::memory_order_release);
    return session;
}

std::shared_ptr<Session> Process::findHandle(AS_Handle h) const {
    // A thread mostly calls on one handle, a page of a search hundreds of times. Even a shared
    // lock writes its lock word, which two cores then pass to and fro on every call; the version
    // is only read here, so a thread that finds the table unchanged since its last look-up takes
    // the session it found then without touching anything another thread writes.
    struct Recent {
        AS_Handle handle = 0;
        uint64_t version = 0;
        std::weak_ptr<Session> session;  // not owning: a closed handle's session goes at once
    };
    thread_local Recent t_recent;
    if (t_recent.handle == h &&
        t_recent.version == m_handlesVersion.load(std::memory_order_acquire)) {
        if (auto session = t_recent.session.lock())
            return session;
    }
    std::shared_lock table(m_handlesMutex);
    auto it = m_handles.find(h);
    if (it == m_handles.end())
        return nullptr;
    t_recent = {h, m_handlesVersion.load(std::memory_order_relaxed), it->second};
    return it->second;
}

std::shared_ptr<Session> Process::removeHandle(AS_Handle h) {
    std::lock_guard lock(m_mutex);
    std::unique_lock table(m_handlesMutex);
    auto it = m_handles.find(h);
    if (it == m_handles.end())
        return nullptr;
    auto session = it->second;
    session->detach();
    m_handles.erase(it);
    m_handlesVersion.fetch_add(1, std::memory_order_release);
    return session;
}

std::shared_ptr<MessageCatalog> Process::messages() {
    std::lock_guard lock(m_mutex);
    return m_messages;
}

AccessSettings Process::settings() {
    std::lock_guard lock(m_mutex);
    return m_settings;
}

std::string Process::home() {
    std::lock_guard lock(m_mutex);
    return m_home;
}

std::string Process::traceFile() {
    std::lock_guard lock(m_mutex);
    return resolve(m_home, m_settings.traceFile);
}

bool Process::ticketPurgeDue(std::time_t now) {
    std::lock_guard lock(m_mutex);
    if (m_lastTicketPurge && now - *m_lastTicketPurge < m_settings.ticketPurgeInterval)
        return false;
    m_lastTicketPurge = now;
    return true;
}

std::shared_ptr<OfflineCache> Process::offlineCache() {
    std::lock_guard lock(m_mutex);
    if (m_initCount == 0)
        fail(AS_ERR_NOT_INITIALIZED);
    if (m_settings.offlineDays <= 0)
        return nullptr;
    if (!m_offline) {
        if (m_certificateKey.empty())
            m_certificateKey = loadOrCreateKey(m_home);
        OfflineSettings settings;
        settings.days = m_settings.offlineDays;
        settings.refreshHours = m_settings.offlineRefreshHours;
        settings.failedAttempts = m_settings.offlineFailedLoginAttempts;
        settings.failedDelayMinutes = m_settings.offlineFailedLoginDelay;
        settings.cost.time = static_cast<unsigned>(m_settings.offlineArgon2Time);
        settings.cost.memoryKib = static_cast<unsigned>(m_settings.offlineArgon2Memory);
        settings.cost.parallelism = static_cast<unsigned>(m_settings.offlineArgon2Parallelism);
        m_offline =
            std::make_shared<OfflineCache>(m_home, cacheKeyFrom(m_certificateKey), settings,
                                           [this](const std::string& r) { reportOffline(r); });
    }
    return m_offline;
}

void Process::reportOffline(const std::string& report) {
    std::lock_guard reports(m_reportMutex);
    traceOffline(m_offlineTrace, report);
    if (m_offlineReports.size() >= kMaxOfflineReports)
        m_offlineReports.erase(m_offlineReports.begin());
    m_offlineReports.push_back(report);
}

std::vector<std::string> Process::offlineReports() {
    std::lock_guard reports(m_reportMutex);
    return m_offlineReports;
}

std::string Process::certificateKey() {
    std::lock_guard lock(m_mutex);
    if (m_initCount == 0)
        fail(AS_ERR_NOT_INITIALIZED);
    if (m_certificateKey.empty())
        m_certificateKey = loadOrCreateKey(m_home);
    return m_certificateKey;
}

}  // namespace ridge::access
