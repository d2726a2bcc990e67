#include "OfflineCache.h"

#include <openssl/evp.h>
#include <openssl/rand.h>
#include <nlohmann/json.hpp>

#include "Clock.h"
#include "LdapNames.h"
#include "ObjectTypes.h"
#include "Pool.h"
#include "Schema.h"
#include "Status.h"

namespace ridge::access {

namespace {

using Json = nlohmann::json;

// Refreshes waiting at once; past this an online sign-on queues none (its next one will).
constexpr size_t kMaxQueued = 1000;

constexpr const char* kUserPrefix = "u:";
constexpr const char* kTicketPrefix = "t:";
constexpr const char* kNamespacePrefix = "n:";

std::string randomKey() {
    std::string key(32, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(key.data()), 32) != 1)
        fail(AS_ERR_INTERNAL, "no random bytes");
    return key;
}

std::string lowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

}  // namespace

OfflineCache::OfflineCache(const std::string& home, std::string key, OfflineSettings settings,
                           OfflineStore::Reporter report)
    : m_settings(settings),
      m_cipher(std::move(key)),
      m_memoKey(randomKey()),
      m_store(home + "/cache", report),
      m_report(std::move(report)) {
    m_worker = std::thread([this] { work(); });
}

OfflineCache::~OfflineCache() {
    wipe(m_memoKey);
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
        m_queued.clear();
    }
    m_changed.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

std::string OfflineCache::passwordFingerprint(const std::string& memoKey,
                                              const std::string& password) const {
    // SHA-256 over the process's random key, the user and the password: worthless outside this
    // process, and cheap (the digest's implementation is fetched once).
    static EVP_MD* const sha256 = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (!sha256 || !ctx || EVP_DigestInit_ex(ctx.get(), sha256, nullptr) != 1 ||
        EVP_DigestUpdate(ctx.get(), m_memoKey.data(), m_memoKey.size()) != 1 ||
        EVP_DigestUpdate(ctx.get(), memoKey.data(), memoKey.size() + 1) != 1 ||
        EVP_DigestUpdate(ctx.get(), password.data(), password.size()) != 1 ||
        EVP_DigestFinal_ex(ctx.get(), out, &size) != 1)
        fail(AS_ERR_INTERNAL, "no digest");
    return std::string(reinterpret_cast<char*>(out), size);
}

std::string OfflineCache::userKey(const std::string& namespaceDn, const std::string& signon) const {
    const std::string ns = normalizeDn(namespaceDn).value_or(namespaceDn);
    return kUserPrefix + m_cipher.digest("user\n" + lowerAscii(ns) + "\n" + lowerAscii(signon));
}

bool OfflineCache::expired(const OfflineUser& user, std::time_t now) const {
    return m_settings.days <= 0 || now - user.written > m_settings.days * 86400L;
}

std::optional<OfflineUser> OfflineCache::loadUser(const std::string& key) {
    auto sealed = m_store.get(key);
    if (!sealed)
        return std::nullopt;
    auto clear = m_cipher.open(key, *sealed);
    std::optional<OfflineUser> user;
    if (clear) {
        user = offlineUserFromText(*clear);
        wipe(*clear);
    }
    if (!user) {
        // Made under another key of the home, or damaged: of no use to anyone.
        m_store.remove(key);
        if (m_report)
            m_report("offline cache record " + key.substr(0, 10) + "... did not open: removed");
    }
    return user;
}

void OfflineCache::storeUser(const std::string& key, const OfflineUser& user) {
    std::string clear = toText(user);
    m_store.put(key, m_cipher.seal(key, clear));
    wipe(clear);
}

void OfflineCache::signedOnOnline(std::shared_ptr<ConnectionPool> pool,
                                  const std::string& namespaceDn, const std::string& signon,
                                  const std::string& userDn, const std::string& password,
                                  bool passwordChanged) {
    // Every sign-on passes here: the common case (seen lately with this password) costs one
    // hash and a look-up, nothing more.
    const std::string memoKey = lowerAscii(namespaceDn) + "\n" + lowerAscii(signon);
    const std::string fingerprint = passwordFingerprint(memoKey, password);
    const std::time_t now = wallClockNow();
    {
        std::lock_guard lock(m_mutex);
        auto known = m_known.find(memoKey);
        if (m_stopping || (!passwordChanged && known != m_known.end() &&
                           known->second.fingerprint == fingerprint &&
                           now < known->second.refreshed + m_settings.refreshHours * 3600L))
            return;
    }
    const std::string key = userKey(namespaceDn, signon);
    std::lock_guard lock(m_mutex);
    if (m_stopping)
        return;
    if (m_queued.count(key)) {
        // The refresh already queued takes the latest password.
        for (auto& job : m_queue)
            if (job.key == key) {
                job.password = ProtectedSecret(password);
                job.force = job.force || passwordChanged;
            }
        return;
    }
    if (m_queue.size() >= kMaxQueued)
        return;
    Job job;
    job.pool = std::move(pool);
    job.key = key;
    job.namespaceDn = namespaceDn;
    job.signon = signon;
    job.userDn = userDn;
    job.password = ProtectedSecret(password);
    job.force = passwordChanged;
    job.memoKey = memoKey;
    m_queue.push_back(std::move(job));
    m_queued.insert(key);
    m_changed.notify_all();
}

