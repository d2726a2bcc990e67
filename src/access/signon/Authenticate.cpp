// Sign-on calls: basic signon and password, trusted web environment, password change.
#include <AccessAPI.h>

#include <cstdio>
#include <cstring>

#include "Api.h"
#include "Clock.h"
#include "Directory.h"
#include "OfflineSignOn.h"
#include "Process.h"

namespace ridge::access {

namespace {

// Status for a bind as a user that did not simply succeed.
int32_t bindStatus(const BindOutcome& o) {
    if (o.ldapResult == LDAP_SUCCESS)
        return o.policyError == PP_changeAfterReset ? AS_ERR_MUST_CHANGE_PASSWORD : AS_OK;
    if (o.ldapResult == LDAP_INVALID_CREDENTIALS) {
        if (o.policyError == PP_passwordExpired)
            return AS_ERR_PASSWORD_EXPIRED;
        if (o.policyError == PP_accountLocked)
            return AS_ERR_ACCOUNT_LOCKED;
        return AS_ERR_BAD_CREDENTIALS;
    }
    return statusFromLdap(o.ldapResult);
}

// Status for a password modify result.
int32_t changeStatus(const BindOutcome& o) {
    switch (o.policyError) {
        case PP_passwordTooShort:
            return AS_ERR_PASSWORD_TOO_SHORT;
        case PP_passwordInHistory:
            return AS_ERR_PASSWORD_IN_HISTORY;
        case PP_insufficientPasswordQuality:
        case PP_passwordTooYoung:
        case PP_passwordTooLong:
        case PP_passwordModNotAllowed:
        case PP_mustSupplyOldPassword:
            return AS_ERR_PASSWORD_QUALITY;
        default:
            break;
    }
    if (o.ldapResult == LDAP_SUCCESS)
        return AS_OK;
    if (o.ldapResult == LDAP_INSUFFICIENT_ACCESS)
        return AS_ERR_SERVER;
    return statusFromLdap(o.ldapResult);
}

// Hands out the ticket of a fresh sign-on: the caller's one when it still fits, else a new one.
// A sign-on stands when no ticket can be written (a service identity that may not write the
// ticket container, a namespace without one): the ticket comes back empty and the handle's error
// text says why, while the call succeeds.
// A ticket of a user signed on by password (signon not empty) is also kept for offline sign-on.
void deliverTicket(Session& s, char* ticket, const std::string& signon) {
    if (!ticket)
        return;
    std::string given(ticket, strnlen(ticket, AS_TICKET_SIZE - 1));
    if (given.empty() || !ticketStillValidFor(s, given)) {
        try {
            given = issueTicket(s);
        } catch (const AccessError& e) {
            if (e.code() == AS_ERR_SERVER_UNREACHABLE || e.code() == AS_ERR_NO_MEMORY)
                throw;
            ticket[0] = '\0';
            s.setError(AS_NOTE_NO_TICKET, e.detail());
            return;
        }
        if (!signon.empty())
            forOfflineCache([&](OfflineCache& cache) {
                cache.ticketIssued(given, s.namespaceDn(), signon, s.userClassId(),
                                   wallClockNow() + Process::instance().settings().ticketLifetime);
            });
    }
    std::snprintf(ticket, AS_TICKET_SIZE, "%s", given.c_str());
}

std::optional<AS_ObjectId> chosenClass(Session& s, const std::string& nsDn, const char* userClass,
                                       const std::string& userDn) {
    auto name = s.inOptionalText(userClass);
    if (!name)
        return std::nullopt;
    return userClassByName(s, nsDn, *name, userDn);
}

// The last steps of a password or web sign-on, once the user is found and may sign on: the
// user's id, the class it signs on with, the handle signed in and the ticket handed out.
AS_ObjectId admit(Session& s, const LdapEntry& user, ReadCache::Clock::time_point userFetched,
                  const std::string& ns, const std::string& nsDn, const char* userClass,
                  const std::string* password, char* ticket) {
    AS_ObjectId id = Session::idOf(user);
    if (id == 0)
        fail(AS_ERR_USER_NOT_FOUND, "user without id");
    auto cls = chosenClass(s, nsDn, userClass, user.dn);
    s.signIn(password, ns, id, user, userFetched, cls);
    deliverTicket(s, ticket, password ? std::string(user.value(schema::kSignonName)) : "");
    return id;
}

int32_t changePassword(AS_Handle handle, const char* namespaceName, const char* signon,
                       const char* oldPassword, const char* newPassword) {
    return withHandle(handle, [&](Session& s) {
        std::string ns = s.inText(namespaceName, "namespace");
        std::string name = s.inText(signon, "basic signon name");
        std::string oldPw = s.inText(oldPassword, "old password");
        WipeOnExit wipeOld(oldPw);
        std::string newPw = s.inText(newPassword, "new password");
        WipeOnExit wipeNew(newPw);
        if (name.empty())
            fail(AS_ERR_USER_NOT_FOUND);
        if (newPw.empty())
            fail(AS_ERR_PASSWORD_TOO_SHORT);
        auto user = userBySignon(s, ns, name);
        if (!user)
            fail(AS_ERR_USER_NOT_FOUND, name);
        // The change is the user's own: a bind as the user (a grace sign-on when the password
        // has expired), then Password Modify with the old password.
        auto lease = s.checkoutForBinds();
        LdapConnection* conn = &s.open(lease);
        BindOutcome bound = conn->bind(user->dn, oldPw);
        int32_t status = bindStatus(bound);
        if (status == AS_ERR_PASSWORD_EXPIRED)
            failBecause(status, "no-grace", name);
        if (status != AS_OK && status != AS_ERR_MUST_CHANGE_PASSWORD)
            fail(status, bound.diagnostic);
        requireUsable(*user, false);
        BindOutcome changed = conn->passwordModify(user->dn, oldPw, newPw);
        status = changeStatus(changed);
        if (status != AS_OK) {
            std::string detail = ldap_err2string(changed.ldapResult);
            if (!changed.diagnostic.empty())
                detail += ": " + changed.diagnostic;
            fail(status, detail);
        }
        rememberOnline(s, s.namespaceDnFor(ns), *user, newPw, true);
        return AS_OK;
    });
}

}  // namespace

}  // namespace ridge::access

