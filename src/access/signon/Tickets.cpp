// Tickets: entries below ou=tickets of the namespace, so every process using the same
// directory accepts them.
#include <AccessAPI.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "Api.h"
#include "Clock.h"
#include "Directory.h"
#include "OfflineSignOn.h"
#include "Process.h"

namespace ridge::access {

namespace {

using TicketRecord = Session::KnownTicket;

// Ticket text -> canonical id; anything but 32 hex digits is an unknown ticket.
std::string ticketId(const char* text) {
    if (!text)
        fail(AS_ERR_INVALID_ARGUMENT, "ticket");
    std::string id(text);
    if (id.size() != 32 || !std::all_of(id.begin(), id.end(), ::isxdigit))
        fail(AS_ERR_UNKNOWN_TICKET);
    std::transform(id.begin(), id.end(), id.begin(), ::tolower);
    return id;
}

AS_ObjectId number(std::string_view text) {
    return Session::idFromText(text);
}

// The live ticket record; -41 when absent or damaged, -145 when expired.
TicketRecord readTicket(Session& s, const std::string& nsDn, const std::string& id) {
    std::string dn = ticketDn(nsDn, id);
    auto e = s.service().read(dn, {schema::kTicketOwner, schema::kTicketUserClass,
                                   schema::kTicketIssued, schema::kTicketExpiry});
    if (!e)
        fail(AS_ERR_UNKNOWN_TICKET);
    TicketRecord t;
    t.id = id;
    t.dn = dn;
    t.owner = number(e->value(schema::kTicketOwner));
    if (e->has(schema::kTicketUserClass))
        t.userClass = number(e->value(schema::kTicketUserClass));
    auto issued = fromGeneralizedTime(e->value(schema::kTicketIssued));
    auto expiry = fromGeneralizedTime(e->value(schema::kTicketExpiry));
    if (t.owner == 0 || !issued || !expiry)
        fail(AS_ERR_UNKNOWN_TICKET);
    t.issued = *issued;
    t.expiry = *expiry;
    if (wallClockNow() >= t.expiry)
        fail(AS_ERR_TICKET_EXPIRED);
    return t;
}

// As readTicket, answered from what the handle wrote or read a moment ago when it can be.
TicketRecord recentOrReadTicket(Session& s, const std::string& id) {
    const auto now = ReadCache::Clock::now();
    auto known = s.recentTicket(id, now);
    if (!known) {
        known = readTicket(s, s.namespaceDn(), id);
        s.rememberTicket(*known, now);
    } else if (wallClockNow() >= known->expiry) {
        fail(AS_ERR_TICKET_EXPIRED);
    }
    return *known;
}

// Markup and non-ASCII characters as character references, so the text is plain ASCII.
std::string xmlAttribute(std::string_view utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        uint32_t cp = c;
        size_t len = 1;
        if (c >= 0xF0 && i + 3 < utf8.size()) {
            cp = ((c & 0x07u) << 18) | ((utf8[i + 1] & 0x3Fu) << 12) |
                 ((utf8[i + 2] & 0x3Fu) << 6) | (utf8[i + 3] & 0x3Fu);
            len = 4;
        } else if (c >= 0xE0 && i + 2 < utf8.size()) {
            cp = ((c & 0x0Fu) << 12) | ((utf8[i + 1] & 0x3Fu) << 6) | (utf8[i + 2] & 0x3Fu);
            len = 3;
        } else if (c >= 0xC0 && i + 1 < utf8.size()) {
            cp = ((c & 0x1Fu) << 6) | (utf8[i + 1] & 0x3Fu);
            len = 2;
        }
        i += len;
        if (cp == '&' || cp == '<' || cp == '>' || cp == '"' || cp == '\'' || cp >= 0x80 ||
            cp < 0x20) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "&#x%X;", cp);
            out += buf;
        } else {
            out += static_cast<char>(cp);
        }
    }
    return out;
}

// The text AS_ValidateTicket2 hands back.
std::string ticketResult(const std::string& id, AS_ObjectId owner, const LdapEntry& user,
                         const std::string& className, AS_ObjectId classId) {
    return "<result><ticket id=\"" + id + "\"/><user id=\"" + std::to_string(owner) + "\" name=\"" +
           xmlAttribute(user.value(schema::kCommonName)) + "\"/><uc id=\"" +
           std::to_string(classId) + "\" name=\"" + xmlAttribute(className) + "\"/></result>";
}

}  // namespace

bool ticketStillValidFor(Session& s, const std::string& ticket) {
    try {
        TicketRecord t = readTicket(s, s.namespaceDn(), ticketId(ticket.c_str()));
        return t.owner == s.userId() && t.userClass == s.userClassId().value_or(0);
    } catch (const AccessError&) {
        return false;
    }
}

}  // namespace ridge::access

using namespace ridge::access;

extern "C" AS_API int32_t ASA_CreateTicket(AS_Handle handle, char* ticket) {
    return withHandle(handle, [&](Session& s) {
        if (!ticket)
            fail(AS_ERR_INVALID_ARGUMENT, "ticket");
        s.requireAuthenticated();
        std::string id = issueTicket(s);
        std::snprintf(ticket, AS_TICKET_SIZE, "%s", id.c_str());
        return AS_OK;
    });
}