void OfflineCache::work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] { return m_stopping || !m_queue.empty(); });
        if (m_stopping)
            return;
        Job job = std::move(m_queue.front());
        m_queue.pop_front();
        m_queued.erase(job.key);
        m_busy = true;
        lock.unlock();
        try {
            refresh(job);
        } catch (const AccessError& e) {
            // The directory went away in between, or the store failed: the next sign-on tries
            // again.
            if (m_report)
                m_report("offline cache refresh of " + job.signon + " failed: " + e.detail());
        } catch (...) {
        }
        lock.lock();
        m_busy = false;
        m_changed.notify_all();
    }
}

void OfflineCache::refresh(Job& job) {
    const std::time_t now = wallClockNow();
    const auto password = job.password.reveal();
    const std::string fingerprint = passwordFingerprint(job.memoKey, password.text());
    auto remember = [&](std::time_t refreshed) {
        std::lock_guard lock(m_mutex);
        m_known[job.memoKey] = {fingerprint, refreshed};
    };
    // Kept as it is while it is recent, unused offline since and of this password.
    if (auto existing = loadUser(job.key);
        existing && !job.force && !existing->usedOffline && existing->failures == 0 &&
        now < existing->written + m_settings.refreshHours * 3600L &&
        verifierMatches(existing->verifier, password.text())) {
        remember(existing->written);
        return;
    }
    OfflineUser user;
    {
        auto lease = job.pool->checkout(ConnectionPool::Kind::Service);
        LdapConnection& conn = lease.connection(0, nullptr);
        auto found = conn.read(job.userDn, recordAttributes(AS_OBJ_USER));
        if (!found) {
            forget(job.namespaceDn, job.signon);
            return;
        }
        user.user = std::move(*found);
        user.classes = conn.search(job.namespaceDn, Scope::Sub,
                                   Filter::all({objectTypeFilter(AS_OBJ_USER_CLASS),
                                                Filter::equal(schema::kMember, job.userDn)}),
                                   recordAttributes(AS_OBJ_USER_CLASS));
        const auto nsKey = normalizeDn(job.namespaceDn);
        for (auto dn = parentDn(job.userDn); dn && !dn->empty(); dn = parentDn(*dn)) {
            auto folder = conn.search(*dn, Scope::Base, objectTypeFilter(AS_OBJ_USER_FOLDER),
                                      recordAttributes(AS_OBJ_USER_FOLDER), 1);
            for (auto& f : folder)
                user.folders.push_back(std::move(f));
            if (normalizeDn(*dn) == nsKey)
                break;
        }
    }
    user.namespaceDn = job.namespaceDn;
    user.signon = job.signon;
    user.verifier = makeVerifier(password.text(), m_settings.cost);
    user.written = now;
    storeUser(job.key, user);
    remember(now);
}

void OfflineCache::forget(const std::string& namespaceDn, const std::string& signon) {
    const std::string key = userKey(namespaceDn, signon);
    {
        std::lock_guard lock(m_mutex);
        m_known.erase(lowerAscii(namespaceDn) + "\n" + lowerAscii(signon));
    }
    // Every sign-on of an unknown name asks: a read costs no write to disk.
    if (m_store.get(key))
        m_store.remove(key);
}