using namespace ridge::access;

extern "C" AS_API int32_t AS_AuthenticateUser2(AS_Handle handle, const char* namespaceName,
                                               const char* basicSignonName, const char* password,
                                               const char* userClass, AS_ObjectId* userId,
                                               char* ticket) {
    return withHandle(handle, [&](Session& s) {
        if (!userId)
            fail(AS_ERR_INVALID_ARGUMENT, "userId");
        *userId = 0;
        std::string ns = s.inText(namespaceName, "namespace");
        std::string name = s.inText(basicSignonName, "basic signon name");
        std::string pw = s.inText(password, "password");
        WipeOnExit wipePassword(pw);
        s.signOut();
        if (name.empty() || pw.empty())
            fail(AS_ERR_BAD_CREDENTIALS);
        const auto userFetched = ReadCache::Clock::now();
        std::optional<LdapEntry> user;
        BindOutcome bound;
        try {
            user = userBySignon(s, ns, name);
            if (user)
                bound = s.bindUser(user->dn, pw);
        } catch (const AccessError& e) {
            // Only a directory that answers nowhere lets the cache decide; any answer from a
            // live server (a wrong password, a lock-out) stands.
            auto cache = offlineCacheOrNull();
            if (!cache || !isOutage(s, e))
                throw;
            *userId = signOnOfflineByPassword(s, *cache, ns, name, pw, userClass, ticket, e);
            return AS_OK;
        }
        const std::string nsDn = s.namespaceDnFor(ns);
        if (!user) {
            forgetOffline(nsDn, name);
            fail(AS_ERR_BAD_CREDENTIALS);
        }
        s.setPasswordPolicy(bound);
        int32_t status = bindStatus(bound);
        if (status == AS_ERR_ACCOUNT_LOCKED)
            forgetOffline(nsDn, name);
        if (status != AS_OK)
            fail(status, bound.diagnostic);
        // In only by one of the policy's grace sign-ons: the password has expired and must be
        // changed (the change binds with another grace sign-on).
        if (bound.graceLeft >= 0)
            fail(AS_ERR_PASSWORD_EXPIRED);
        try {
            requireUsable(*user, false);
        } catch (const AccessError&) {
            forgetOffline(nsDn, name);
            throw;
        }
        *userId = admit(s, *user, userFetched, ns, nsDn, userClass, &pw, ticket);
        rememberOnline(s, nsDn, *user, pw, false);
        return AS_OK;
    });
}

