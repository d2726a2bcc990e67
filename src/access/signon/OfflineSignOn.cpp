#include "OfflineSignOn.h"

#include "Clock.h"
#include "Process.h"
#include "Schema.h"

namespace ridge::access {

std::shared_ptr<OfflineCache> offlineCacheOrNull() {
    return Process::instance().offlineCache();
}

void forOfflineCache(const std::function<void(OfflineCache&)>& work) {
    try {
        if (auto cache = offlineCacheOrNull())
            work(*cache);
    } catch (const AccessError& e) {
        Process::instance().reportOffline("offline cache not written: " + e.detail());
    }
}

bool isOutage(const Session& s, const AccessError& e) {
    return e.code() == AS_ERR_SERVER_UNREACHABLE && !s.usedKeptConnection();
}

namespace {

// The class named userClass among the user's cached classes: as online, exactly one must bear
// the name (-21 for several, -38 for none).
std::optional<AS_ObjectId> offlineClass(Session& s, const OfflineUser& user,
                                        const char* userClass) {
    auto name = s.inOptionalText(userClass);
    if (!name)
        return std::nullopt;
    std::optional<AS_ObjectId> found;
    for (const auto& c : user.classes)
        if (sameAsciiText(c.value(schema::kCommonName), *name)) {
            if (found)
                fail(AS_ERR_AMBIGUOUS, *name);
            found = Session::idOf(c);
        }
    if (!found)
        fail(AS_ERR_USER_CLASS_NOT_ALLOWED, *name);
    return found;
}

}  // namespace

AS_ObjectId signOnOfflineByPassword(Session& s, OfflineCache& cache, const std::string& nsUtf8,
                                    const std::string& signonUtf8, const std::string& password,
                                    const char* userClass, char* ticket,
                                    const AccessError& outage) {
    const std::string nsDn = s.namespaceDnFor(nsUtf8);
    auto o = cache.signOnOffline(nsDn, signonUtf8, password, wallClockNow());
    switch (o.verdict) {
        case OfflineCache::Verdict::Unknown:
            throw outage;
        case OfflineCache::Verdict::Expired:
            fail(AS_ERR_SERVER_UNREACHABLE,
                 outage.detail() + "; the offline entry of " + signonUtf8 + " is older than " +
                     std::to_string(cache.settings().days) + " days (offline_days)");
        case OfflineCache::Verdict::WrongPassword:
            fail(AS_ERR_BAD_CREDENTIALS, "offline sign-on");
        case OfflineCache::Verdict::Waiting:
            fail(AS_ERR_ACCOUNT_LOCKED,
                 "offline sign-on: " + std::to_string(cache.settings().failedAttempts) +
                     " wrong passwords; the next attempt is taken in " +
                     std::to_string((o.waitSeconds + 59) / 60) + " min");
        case OfflineCache::Verdict::Admitted:
            break;
    }
    const AS_ObjectId id = Session::idOf(o.user.user);
    if (id == 0)
        fail(AS_ERR_USER_NOT_FOUND, "user without id");
    auto cls = offlineClass(s, o.user, userClass);
    s.signInOffline(nsUtf8, std::move(o.user), cls, outage.detail());
    if (ticket) {
        // Tickets live in the directory: none can be issued while it is away.
        ticket[0] = '\0';
        s.setError(AS_NOTE_NO_TICKET, "signed on offline: no ticket while the directory is away");
    }
    return id;
}

const OfflineUser& signOnOfflineByTicket(Session& s, OfflineCache& cache, const std::string& nsUtf8,
                                         const std::string& ticketId, const AccessError& outage) {
    auto found = cache.ticketOffline(ticketId, s.namespaceDnFor(nsUtf8), wallClockNow());
    if (!found)
        throw outage;
    s.signInOffline(nsUtf8, std::move(found->user), found->classId, outage.detail());
    return *s.offlineUser();
}

void rememberOnline(Session& s, const std::string& nsDn, const LdapEntry& user,
                    const std::string& password, bool passwordChanged) {
    forOfflineCache([&](OfflineCache& cache) {
        cache.signedOnOnline(s.pool(), nsDn, std::string(user.value(schema::kSignonName)), user.dn,
                             password, passwordChanged);
    });
}

void forgetOffline(const std::string& nsDn, const std::string& signonUtf8) {
    forOfflineCache([&](OfflineCache& cache) { cache.forget(nsDn, signonUtf8); });
}

}  // namespace ridge::access
