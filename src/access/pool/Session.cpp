#include "Session.h"

#include <algorithm>
#include <charconv>

#include "Encoding.h"
#include "Settings.h"
#include "Status.h"

namespace ridge::access {

Session::Session(AS_Handle id, RuntimeConfig cfg, std::string encoding,
                 std::shared_ptr<const ServiceIdentity> service,
                 std::shared_ptr<ConnectionPool> pool)
    : m_id(id),
      m_config(std::move(cfg)),
      m_encoding(std::move(encoding)),
      m_serviceIdentity(std::move(service)),
      m_pool(std::move(pool)) {}

Session::~Session() {
    // A connection parked with answers on their way goes back (a lease taken back and let go).
    if (m_parked.slot)
        m_pool->resume(m_parked);
}

LdapConnection& Session::open(ConnectionPool::Lease& lease) {
    LdapConnection& conn = lease.connection(m_id, &m_counts);
    m_lastServer = lease.server();
    return conn;
}

void Session::reclaimParked() {
    if (!m_parked.slot)
        return;
    m_lease = m_pool->resume(m_parked);
    m_parked = {};
    if (!m_lease)
        dropPending(false);
}

void Session::endCall() {
    if (m_pending.empty()) {
        m_lease.release();
        return;
    }
    if (!m_lease)
        return;  // still parked: this call did not touch the directory
    std::vector<int> work;
    for (const auto& p : m_pending)
        work.push_back(p.msgid);
    m_parked = m_lease.park(std::move(work));
}

bool Session::serverStalled() {
    if (!m_lease || !m_pool->serverStalled(m_lease, m_id))
        return false;
    connectionLost();
    return true;
}

void Session::connectionTimedOut() {
    dropPending(false);
    if (m_lease)
        m_pool->connectionBroken(m_lease);
}

LdapConnection& Session::ldap() {
    settleAllPending();
    return connection();
}

LdapConnection& Session::connection() {
    if (m_offline)
        failOffline();
    if (m_recheckPassword) {
        // The server may have been restored without the user, or with another password.
        m_recheckPassword = false;
        const auto password = m_userPassword.reveal();
        if (bindUser(m_userDn, password.text()).ldapResult != LDAP_SUCCESS) {
            signOut();
            fail(AS_ERR_NOT_AUTHENTICATED);
        }
    }
    reclaimParked();
    if (!m_lease)
        m_lease = m_pool->checkout(ConnectionPool::Kind::Service);
    return open(m_lease);
}

LdapConnection& Session::service() {
    return connection();
}

ConnectionPool::Lease Session::checkoutForBinds() {
    return m_pool->checkout(ConnectionPool::Kind::Bind);
}

BindOutcome Session::bindUser(const std::string& dn, const std::string& password) {
    auto lease = checkoutForBinds();
    try {
        return open(lease).bind(dn, password);
    } catch (const AccessError& e) {
        const bool kept = lease.reused();
        // A bind that got no answer leaves its connection in no known state: it is not kept.
        m_pool->connectionBroken(lease);
        if (e.code() != AS_ERR_SERVER_UNREACHABLE || !kept)
            throw;
    }
    return open(lease).bind(dn, password);
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
    if (m_offline)
        return namespaceDnFor(namespaceName());  // its entry was seen when the user was cached
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
    if (m_offline) {
        const LdapEntry* kept = m_offline->byId(objectType, id);
        if (!kept || !coveredByRecord(objectType, attributes))
            failOffline();
        return std::make_shared<const LdapEntry>(*kept);
    }
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
    if (m_offline) {
        const LdapEntry* kept = m_offline->byDn(objectType, dn);
        if (!kept)
            failOffline();
        return std::make_shared<const LdapEntry>(*kept);
    }
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
                     const LdapEntry& user, ReadCache::Clock::time_point fetched,
                     std::optional<AS_ObjectId> classId) {
    if (password) {
        m_userPassword = ProtectedSecret(*password);
    } else {  // no password: nothing the policy said applies
        m_userPassword.clear();
        m_graceLoginsLeft = -1;
        m_passwordExpiresIn = -1;
    }
    m_cache.clear();  // what another identity read is not this one's to see
    m_knownTicket.reset();
    m_namespace = nsUtf8;
    m_userId = userId;
    m_userDn = user.dn;
    m_userClassId = classId;
    // Only the record's attributes: what the sign-on checked (lock, disabled) is not the
    // record's to show.
    auto record = std::make_shared<LdapEntry>();
    record->dn = user.dn;
    std::vector<std::string_view> values;
    for (const auto& name : recordAttributes(AS_OBJ_USER)) {
        if (!user.has(name))
            continue;
        values.clear();
        for (auto v : user.values(name))
            values.push_back(v);
        record->attributes.add(name, values);
    }
    m_cache.putEntry(AS_OBJ_USER, userId, std::move(record), fetched);
}

void Session::rememberTicket(KnownTicket ticket, ReadCache::Clock::time_point at) {
    m_knownTicket = std::move(ticket);
    m_knownTicketAt = at;
}

std::optional<Session::KnownTicket> Session::recentTicket(const std::string& id,
                                                          ReadCache::Clock::time_point now) const {
    if (!m_knownTicket || m_knownTicket->id != id || now < m_knownTicketAt ||
        now - m_knownTicketAt >= m_cache.lifetime())
        return std::nullopt;
    return m_knownTicket;
}

void Session::signInOffline(const std::string& nsUtf8, OfflineUser user,
                            std::optional<AS_ObjectId> classId, std::string outage) {
    signIn(nullptr, nsUtf8, idOf(user.user), user.user, ReadCache::Clock::now(), classId);
    m_offline = std::make_shared<const OfflineUser>(std::move(user));
    m_outage = std::move(outage);
}

void Session::failOffline() const {
    fail(AS_ERR_SERVER_UNREACHABLE,
         "signed on offline: the directory cannot be reached (" + m_outage +
             "); only the user's own account, classes and folders can be read until it answers "
             "and the user signs on again");
}

void Session::connectionLost() {
    dropPending(false);
    if (m_lease)
        m_pool->connectionBroken(m_lease);
    m_recheckPassword = authenticated() && !m_userPassword.empty();
    m_checkedNamespaceDn.clear();
    m_cache.clear();
    m_knownTicket.reset();
}

void Session::signOut() {
    dropPending(true);  // what was asked for the user signing out is not the next one's
    m_graceLoginsLeft = -1;
    m_passwordExpiresIn = -1;
    m_userPassword.clear();
    m_recheckPassword = false;
    m_cache.clear();
    m_knownTicket.reset();
    m_namespace.clear();
    m_userId = 0;
    m_userDn.clear();
    m_userClassId.reset();
    m_offline.reset();
    m_outage.clear();
}

void Session::close() {
    signOut();
    m_lease.release();
    m_checkedNamespaceDn.clear();
}

}  // namespace ridge::access
