#include "ReadSupport.h"

#include <algorithm>

#include <memory>
#include <optional>

#include "Encoding.h"
#include "Status.h"

namespace ridge::access::reads {

int32_t withSignedOn(AS_Handle h, FunctionRef<void(Session&)> body) {
    return withHandle(h, [&](Session& s) {
        s.requireAuthenticated();
        body(s);
        return AS_OK;
    });
}

namespace {

// Asked in pages, a listing below one entry makes the server walk every entry of the tree that
// the filter admits, not just the children, so a small folder in a large directory costs as much
// as the directory. One plain request answers all but the largest listings; those (cut short by
// a size limit) are asked again in pages.
constexpr int kUnpagedLimit = 1000;

}  // namespace

std::vector<LdapEntry> searchAll(LdapConnection& conn, const std::string& base, Scope scope,
                                 const Filter& filter, const std::vector<std::string>& attributes) {
    if (scope == Scope::Sub)
        return conn.searchPaged(base, scope, filter, attributes);
    return childEntries(conn, base, filter, attributes).value_or(std::vector<LdapEntry>{});
}

std::optional<std::vector<LdapEntry>> childEntries(LdapConnection& conn, const std::string& base,
                                                   const Filter& filter,
                                                   const std::vector<std::string>& attributes,
                                                   const Filter* baseAssertion) {
    auto answer = conn.awaitWhole(
        conn.send(base, Scope::One, filter, attributes, kUnpagedLimit, baseAssertion));
    using Outcome = LdapConnection::WholeAnswer::Outcome;
    if (answer.outcome == Outcome::NoBase)
        return std::nullopt;
    if (answer.outcome == Outcome::Complete)
        return std::move(answer.entries);
    // The base matched (the assertion is checked before any entry is sent); the pages need not
    // check it again.
    return conn.searchPaged(base, Scope::One, filter, attributes);
}

std::vector<AS_ObjectId> listedIds(Session& s, const std::string& key, int32_t objectType,
                                   const std::function<std::vector<LdapEntry>()>& fetch) {
    const auto fetched = ReadCache::Clock::now();
    if (auto hit = s.cache().list(key, fetched))
        return *hit;
    auto entries = fetch();
    auto ids = sortedIds(entries);
    s.remember(objectType, std::move(entries), fetched);
    s.cache().putList(key, ids, fetched);
    return ids;
}

std::vector<AS_ObjectId> sortedIds(const std::vector<LdapEntry>& entries) {
    std::vector<AS_ObjectId> ids;
    ids.reserve(entries.size());
    for (const auto& e : entries)
        if (AS_ObjectId id = Session::idOf(e))
            ids.push_back(id);
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

std::vector<AS_ObjectId> childIds(Session& s, const std::string& dn, int32_t objectType) {
    auto key = normalizeDn(dn);
    return listedIds(s, "children " + std::to_string(objectType) + " " + key.value_or(dn),
                     objectType, [&] {
                         return searchAll(s.ldap(), dn, Scope::One, objectTypeFilter(objectType),
                                          recordAttributes(objectType));
                     });
}

std::vector<AS_ObjectId> folderChildIds(Session& s, AS_ObjectId folderId, int32_t objectType) {
    // Kept under the folder's id as well as its DN: a listing made at a DN is the listing of the
    // folder that had the id there.
    const auto key = [&](const std::string& dn, int32_t type) {
        return "folder children " + std::to_string(type) + " " + std::to_string(folderId) + " " +
               ReadCache::dnKey(dn);
    };
    std::vector<std::string> attributes = recordAttributes(AS_OBJ_USER);
    for (const auto& a : recordAttributes(AS_OBJ_USER_FOLDER))
        if (std::find(attributes.begin(), attributes.end(), a) == attributes.end())
            attributes.push_back(a);
    attributes.push_back(schema::kObjectClass);
    const Filter children =
        Filter::any({objectTypeFilter(AS_OBJ_USER_FOLDER), objectTypeFilter(AS_OBJ_USER)});
    // The listing is made only if the entry at the DN is still this folder.
    const Filter itself =
        Filter::all({objectTypeFilter(AS_OBJ_USER_FOLDER), Filter::equal(schema::kId, folderId)});

    const auto fetched = ReadCache::Clock::now();
    std::string dn;
    std::optional<std::vector<LdapEntry>> found;
    // Where the handle last saw the folder, however long ago: most folders stay where they are,
    // and the listing there then needs no look-up first (one request instead of two).
    if (auto known = s.cache().lastKnownById(AS_OBJ_USER_FOLDER, folderId)) {
        dn = known->dn;
        if (auto hit = s.cache().list(key(dn, objectType), fetched))
            return *hit;
        found = childEntries(s.ldap(), dn, children, attributes, &itself);
    }
    if (!found) {
        dn = s.requireById(AS_OBJ_USER_FOLDER, folderId, {})->dn;
        if (auto hit = s.cache().list(key(dn, objectType), fetched))
            return *hit;
        // Moved or removed since the look-up: no children of it are there.
        found = childEntries(s.ldap(), dn, children, attributes, &itself)
                    .value_or(std::vector<LdapEntry>{});
    }
    std::vector<LdapEntry> folders, users;
    for (auto& e : *found) {
        bool isFolder = false;
        for (const auto& c : e.values(schema::kObjectClass))
            isFolder = isFolder || sameAsciiText(c, schema::kFolderClass);
        (isFolder ? folders : users).push_back(std::move(e));
    }
    auto folderIds = sortedIds(folders);
    auto userIds = sortedIds(users);
    s.remember(AS_OBJ_USER_FOLDER, std::move(folders), fetched);
    s.remember(AS_OBJ_USER, std::move(users), fetched);
    s.cache().putList(key(dn, AS_OBJ_USER_FOLDER), folderIds, fetched);
    s.cache().putList(key(dn, AS_OBJ_USER), userIds, fetched);
    return objectType == AS_OBJ_USER_FOLDER ? folderIds : userIds;
}

void writeIdList(const std::vector<AS_ObjectId>& list, uint32_t capacity, AS_ObjectId* ids,
                 uint32_t* count) {
    required(count, "count");
    if (capacity > 0 && !ids)
        fail(AS_ERR_INVALID_ARGUMENT, "ids");
    if (list.size() > UINT32_MAX)
        fail(AS_ERR_INTERNAL, "list too long");
    *count = static_cast<uint32_t>(list.size());
    if (capacity == 0 && !ids)
        return;
    size_t n = std::min<size_t>(capacity, list.size());
    std::copy_n(list.begin(), n, ids);
    if (n < list.size())
        fail(AS_ERR_BUFFER_TOO_SMALL,
             std::to_string(list.size()) + " ids, room for " + std::to_string(capacity));
}

const char* nameAttribute(int32_t objectType) {
    switch (objectType) {
        case AS_OBJ_USER:
            return schema::kSignonName;
        case AS_OBJ_USER_CLASS:
            return schema::kCommonName;
        case AS_OBJ_USER_FOLDER:
            return schema::kUnitName;
        default:
            fail(AS_ERR_INVALID_ARGUMENT, "object type " + std::to_string(objectType));
    }
}

const char* namedAttribute(int32_t objectType, int32_t attribute) {
    if (attribute == AS_ATTR_DISPLAY_NAME && objectType == AS_OBJ_USER)
        return schema::kCommonName;
    if (attribute == AS_ATTR_NAME || attribute == AS_ATTR_DISPLAY_NAME)
        return nameAttribute(objectType);
    fail(AS_ERR_INVALID_ARGUMENT, "attribute " + std::to_string(attribute));
}

std::string callerText(Session& s, std::string_view utf8, size_t maxSize) {
    std::string bytes = s.outBytes(utf8);
    if (bytes.size() < maxSize)
        return bytes;
    std::string cut(maxSize, '\0');
    cut.resize(copyTruncated(s.encoding(), bytes, cut.data(), maxSize));
    return cut;
}

void writeText(Session& s, std::string_view utf8, char* buffer, size_t maxSize) {
    if (!buffer)
        return;
    std::string bytes = callerText(s, utf8, maxSize);
    std::copy(bytes.begin(), bytes.end(), buffer);
    buffer[bytes.size()] = '\0';
}

AS_ObjectId parentIdOfType(Session& s, const std::string& dn, int32_t parentType) {
    auto parent = parentDn(dn);
    if (!parent || parent->empty())
        return 0;
    auto entry = s.recordAt(parentType, *parent);
    return entry ? Session::idOf(*entry) : 0;
}

EntryRef requireUser(Session& s, AS_ObjectId userId, const std::vector<std::string>& attributes) {
    return s.requireById(AS_OBJ_USER, userId, attributes);
}

std::vector<AS_ObjectId> classIdsOfMember(Session& s, const std::string& userDn) {
    if (const OfflineUser* offline = s.offlineUser()) {
        if (normalizeDn(offline->user.dn) != normalizeDn(userDn))
            s.failOffline();
        return offline->classIds();
    }
    auto key = normalizeDn(userDn);
    return listedIds(s, "classes of " + key.value_or(userDn), AS_OBJ_USER_CLASS, [&] {
        const Filter filter = Filter::all(
            {objectTypeFilter(AS_OBJ_USER_CLASS), Filter::equal(schema::kMember, userDn)});
        return searchAll(s.ldap(), s.namespaceDn(), Scope::Sub, filter,
                         recordAttributes(AS_OBJ_USER_CLASS));
    });
}

}  // namespace ridge::access::reads
