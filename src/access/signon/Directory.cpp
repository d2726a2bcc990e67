#include "Directory.h"

#include <openssl/evp.h>
#include <openssl/rand.h>
#include <strings.h>

#include <algorithm>

#include "Clock.h"
#include "Process.h"
#include "Status.h"
#include "TextFile.h"

namespace ridge::access {

const std::vector<std::string>& userAttributes() {
    static const std::vector<std::string> attributes = [] {
        std::vector<std::string> all = {schema::kAccountDisabled, schema::kLockedTime};
        for (const auto& name : recordAttributes(AS_OBJ_USER))
            if (std::find(all.begin(), all.end(), name) == all.end())
                all.push_back(name);
        return all;
    }();
    return attributes;
}

namespace {

std::optional<LdapEntry> single(std::vector<LdapEntry> entries, const std::string& what) {
    if (entries.size() > 1)
        fail(AS_ERR_AMBIGUOUS, what);
    if (entries.empty())
        return std::nullopt;
    return std::move(entries.front());
}

// Users whose attribute matches: the searches of the sign-on calls.
Filter userWith(const Filter& match) {
    return Filter::all({objectTypeFilter(AS_OBJ_USER), match});
}

// Class classId, and with member the user class only when that user is a member of it.
Filter userClassWith(AS_ObjectId classId, const std::optional<std::string>& member = {}) {
    std::vector<Filter> parts = {objectTypeFilter(AS_OBJ_USER_CLASS),
                                 Filter::equal(schema::kId, classId)};
    if (member)
        parts.push_back(Filter::equal(schema::kMember, *member));
    return Filter::all(parts);
}

}  // namespace

namespace {

struct NamespaceAndUsers {
    LdapEntry ns;
    std::vector<LdapEntry> users;
};

// The namespace entry and the users below it that match userFilter, in one search. When the
// handle has already seen the namespace and its entry is not wanted, only the users are
// searched for (a simpler search for the server).
NamespaceAndUsers namespaceAndUsers(Session& s, const std::string& nsUtf8, const Filter& userFilter,
                                    int sizeLimit, bool wantNamespaceEntry) {
    const std::string nsDn = s.namespaceDnFor(nsUtf8);
    if (!wantNamespaceEntry && s.namespaceWasChecked(nsDn))
        return {{}, s.service().search(nsDn, Scope::Sub, userFilter, userAttributes(), sizeLimit)};
    const auto nsKey = normalizeDn(nsDn);
    // Below the namespace entry only the entry itself is a namespace (namespaces are children of
    // the base DN); both halves of the filter are indexed.
    const Filter filter =
        Filter::any({Filter::equal(schema::kObjectClass, schema::kNamespaceClass), userFilter});
    std::vector<std::string> attributes = userAttributes();
    attributes.insert(attributes.end(), {schema::kObjectClass, schema::kAuthModes});
    NamespaceAndUsers found;
    bool haveNamespace = false;
    // One more entry than users asked for: the namespace entry itself.
    for (auto& e : s.service().search(nsDn, Scope::Sub, filter, attributes, sizeLimit + 1)) {
        bool isNamespace = false;
        for (const auto& oc : e.values(schema::kObjectClass))
            isNamespace = isNamespace || sameAsciiText(oc, schema::kNamespaceClass);
        if (isNamespace && normalizeDn(e.dn) == nsKey) {
            found.ns = std::move(e);
            haveNamespace = true;
        } else {
            found.users.push_back(std::move(e));
        }
    }
    if (!haveNamespace)
        fail(AS_ERR_NAMESPACE_NOT_FOUND, nsUtf8);
    s.namespaceChecked(nsDn);
    return found;
}

}  // namespace

std::optional<LdapEntry> userBySignon(Session& s, const std::string& nsUtf8,
                                      const std::string& signonUtf8) {
    return single(namespaceAndUsers(
                      s, nsUtf8, userWith(Filter::equal(schema::kSignonName, signonUtf8)), 2, false)
                      .users,
                  "basic signon " + signonUtf8);
}

std::optional<LdapEntry> userByOsSignon(Session& s, const std::string& nsUtf8,
                                        const std::string& osNameUtf8, LdapEntry* nsEntry) {
    // Values are "<id>:<name>": narrow by the final substring, then compare the name exactly.
    const Filter filter = userWith(Filter::substrings(schema::kOSSignon, {"", ":" + osNameUtf8}));
    auto found = namespaceAndUsers(s, nsUtf8, filter, 50, true);
    std::vector<LdapEntry> matches;
    for (auto& e : found.users) {
        for (const auto& v : e.values(schema::kOSSignon)) {
            size_t colon = v.find(':');
            if (colon != std::string_view::npos && sameAsciiText(v.substr(colon + 1), osNameUtf8)) {
                matches.push_back(e);
                break;
            }
        }
    }
    if (nsEntry)
        *nsEntry = std::move(found.ns);
    return single(std::move(matches), "OS signon " + osNameUtf8);
}

std::optional<LdapEntry> userByIdIn(Session& s, const std::string& nsUtf8, AS_ObjectId id) {
    if (id == 0)
        return std::nullopt;
    return single(
        namespaceAndUsers(s, nsUtf8, userWith(Filter::equal(schema::kId, id)), 2, false).users,
        "user id " + std::to_string(id));
}

std::optional<LdapEntry> userById(Session& s, const std::string& nsDn, AS_ObjectId id) {
    if (id == 0)
        return std::nullopt;
    return single(s.service().search(nsDn, Scope::Sub, userWith(Filter::equal(schema::kId, id)),
                                     userAttributes(), 2),
                  "user id " + std::to_string(id));
}

void requireUsable(const LdapEntry& user, bool checkLock) {
    if (sameAsciiText(user.value(schema::kAccountDisabled), "TRUE"))
        fail(AS_ERR_ACCOUNT_DISABLED);
    if (checkLock && user.has(schema::kLockedTime))
        fail(AS_ERR_ACCOUNT_LOCKED);
}

Filter userClassNamedFilter(const std::string& classNameUtf8) {
    return Filter::all(
        {objectTypeFilter(AS_OBJ_USER_CLASS), Filter::equal(schema::kCommonName, classNameUtf8)});
}

AS_ObjectId userClassByName(Session& s, const std::string& nsDn, const std::string& classNameUtf8,
                            const std::string& userDn) {
    // Resolved in the whole namespace first, as ASA_FindUserClassInfoByName resolves it: a name
    // two classes share names neither, even for a user who belongs to only one of them.
    auto named =
        s.service().search(nsDn, Scope::Sub, userClassNamedFilter(classNameUtf8), {schema::kId}, 2);
    if (named.empty())
        fail(AS_ERR_USER_CLASS_NOT_ALLOWED, classNameUtf8);
    if (named.size() > 1)
        fail(AS_ERR_AMBIGUOUS, "user class " + classNameUtf8);
    AS_ObjectId id = Session::idOf(named.front());
    const Filter member = Filter::equal(schema::kMember, userDn);
    if (id == 0 || s.service().search(named.front().dn, Scope::Base, member, {}, 1).empty())
        fail(AS_ERR_USER_CLASS_NOT_ALLOWED, classNameUtf8);
    return id;
}

void requireMembership(Session& s, const std::string& nsDn, AS_ObjectId classId,
                       const std::string& userDn) {
    if (classId == 0 ||
        s.service()
                .search(nsDn, Scope::Sub, userClassWith(classId, userDn), {schema::kId}, 2)
                .size() != 1)
        fail(AS_ERR_USER_CLASS_NOT_ALLOWED, "user class " + std::to_string(classId));
}

std::string userClassName(Session& s, const std::string& nsDn, AS_ObjectId classId) {
    auto e = single(
        s.service().search(nsDn, Scope::Sub, userClassWith(classId), {schema::kCommonName}, 2),
        "user class " + std::to_string(classId));
    if (!e)
        fail(AS_ERR_OBJECT_NOT_FOUND, "user class " + std::to_string(classId));
    return std::string(e->value(schema::kCommonName));
}

bool osSignOnAllowed(const LdapEntry& nsEntry) {
    // A comma-separated list: "os" must be one of its items, not part of another word.
    for (std::string_view item : splitTrimmed(nsEntry.value(schema::kAuthModes), ','))
        if (sameAsciiText(item, "os"))
            return true;
    return false;
}

std::string toGeneralizedTime(std::time_t t) {
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%d%H%M%SZ", &tm);
    return buf;
}

namespace {

std::string lowerHex(const unsigned char* bytes, std::size_t count) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex(2 * count, '\0');
    for (std::size_t i = 0; i < count; ++i) {
        hex[2 * i] = kHex[bytes[i] >> 4];
        hex[2 * i + 1] = kHex[bytes[i] & 0xF];
    }
    return hex;
}

}  // namespace