OfflineCache::Outcome OfflineCache::signOnOffline(const std::string& namespaceDn,
                                                  const std::string& signon,
                                                  const std::string& password, std::time_t now) {
    Outcome out;
    const std::string key = userKey(namespaceDn, signon);
    auto user = loadUser(key);
    if (!user)
        return out;
    if (expired(*user, now)) {
        out.verdict = Verdict::Expired;
        return out;
    }
    const long delay = m_settings.failedDelayMinutes * 60L;
    if (user->failures >= m_settings.failedAttempts && now < user->lastFailure + delay) {
        out.verdict = Verdict::Waiting;
        out.waitSeconds = user->lastFailure + delay - now;
        return out;
    }
    const bool matches = verifierMatches(user->verifier, password);
    if (!matches || user->failures > 0 || !user->usedOffline) {
        // Counted in the store, which every process of the home shares.
        m_store.update(key, [&](std::optional<std::string> sealed) -> std::optional<std::string> {
            if (!sealed)
                return std::nullopt;
            auto clear = m_cipher.open(key, *sealed);
            auto current = clear ? offlineUserFromText(*clear) : std::nullopt;
            if (!current)
                return sealed;
            current->failures = matches ? 0 : current->failures + 1;
            current->lastFailure = matches ? current->lastFailure : now;
            current->usedOffline = current->usedOffline || matches;
            std::string text = toText(*current);
            std::string resealed = m_cipher.seal(key, text);
            wipe(text);
            return resealed;
        });
    }
    if (!matches) {
        out.verdict = Verdict::WrongPassword;
        return out;
    }
    {
        // The next online sign-on of the user writes the entry afresh.
        std::lock_guard lock(m_mutex);
        m_known.erase(lowerAscii(namespaceDn) + "\n" + lowerAscii(signon));
    }
    user->failures = 0;
    out.verdict = Verdict::Admitted;
    out.user = std::move(*user);
    return out;
}

void OfflineCache::ticketIssued(const std::string& ticket, const std::string& namespaceDn,
                                const std::string& signon, std::optional<AS_ObjectId> classId,
                                std::time_t expires) {
    const std::string key = kTicketPrefix + m_cipher.digest("ticket\n" + ticket);
    Json j = {{"user", userKey(namespaceDn, signon)}, {"expires", expires}};
    if (classId)
        j["class"] = *classId;
    m_store.put(key, m_cipher.seal(key, j.dump()));
}

std::optional<OfflineCache::TicketUser> OfflineCache::ticketOffline(const std::string& ticket,
                                                                    const std::string& namespaceDn,
                                                                    std::time_t now) {
    const std::string key = kTicketPrefix + m_cipher.digest("ticket\n" + ticket);
    auto sealed = m_store.get(key);
    if (!sealed)
        return std::nullopt;
    auto clear = m_cipher.open(key, *sealed);
    if (!clear)
        return std::nullopt;
    try {
        const Json j = Json::parse(*clear);
        if (j.at("expires").get<std::time_t>() <= now) {
            m_store.remove(key);
            return std::nullopt;
        }
        auto user = loadUser(j.at("user").get<std::string>());
        if (!user || expired(*user, now) ||
            normalizeDn(user->namespaceDn) != normalizeDn(namespaceDn))
            return std::nullopt;
        TicketUser found{std::move(*user), std::nullopt};
        if (j.contains("class"))
            found.classId = j.at("class").get<AS_ObjectId>();
        return found;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void OfflineCache::namespaceRead(const std::string& key,
                                 const std::map<int, std::string>& properties) {
    const std::string name = kNamespacePrefix + m_cipher.digest("namespace\n" + key);
    Json j = Json::object();
    for (const auto& [number, value] : properties)
        j[std::to_string(number)] = value;
    m_store.put(name, m_cipher.seal(name, j.dump(-1, ' ', false, Json::error_handler_t::replace)));
}

std::optional<std::map<int, std::string>> OfflineCache::namespaceProperties(
    const std::string& key) {
    const std::string name = kNamespacePrefix + m_cipher.digest("namespace\n" + key);
    auto sealed = m_store.get(name);
    auto clear = sealed ? m_cipher.open(name, *sealed) : std::nullopt;
    if (!clear)
        return std::nullopt;
    try {
        std::map<int, std::string> properties;
        const Json j = Json::parse(*clear);
        for (auto it = j.begin(); it != j.end(); ++it)
            properties[std::stoi(it.key())] = it.value().get<std::string>();
        return properties;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::vector<OfflineCache::Listed> OfflineCache::list() {
    std::vector<Listed> out;
    m_store.forEach(kUserPrefix, [&](std::string_view key, std::string_view sealed) {
        auto clear = m_cipher.open(key, sealed);
        auto user = clear ? offlineUserFromText(*clear) : std::nullopt;
        if (clear)
            wipe(*clear);
        if (!user)
            return;
        out.push_back({user->namespaceDn, user->signon, std::string(user->user.value("cn")),
                       user->written, user->failures});
    });
    return out;
}

size_t OfflineCache::forgetSignon(const std::string& signon) {
    size_t removed = 0;
    for (const auto& listed : list())
        if (lowerAscii(listed.signon) == lowerAscii(signon)) {
            forget(listed.namespaceDn, listed.signon);
            ++removed;
        }
    return removed;
}

size_t OfflineCache::purge() {
    {
        std::lock_guard lock(m_mutex);
        m_known.clear();
    }
    return m_store.removeAll("");
}

void OfflineCache::drain() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_stopping || (m_queue.empty() && !m_busy); });
}

}  // namespace ridge::access
