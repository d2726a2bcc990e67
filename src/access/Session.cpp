#include "internal/Session.h"

#include <algorithm>
#include <charconv>

#include "internal/Encoding.h"
#include "internal/Failover.h"
#include "internal/Settings.h"
#include "internal/Status.h"

namespace ridge::access {

const Filter& objectTypeFilter(int32_t objectType) {
    // Built once: every read by id asks for one, even those the cache answers.
    static const Filter kUser = Filter::equal(schema::kObjectClass, schema::kUserClass);
    static const Filter kClass = Filter::equal(schema::kObjectClass, schema::kClassClass);
    static const Filter kFolder = Filter::equal(schema::kObjectClass, schema::kFolderClass);
    switch (objectType) {
        case AS_OBJ_USER:
            return kUser;
        case AS_OBJ_USER_CLASS:
            return kClass;
        case AS_OBJ_USER_FOLDER:
            return kFolder;
        default:
            fail(AS_ERR_INVALID_ARGUMENT, "object type " + std::to_string(objectType));
    }
}

int32_t notFoundStatus(int32_t objectType) {
    switch (objectType) {
        case AS_OBJ_USER:
            return AS_ERR_USER_NOT_FOUND;
        case AS_OBJ_USER_FOLDER:
            return AS_ERR_FOLDER_NOT_FOUND;
        default:
            return AS_ERR_OBJECT_NOT_FOUND;
    }
}

namespace {

// Longest a failback probe waits for a server (seconds).
constexpr int kProbeTimeoutSeconds = 2;

std::chrono::seconds failbackInterval(const RuntimeConfig& cfg) {
    return std::chrono::seconds(cfg.failbackIntervalSeconds > 0 ? cfg.failbackIntervalSeconds : 60);
}

// Failures that mean "this server does not serve now", after which the next one is tried.
bool serverFailure(int32_t code) {
    return code == AS_ERR_SERVER_UNREACHABLE || code == AS_ERR_TIMEOUT;
}

// True when every attribute asked for is part of the type's record (so the cache can answer).
bool coveredByRecord(int32_t objectType, const std::vector<std::string>& attributes) {
    const auto& record = recordAttributes(objectType);
    if (&attributes == &record)
        return true;
    for (const auto& a : attributes) {
        bool found = false;
        for (const auto& r : record)
            found = found || sameAsciiText(a, r);
        if (!found)
            return false;
    }
    return true;
}

}  // namespace

const std::vector<std::string>& recordAttributes(int32_t objectType) {
    using namespace schema;
    static const std::vector<std::string> kUser = {kId,
                                                   kCommonName,
                                                   kDescription,
                                                   kMail,
                                                   kTelephone,
                                                   kGivenName,
                                                   kSurname,
                                                   kSignonName,
                                                   kContentLocale,
                                                   kProductLocale,
                                                   kBasicSignonId,
                                                   kOSSignon,
                                                   kDatabaseSignon,
                                                   kPrivileges};
    static const std::vector<std::string> kFolder = {kId, kUnitName, kDescription};
    static const std::vector<std::string> kClass = {kId, kCommonName, kDescription};
    switch (objectType) {
        case AS_OBJ_USER:
            return kUser;
        case AS_OBJ_USER_FOLDER:
            return kFolder;
        case AS_OBJ_USER_CLASS:
            return kClass;
        default:
            fail(AS_ERR_INVALID_ARGUMENT, "object type " + std::to_string(objectType));
    }
}

Session::Session(AS_Handle id, RuntimeConfig cfg, std::string encoding,
                 std::shared_ptr<const ServiceIdentity> service)
    : m_id(id),
      m_config(std::move(cfg)),
      m_encoding(std::move(encoding)),
      m_serviceIdentity(std::move(service)),
      m_servers(m_config.servers()) {
    for (const auto& server : m_servers)
        m_serverTexts.push_back(server.text());
}

Session::~Session() = default;

std::unique_ptr<LdapConnection> Session::connect(const std::function<void(LdapConnection&)>& bind) {
    auto& health = ServerHealth::instance();
    // Failures are dated from the start of the attempt, so that a handle's next check, one
    // interval later, finds them old enough to try the server again.
    const auto started = ServerHealth::Clock::now();
    std::string failures;
    for (size_t i : trialOrder(m_servers, health, started, failbackInterval(m_config))) {
        const ServerAddress& server = m_servers[i];
        try {
            auto conn = std::make_unique<LdapConnection>(m_config, server, &m_counts);
            if (bind)
                bind(*conn);
            if (m_servers.size() > 1)
                health.answered(server);
            m_server = i;
            m_everConnected = true;
            traceServer(m_id, "connected", server);
            return conn;
        } catch (const AccessError& e) {
            if (!serverFailure(e.code()) || m_servers.size() == 1)
                throw;
            health.failed(server, started);
            const std::string detail = e.code() == AS_ERR_TIMEOUT
                                           ? "no answer within " +
                                                 std::to_string(m_config.effectiveTimeout()) +
                                                 " s (" + e.detail() + ")"
                                           : e.detail();
            traceServer(m_id, "unreachable", server, detail);
            failures += failures.empty() ? "" : "; ";
            failures +=
                detail.rfind(server.text(), 0) == 0 ? detail : server.text() + " (" + detail + ")";
        }
    }
    fail(AS_ERR_SERVER_UNREACHABLE, failures);
}

std::unique_ptr<LdapConnection> Session::connectService() {
    if (!m_serviceIdentity)
        return connect();
    auto bindService = [this](LdapConnection& conn) {
        if (m_serviceIdentity->saslExternal)
            conn.bindExternal();
        else if (!m_serviceIdentity->bindDn.empty())
            conn.bindOrThrow(m_serviceIdentity->bindDn, m_serviceIdentity->password);
    };
    if (m_serviceIdentity->url.empty())
        return connect(bindService);
    auto conn = std::make_unique<LdapConnection>(m_config, m_serviceIdentity->url, &m_counts);
    bindService(*conn);
    return conn;
}

const std::string& Session::currentServer() const {
    static const std::string kNone;
    return m_everConnected ? m_serverTexts[m_server] : kNone;
}

void Session::returnToPreferredServer() {
    if (m_servers.size() < 2 || !connected() || m_server == 0)
        return;
    const auto now = ServerHealth::Clock::now();
    if (now < m_nextFailbackCheck)
        return;
    const auto interval = failbackInterval(m_config);
    m_nextFailbackCheck = now + interval;
    auto& health = ServerHealth::instance();
    // A server that does not answer quickly is not taken back: the probe must not hold up the
    // operation it precedes for the whole operation timeout.
    RuntimeConfig probeConfig = m_config;
    probeConfig.timeoutSeconds = std::min(m_config.effectiveTimeout(), kProbeTimeoutSeconds);
    for (size_t i = 0; i < m_server; ++i) {
        const ServerAddress& server = m_servers[i];
        if (health.failedWithin(server, now, interval))
            continue;  // another handle found it down since
        try {
            LdapConnection probe(probeConfig, server, &m_counts);
        } catch (const AccessError&) {
            health.failed(server, now);
            continue;
        }
        health.answered(server);
        traceServer(m_id, "returned", server, "from " + m_servers[m_server].text());
        dropPending(false);
        m_user.reset();
        m_service.reset();
        return;
    }
}

bool Session::serverStalled() {
    if (m_servers.size() < 2 || !connected())
        return false;
    const ServerAddress& server = m_servers[m_server];
    ServerHealth::instance().failed(server, ServerHealth::Clock::now());
    traceServer(m_id, "unreachable", server,
                "no answer within " + std::to_string(m_config.effectiveTimeout()) + " s");
    connectionLost();
    return true;
}

LdapConnection& Session::ldap() {
    settleAllPending();
    return connection();
}

LdapConnection& Session::connection() {
    if (!m_userBound)
        return service();
    if (!m_user) {
        BindOutcome bound;
        auto conn = connect([&](LdapConnection& c) {
            const auto password = m_userPassword.reveal();
            bound = c.bind(m_userDn, password.text());
        });
        if (bound.ldapResult != LDAP_SUCCESS) {
            // Changed, locked or expired since the sign-on.
            signOut();
            fail(AS_ERR_NOT_AUTHENTICATED);
        }
        m_user = std::move(conn);
    }
    return *m_user;
}

LdapConnection& Session::service() {
    if (!m_service)
        m_service = connectService();
    return *m_service;
}

BindOutcome Session::bindUser(const std::string& dn, const std::string& password) {
    dropPending(true);  // a bind waits for no other request on its connection
    if (m_user) {
        try {
            return m_user->bind(dn, password);
        } catch (const AccessError& e) {
            if (e.code() != AS_ERR_SERVER_UNREACHABLE)
                throw;
            dropPending(false);
            m_user.reset();
        }
    }
    BindOutcome bound;
    m_user = connect([&](LdapConnection& c) { bound = c.bind(dn, password); });
    return bound;
}

std::string Session::namespaceName() const {
    if (!m_namespace.empty())
        return m_namespace;
    return toUtf8(m_encoding, m_config.defaultNamespace);
}

std::string Session::namespaceDnFor(const std::string& nameUtf8) const {
    if (nameUtf8.empty())
        fail(AS_ERR_NAMESPACE_NOT_FOUND, "no namespace named");
    return childDn(schema::kUnitName, nameUtf8, m_config.baseDn);
}

std::string Session::namespaceDn() {
    return requireNamespace(namespaceName());
}

std::string Session::requireNamespace(const std::string& nameUtf8) {
    std::string dn = namespaceDnFor(nameUtf8);
    if (dn != m_checkedNamespaceDn) {
        auto entry = service().read(dn, {schema::kObjectClass});
        bool isNamespace = false;
        if (entry)
            for (const auto& oc : entry->values(schema::kObjectClass))
                if (sameAsciiText(oc, schema::kNamespaceClass))
                    isNamespace = true;
        if (!isNamespace)
            fail(AS_ERR_NAMESPACE_NOT_FOUND, nameUtf8);
        m_checkedNamespaceDn = dn;
    }
    return dn;
}

std::string Session::inText(const char* text, const char* what) const {
    if (!text)
        fail(AS_ERR_INVALID_ARGUMENT, what);
    return toUtf8(m_encoding, text);
}

std::optional<std::string> Session::inOptionalText(const char* text) const {
    if (!text || !*text)
        return std::nullopt;
    return toUtf8(m_encoding, text);
}

void Session::outText(std::string_view utf8, char* buffer, size_t size) const {
    if (!buffer)
        return;
    copyTruncated(m_encoding.name(), fromUtf8(m_encoding, utf8), buffer, size);
}

std::string Session::outBytes(std::string_view utf8) const {
    return fromUtf8(m_encoding, utf8);
}

void Session::requireAuthenticated() const {
    if (!authenticated())
        fail(AS_ERR_NOT_AUTHENTICATED);
}

EntryRef Session::findById(int32_t objectType, AS_ObjectId id,
                           const std::vector<std::string>& attributes) {
    const Filter& typeFilter = objectTypeFilter(objectType);  // -4 for another type
    if (id == 0)
        return nullptr;
    const bool cacheable = coveredByRecord(objectType, attributes);
    if (cacheable)
        settlePending(objectType, id);
    const auto fetched = ReadCache::Clock::now();
    if (cacheable)
        if (auto hit = m_cache.entryById(objectType, id, fetched))
            return hit;
    const Filter filter = Filter::all({typeFilter, Filter::equal(schema::kId, id)});
    auto entries = ldap().search(namespaceDn(), Scope::Sub, filter,
                                 cacheable ? recordAttributes(objectType) : attributes, 2);
    if (entries.size() > 1)
        fail(AS_ERR_AMBIGUOUS, "id " + std::to_string(id));
    if (entries.empty())
        return nullptr;
    auto entry = std::make_shared<const LdapEntry>(std::move(entries.front()));
    if (cacheable)
        m_cache.putEntry(objectType, id, entry, fetched);
    return entry;
}

EntryRef Session::recordAt(int32_t objectType, const std::string& dn) {
    settleAllPending();
    const auto fetched = ReadCache::Clock::now();
    if (auto hit = m_cache.entryByDn(objectType, dn, fetched))
        return hit;
    auto found = ldap().search(dn, Scope::Base, objectTypeFilter(objectType),
                               recordAttributes(objectType), 1);
    if (found.empty())
        return nullptr;
    auto entry = std::make_shared<const LdapEntry>(std::move(found.front()));
    m_cache.putEntry(objectType, idOf(*entry), entry, fetched);
    return entry;
}

void Session::remember(int32_t objectType, std::vector<LdapEntry> entries,
                       ReadCache::Clock::time_point fetched) {
    for (auto& e : entries) {
        const AS_ObjectId id = idOf(e);
        m_cache.putEntry(objectType, id, std::make_shared<const LdapEntry>(std::move(e)), fetched);
    }
}

EntryRef Session::requireById(int32_t objectType, AS_ObjectId id,
                              const std::vector<std::string>& attributes) {
    auto e = findById(objectType, id, attributes);
    if (!e)
        fail(notFoundStatus(objectType), "id " + std::to_string(id));
    return e;
}

AS_ObjectId Session::idOf(const LdapEntry& entry) {
    return idFromText(entry.value(schema::kId));
}

AS_ObjectId Session::idFromText(std::string_view v) {
    uint64_t n = 0;
    auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
    if (v.empty() || ec != std::errc() || end != v.data() + v.size() || n > UINT32_MAX)
        return 0;
    return static_cast<AS_ObjectId>(n);
}

void Session::setError(int32_t code, std::string detail, std::string reason) {
    m_errorCode = code;
    m_errorDetail = std::move(detail);
    m_errorReason = std::move(reason);
}

void Session::signIn(const std::string* password, const std::string& nsUtf8, AS_ObjectId userId,
                     const std::string& userDn, std::optional<AS_ObjectId> classId) {
    m_userBound = password != nullptr;
    if (password) {
        m_userPassword = ProtectedSecret(*password);
    } else {  // no password: nothing the policy said applies
        m_userPassword.clear();
        m_graceLoginsLeft = -1;
        m_passwordExpiresIn = -1;
    }
    m_cache.clear();  // what another identity read is not this one's to see
    m_namespace = nsUtf8;
    m_userId = userId;
    m_userDn = userDn;
    m_userClassId = classId;
}

void Session::connectionLost() {
    dropPending(false);
    m_user.reset();
    m_service.reset();
    m_checkedNamespaceDn.clear();
    m_cache.clear();
}

void Session::signOut() {
    dropPending(true);  // what was asked for the user signing out is not the next one's
    m_graceLoginsLeft = -1;
    m_passwordExpiresIn = -1;
    m_userBound = false;
    m_userPassword.clear();
    m_cache.clear();
    m_namespace.clear();
    m_userId = 0;
    m_userDn.clear();
    m_userClassId.reset();
}

void Session::close() {
    signOut();
    m_user.reset();
    m_service.reset();
    m_checkedNamespaceDn.clear();
}

}  // namespace ridge::access