std::optional<std::time_t> fromGeneralizedTime(std::string_view text) {
    // YYYYMMDDHHMMSSZ, the one form this library writes; read by hand (every ticket check reads
    // one, and sscanf cost more than the rest of the check).
    if (text.size() != 15 || text[14] != 'Z')
        return std::nullopt;
    int fields[6];
    const int widths[6] = {4, 2, 2, 2, 2, 2};
    std::size_t at = 0;
    for (int f = 0; f < 6; ++f) {
        int value = 0;
        for (int k = 0; k < widths[f]; ++k, ++at) {
            if (text[at] < '0' || text[at] > '9')
                return std::nullopt;
            value = value * 10 + (text[at] - '0');
        }
        fields[f] = value;
    }
    std::tm tm{};
    tm.tm_year = fields[0] - 1900;
    tm.tm_mon = fields[1] - 1;
    tm.tm_mday = fields[2];
    tm.tm_hour = fields[3];
    tm.tm_min = fields[4];
    tm.tm_sec = fields[5];
    return timegm(&tm);
}

std::string ticketDigest(const std::string& ticket) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    // Fetched once: looking the algorithm up again on each call cost as much as the digest.
    static EVP_MD* const sha256 = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    if (sha256 == nullptr ||
        EVP_Digest(ticket.data(), ticket.size(), digest, &length, sha256, nullptr) != 1)
        fail(AS_ERR_INTERNAL, "SHA-256 failed");
    return lowerHex(digest, length);
}

