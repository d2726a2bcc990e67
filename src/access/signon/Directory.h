// Directory look-ups shared by the sign-on, ticket and certificate calls. All run on the
// session's service connection and take the namespace entry's DN.
#pragma once

#include <AccessAPI.h>

#include <ctime>
#include <optional>
#include <string>

#include "Ldap.h"
#include "Session.h"

namespace ridge::access {

// Attributes read for a user by these helpers: what a sign-on checks and the user's record.
const std::vector<std::string>& userAttributes();

// The sign-on look-ups below find the namespace entry and the user in one search: -15 when the
// namespace (name in UTF-8) does not exist. *nsEntry (when given) receives the namespace entry
// with its sign-on modes.
// The user whose basic signon (uid) is signon; nullopt when none; -21 when several.
std::optional<LdapEntry> userBySignon(Session& s, const std::string& nsUtf8,
                                      const std::string& signonUtf8);
// The user whose OS signon name is osName (compared without regard to case).
std::optional<LdapEntry> userByOsSignon(Session& s, const std::string& nsUtf8,
                                        const std::string& osNameUtf8, LdapEntry* nsEntry);
std::optional<LdapEntry> userById(Session& s, const std::string& nsDn, AS_ObjectId id);
// The same by namespace name, checking the namespace in the same search when the handle has not
// seen it yet (-15 when it does not exist).
std::optional<LdapEntry> userByIdIn(Session& s, const std::string& nsUtf8, AS_ObjectId id);
// -131 when the user is disabled; with checkLock, -130 when the password policy has locked it
// (sign-ons without a bind, which would otherwise report the lock itself).
void requireUsable(const LdapEntry& user, bool checkLock);

// Filter of the user classes named classNameUtf8 (cn, compared as the directory compares names).
// A name names a class only when exactly one user class of the namespace bears it: the sign-on
// calls and ASA_FindUserClassInfoByName apply this one rule.
Filter userClassNamedFilter(const std::string& classNameUtf8);
// The id of the user class named className: -21 when several classes bear the name, -38 when
// none does or userDn is not a member of it.
AS_ObjectId userClassByName(Session& s, const std::string& nsDn, const std::string& classNameUtf8,
                            const std::string& userDn);
// -38 unless class classId exists and has userDn as member.
void requireMembership(Session& s, const std::string& nsDn, AS_ObjectId classId,
                       const std::string& userDn);
// The cn of the class (UTF-8); -68 when it does not exist.
std::string userClassName(Session& s, const std::string& nsDn, AS_ObjectId classId);

// Namespace property 7 of the namespace entry (as userByOsSignon returns it) contains "os".
bool osSignOnAllowed(const LdapEntry& nsEntry);

// Generalized time "YYYYMMDDHHMMSSZ" <-> seconds since the epoch (nullopt when malformed).
std::string toGeneralizedTime(std::time_t t);
std::optional<std::time_t> fromGeneralizedTime(std::string_view text);

// A ticket entry is named by the SHA-256 of its ticket (64 lowercase hex digits), never the
// ticket itself: a copy of the directory signs nobody on. ticket is the canonical 32-digit text.
std::string ticketDigest(const std::string& ticket);
// DN of the entry of ticket in the ticket container of the namespace entry nsDn.
std::string ticketDn(const std::string& nsDn, const std::string& ticket);

// Creates a ticket for the session's signed-on user in its namespace (one LDAP add); returns its
// text. Tickets that expired long ago are purged first when the process's purge is due.
std::string issueTicket(Session& s);
// True when ticket (32 lowercase hex digits) is live and belongs to the session's user and
// class.
bool ticketStillValidFor(Session& s, const std::string& ticket);

}  // namespace ridge::access