extern "C" AS_API int32_t AS_AuthenticateWebUserWithEnv(const AS_EnvVar* environment,
                                                        char** resultText, AS_Handle handle,
                                                        const char* namespaceName,
                                                        const char* userClass, AS_ObjectId* userId,
                                                        char* ticket) {
    if (resultText)
        *resultText = nullptr;
    return withHandle(handle, [&](Session& s) {
        if (!userId || !resultText)
            fail(AS_ERR_INVALID_ARGUMENT, "userId, resultText");
        *userId = 0;
        std::string ns = s.inText(namespaceName, "namespace");
        const char* remoteUser = nullptr;
        for (const AS_EnvVar* v = environment; v && v->name; ++v)
            if (std::strcmp(v->name, "REMOTE_USER") == 0 && v->value)
                remoteUser = v->value;
        if (!remoteUser || !*remoteUser) {
            *resultText = allocResultText("REMOTE_USER");
            return AS_MORE_ENV_NEEDED;
        }
        std::string osName = s.inText(remoteUser, "REMOTE_USER");
        s.signOut();
        LdapEntry nsEntry;
        const auto userFetched = ReadCache::Clock::now();
        auto user = userByOsSignon(s, ns, osName, &nsEntry);
        if (!osSignOnAllowed(nsEntry))
            fail(AS_ERR_AUTH_MODE_NOT_ALLOWED, "os");
        const std::string nsDn = s.namespaceDnFor(ns);
        if (!user)
            fail(AS_ERR_BAD_CREDENTIALS);
        requireUsable(*user, true);
        *userId = admit(s, *user, userFetched, ns, nsDn, userClass, nullptr, ticket);
        return AS_OK;
    });
}

extern "C" AS_API int32_t AS_ChangeExpiredBasicSignonPassword(AS_Handle handle,
                                                              const char* namespaceName,
                                                              const char* basicSignonName,
                                                              const char* oldPassword,
                                                              const char* newPassword) {
    return changePassword(handle, namespaceName, basicSignonName, oldPassword, newPassword);
}

extern "C" AS_API int32_t AS_ForceChangeBasicSignonPassword(AS_Handle handle,
                                                            const char* namespaceName,
                                                            const char* basicSignonName,
                                                            const char* oldPassword,
                                                            const char* newPassword) {
    return changePassword(handle, namespaceName, basicSignonName, oldPassword, newPassword);
}

extern "C" AS_API int32_t ASA_GetSessionPasswordPolicy(AS_Handle handle, int32_t* graceLoginsLeft,
                                                       int32_t* secondsToExpiry) {
    return withHandle(
        handle,
        [&](Session& s) {
            if (!graceLoginsLeft || !secondsToExpiry)
                fail(AS_ERR_INVALID_ARGUMENT, "graceLoginsLeft, secondsToExpiry");
            *graceLoginsLeft = s.graceLoginsLeft();
            *secondsToExpiry = s.passwordExpiresIn();
            return AS_OK;
        },
        OnSuccess::KeepLastError);
}