std::string ticketDn(const std::string& nsDn, const std::string& ticket) {
    return childDn(schema::kTicketId, ticketDigest(ticket),
                   childDn(schema::kUnitName, schema::kTicketContainer, nsDn));
}

namespace {

// Deletes a bounded number of tickets that expired more than the configured time ago (until
// then they are reported as expired, not unknown), so the container does not grow with
// abandoned tickets.
void purgeExpiredTickets(Session& s, const std::string& container, std::time_t now,
                         long keepExpired) {
    try {
        const Filter filter = Filter::all(
            {Filter::equal(schema::kObjectClass, schema::kTicketClass),
             Filter::atMost(schema::kTicketExpiry, toGeneralizedTime(now - keepExpired))});
        for (const auto& e : s.service().search(container, Scope::One, filter, {}, 100))
            s.service().remove(e.dn);
    } catch (const AccessError& e) {
        // Best effort: the next purge tries again; a lost server is the caller's to see.
        if (e.code() == AS_ERR_SERVER_UNREACHABLE)
            throw;
    }
}

}  // namespace

std::string issueTicket(Session& s) {
    s.requireAuthenticated();
    unsigned char raw[16];
    if (RAND_bytes(raw, sizeof raw) != 1)
        fail(AS_ERR_INTERNAL, "no random bytes");
    const std::string ticket = lowerHex(raw, sizeof raw);
    const AccessSettings settings = Process::instance().settings();
    std::time_t now = wallClockNow();
    const std::string nsDn = s.namespaceDn();
    if (Process::instance().ticketPurgeDue(now))
        purgeExpiredTickets(s, childDn(schema::kUnitName, schema::kTicketContainer, nsDn), now,
                            settings.ticketKeepExpired);
    std::vector<std::pair<std::string, std::vector<std::string>>> attrs = {
        {schema::kObjectClass, {schema::kTicketClass}},
        {schema::kTicketId, {ticketDigest(ticket)}},
        {schema::kTicketOwner, {std::to_string(s.userId())}},
        {schema::kTicketIssued, {toGeneralizedTime(now)}},
        {schema::kTicketExpiry, {toGeneralizedTime(now + settings.ticketLifetime)}},
    };
    if (s.userClassId())
        attrs.push_back({schema::kTicketUserClass, {std::to_string(*s.userClassId())}});
    const auto written = ReadCache::Clock::now();
    s.service().add(ticketDn(nsDn, ticket), attrs);
    s.rememberTicket({ticket, ticketDn(nsDn, ticket), s.userId(), s.userClassId().value_or(0), now,
                      now + settings.ticketLifetime},
                     written);
    return ticket;
}

}  // namespace ridge::access