extern "C" AS_API int32_t AS_RefreshTicket(AS_Handle handle, const char* ticket) {
    return withHandle(handle, [&](Session& s) {
        std::string id = ticketId(ticket);
        s.requireAuthenticated();
        if (s.offline()) {
            // The directory that would move its expiry is away: a live ticket of the user, as
            // the offline cache knows it, stands as it is.
            auto cache = offlineCacheOrNull();
            auto known =
                cache ? cache->ticketOffline(id, s.namespaceDn(), wallClockNow()) : std::nullopt;
            if (!known || Session::idOf(known->user.user) != s.userId())
                s.failOffline();
            return AS_OK;
        }
        TicketRecord t = recentOrReadTicket(s, id);
        if (t.owner != s.userId())
            fail(AS_ERR_TICKET_NOT_REFRESHABLE, "ticket of another user");
        const AccessSettings settings = Process::instance().settings();
        std::time_t now = wallClockNow();
        std::time_t limit = t.issued + settings.ticketMaxLifetime;
        if (now >= limit)
            fail(AS_ERR_TICKET_NOT_REFRESHABLE, "maximum lifetime reached");
        std::time_t expiry = std::min(now + settings.ticketLifetime, limit);
        // A host refreshes on every search, and a write each time cost the server more than
        // the search: the expiry moves once it would gain a minute per hour of lifetime.
        if (expiry - t.expiry > settings.ticketLifetime / 60 || expiry < t.expiry) {
            const auto written = ReadCache::Clock::now();
            s.service().replace(t.dn, schema::kTicketExpiry, {toGeneralizedTime(expiry)});
            t.expiry = expiry;
            s.rememberTicket(t, written);
        }
        return AS_OK;
    });
}

extern "C" AS_API int32_t AS_ExpireTicket(AS_Handle handle, const char* ticket) {
    return withHandle(handle, [&](Session& s) {
        std::string id = ticketId(ticket);
        s.requireAuthenticated();
        s.forgetTicket();
        std::string nsDn = s.namespaceDn();
        std::string dn = ticketDn(nsDn, id);
        auto e = s.service().read(dn, {schema::kTicketOwner});
        if (!e)
            fail(AS_ERR_UNKNOWN_TICKET);
        if (number(e->value(schema::kTicketOwner)) != s.userId())
            fail(AS_ERR_TICKET_NOT_REFRESHABLE, "ticket of another user");
        if (!s.service().remove(dn))
            fail(AS_ERR_UNKNOWN_TICKET);
        return AS_OK;
    });
}

extern "C" AS_API int32_t AS_ValidateTicket2(AS_Handle handle, const char* ticket,
                                             const char* namespaceName, char** resultText) {
    if (resultText)
        *resultText = nullptr;
    return withHandle(handle, [&](Session& s) {
        if (!resultText)
            fail(AS_ERR_INVALID_ARGUMENT, "resultText");
        std::string ns = s.inText(namespaceName, "namespace");
        std::string id = ticketId(ticket);
        // The ticket is read first: a ticket entry below the namespace's DN answers for the
        // namespace's existence, and the namespace is checked in the same search as the
        // ticket's owner. Only a ticket not found sends a search for the namespace, so that a
        // namespace that does not exist is still reported as such.
        const std::string nsDn = s.namespaceDnFor(ns);
        std::optional<TicketRecord> found;
        const auto readAt = ReadCache::Clock::now();
        try {
            found = readTicket(s, nsDn, id);
        } catch (const AccessError& e) {
            if (e.code() == AS_ERR_UNKNOWN_TICKET)
                s.requireNamespace(ns);
            auto cache = offlineCacheOrNull();
            if (!cache || !isOutage(s, e))
                throw;
            s.signOut();
            const OfflineUser& user = signOnOfflineByTicket(s, *cache, ns, id, e);
            std::string className = "All User Classes";
            if (auto cls = s.userClassId()) {
                const LdapEntry* entry = user.byId(AS_OBJ_USER_CLASS, *cls);
                className = entry ? std::string(entry->value(schema::kCommonName)) : "";
            }
            *resultText = allocResultText(
                ticketResult(id, s.userId(), user.user, className, s.userClassId().value_or(0)));
            return AS_OK;
        }
        const TicketRecord& t = *found;
        const auto userFetched = ReadCache::Clock::now();
        auto user = userByIdIn(s, ns, t.owner);
        if (!user)
            fail(AS_ERR_USER_NOT_FOUND, "owner of the ticket");
        requireUsable(*user, true);
        std::string className = "All User Classes";
        if (t.userClass != 0)
            className = userClassName(s, nsDn, t.userClass);
        std::string text = ticketResult(id, t.owner, *user, className, t.userClass);
        std::optional<AS_ObjectId> cls;
        if (t.userClass != 0)
            cls = t.userClass;
        s.signIn(nullptr, ns, t.owner, *user, userFetched, cls);
        s.rememberTicket(t, readAt);
        *resultText = allocResultText(text);
        return AS_OK;
    });
}
