// Sign-on while every directory server is unreachable, from the home's offline cache
// (OfflineCache.h), and the bookkeeping online sign-ons do for it.
#pragma once

#include <AccessAPI.h>

#include <functional>
#include <optional>
#include <string>

#include "Ldap.h"
#include "OfflineCache.h"
#include "Session.h"
#include "Status.h"

namespace ridge::access {

// The home's cache (null when offline sign-on is off).
std::shared_ptr<OfflineCache> offlineCacheOrNull();
// Runs what an online call does for the cache (null when it is off). The cache serves a later
// outage: a cache that cannot be written (a full disk, a folder the process may not write) is
// reported and never fails the call that the directory answered.
void forOfflineCache(const std::function<void(OfflineCache&)>& work);

// True when e says that no server of the handle answers: a connection opened afresh for this
// call failed on every server. A kept connection that broke is not an outage: the call is run
// again on a fresh one first.
bool isOutage(const Session& s, const AccessError& e);

// Signs the user on by password from the cache; the outage error itself when the user has no
// entry. Returns the user's id.
AS_ObjectId signOnOfflineByPassword(Session& s, OfflineCache& cache, const std::string& nsUtf8,
                                    const std::string& signonUtf8, const std::string& password,
                                    const char* userClass, char* ticket, const AccessError& outage);

// The user of a ticket issued through a process of this home, signed on from the cache; the
// outage error itself when the ticket is not known offline.
const OfflineUser& signOnOfflineByTicket(Session& s, OfflineCache& cache, const std::string& nsUtf8,
                                         const std::string& ticketId, const AccessError& outage);

// After an online password sign-on (or a password change) the directory accepted: the user's
// entry is refreshed in the background when due.
void rememberOnline(Session& s, const std::string& nsDn, const LdapEntry& user,
                    const std::string& password, bool passwordChanged);
// After the directory said the user is gone, locked or disabled: its entry goes.
void forgetOffline(const std::string& nsDn, const std::string& signonUtf8);

}  // namespace ridge::access
