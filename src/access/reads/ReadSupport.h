// Shared pieces of the directory-read calls: the call frame, complete (paged) searches, id
// lists in the caller's arrays, texts in the caller's buffers, and object relations.
//
// Reads go through the handle's short-lived cache (pool/ReadCache.h): listings fetch the
// records of what they list, so that the size and record reads that follow a listing cost no
// search, and lookups by id or DN ask the cache first.
#pragma once

#include <AccessAPI.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Api.h"
#include "Ldap.h"
#include "Session.h"

namespace ridge::access::reads {

// Runs body on the handle's session once a user is signed on (-12 otherwise): directory reads
// are made on behalf of a signed-on user.
int32_t withSignedOn(AS_Handle h, FunctionRef<void(Session&)> body);

// Throws -4 naming `what` when p is null; returns *p.
template <class T>
T& required(T* p, const char* what) {
    if (!p)
        fail(AS_ERR_INVALID_ARGUMENT, what);
    return *p;
}

// Every entry the search (scope Sub or One) finds: a listing below one entry in a single
// request unless a size limit cuts it, anything else in pages. A result cut short by a server limit
// throws -61; a base that does not exist gives no entries.
std::vector<LdapEntry> searchAll(LdapConnection& conn, const std::string& base, Scope scope,
                                 const Filter& filter, const std::vector<std::string>& attributes);

// The entries directly below base: in one request unless a size limit cuts it, then in pages.
// nullopt when base does not exist or does not match baseAssertion (may be null), which the
// server checks before it lists anything.
std::optional<std::vector<LdapEntry>> childEntries(LdapConnection& conn, const std::string& base,
                                                   const Filter& filter,
                                                   const std::vector<std::string>& attributes,
                                                   const Filter* baseAssertion = nullptr);

// The ids of a listing: from the handle's cache under key, else fetched (entries of objectType
// with their record attributes), remembered with their records, and cached under key.
std::vector<AS_ObjectId> listedIds(Session& s, const std::string& key, int32_t objectType,
                                   const std::function<std::vector<LdapEntry>()>& fetch);

// The valid ids of the entries, ascending, without duplicates.
std::vector<AS_ObjectId> sortedIds(const std::vector<LdapEntry>& entries);

// Ids of the entries of objectType directly below dn.
std::vector<AS_ObjectId> childIds(Session& s, const std::string& dn, int32_t objectType);
// Ids of the user folders or users (objectType) directly below the folder with that id (-40
// when there is none). Both are fetched in one search and kept, so that listing a folder's
// subfolders and then its users (as a browser does) costs one search.
std::vector<AS_ObjectId> folderChildIds(Session& s, AS_ObjectId folderId, int32_t objectType);

// Hands an id list to the caller: *count gets the total, min(capacity, total) ids are written;
// throws -5 when capacity < total, except that capacity 0 with null ids only asks the count.
void writeIdList(const std::vector<AS_ObjectId>& list, uint32_t capacity, AS_ObjectId* ids,
                 uint32_t* count);

// Attribute holding the name of an object of the type: uid (the sign-on name, unique in the
// namespace) for users, cn for classes, ou for folders; -4 for any other type.
const char* nameAttribute(int32_t objectType);
// Attribute behind AS_ATTR_NAME or AS_ATTR_DISPLAY_NAME of the type (a user's display name is
// its cn; other objects have one name); -4 for any other attribute or type.
const char* namedAttribute(int32_t objectType, int32_t attribute);

// A directory value (UTF-8) as the bytes the caller receives: in the handle's encoding, cut at
// a character boundary to at most maxSize - 1 bytes.
std::string callerText(Session& s, std::string_view utf8, size_t maxSize);
// callerText copied into buffer (NUL-terminated); a null buffer is "not wanted".
void writeText(Session& s, std::string_view utf8, char* buffer, size_t maxSize);

// The id of the entry directly above dn when it is an object of parentType, else 0.
AS_ObjectId parentIdOfType(Session& s, const std::string& dn, int32_t parentType);

// The user's entry with the attributes; -37 when no such user exists.
EntryRef requireUser(Session& s, AS_ObjectId userId, const std::vector<std::string>& attributes);

// Ids of the user classes that list userDn as a direct member, ascending.
std::vector<AS_ObjectId> classIdsOfMember(Session& s, const std::string& userDn);

}  // namespace ridge::access::reads
