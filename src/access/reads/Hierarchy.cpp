// Relations between objects: parents, children, a folder's users, a class's members and a
// user's folder and classes. Lists are ascending by id, and each count is the length of the
// list its list call returns.
#include <AccessAPI.h>

#include "ReadSupport.h"
#include "Status.h"

using namespace ridge::access;
using namespace ridge::access::reads;

namespace {

// Member DNs resolved per search; keeps each filter well below server filter limits.
constexpr size_t kMembersPerSearch = 64;

// The users of the class: its uniqueMember values that name users of the namespace. Other
// values (the namespace entry a class without users lists, entries gone or outside the
// namespace) are ignored. A value with a unique-id suffix names no entry, as it does for the
// server's own uniqueMember matching, so the two directions of membership always agree.
std::vector<AS_ObjectId> memberUserIds(Session& s, AS_ObjectId classId) {
    return listedIds(s, "members " + std::to_string(classId), AS_OBJ_USER, [&] {
        auto cls = s.requireById(AS_OBJ_USER_CLASS, classId, {schema::kMember});
        const auto& values = cls->values(schema::kMember);
        std::string nsDn = s.namespaceDn();
        std::vector<LdapEntry> users;
        for (size_t first = 0; first < values.size(); first += kMembersPerSearch) {
            std::vector<Filter> any;
            for (size_t i = first; i < std::min(values.size(), first + kMembersPerSearch); ++i)
                any.push_back(Filter::equal(schema::kEntryDn, values[i]));
            const Filter filter = Filter::all({objectTypeFilter(AS_OBJ_USER), Filter::any(any)});
            auto found =
                searchAll(s.ldap(), nsDn, Scope::Sub, filter, recordAttributes(AS_OBJ_USER));
            users.insert(users.end(), std::make_move_iterator(found.begin()),
                         std::make_move_iterator(found.end()));
        }
        return users;
    });
}

std::vector<AS_ObjectId> childClassIds(Session& s, AS_ObjectId classId) {
    auto cls = s.requireById(AS_OBJ_USER_CLASS, classId, {});
    return childIds(s, cls->dn, AS_OBJ_USER_CLASS);
}

std::vector<AS_ObjectId> userClassIds(Session& s, AS_ObjectId userId) {
    return classIdsOfMember(s, requireUser(s, userId, {})->dn);
}

uint32_t sizeOf(const std::vector<AS_ObjectId>& list) {
    return static_cast<uint32_t>(list.size());
}

}  // namespace

extern "C" {

AS_API int32_t ASA_FindUserFolderParent(AS_Handle handle, AS_ObjectId folderId,
                                        AS_ObjectId* parentFolderId) {
    return withSignedOn(handle, [&](Session& s) {
        required(parentFolderId, "parentFolderId");
        auto folder = s.requireById(AS_OBJ_USER_FOLDER, folderId, {});
        *parentFolderId = parentIdOfType(s, folder->dn, AS_OBJ_USER_FOLDER);
    });
}

AS_API int32_t ASA_FindUserClassParent(AS_Handle handle, AS_ObjectId classId,
                                       AS_ObjectId* parentClassId) {
    return withSignedOn(handle, [&](Session& s) {
        required(parentClassId, "parentClassId");
        auto cls = s.requireById(AS_OBJ_USER_CLASS, classId, {});
        *parentClassId = parentIdOfType(s, cls->dn, AS_OBJ_USER_CLASS);
    });
}

AS_API int32_t ASA_FindUserClassParent2(AS_Handle handle, AS_ObjectId classId, uint32_t* count,
                                        AS_ObjectId** ancestors) {
    // Cleared first so that the caller may hand whatever comes back to AS_Free.
    if (ancestors)
        *ancestors = nullptr;
    if (count)
        *count = 0;
    return withSignedOn(handle, [&](Session& s) {
        required(count, "count");
        required(ancestors, "ancestors");
        auto cls = s.requireById(AS_OBJ_USER_CLASS, classId, {});
        std::vector<AS_ObjectId> chain;
        std::string dn = cls->dn;
        for (;;) {
            auto parent = parentDn(dn);
            if (!parent || parent->empty())
                break;
            auto found = s.recordAt(AS_OBJ_USER_CLASS, *parent);
            if (!found)
                break;
            if (AS_ObjectId id = Session::idOf(*found))
                chain.push_back(id);
            dn = *parent;
        }
        if (chain.empty())
            return;
        auto* block = static_cast<AS_ObjectId*>(allocBlock(chain.size() * sizeof(AS_ObjectId)));
        std::copy(chain.begin(), chain.end(), block);
        *ancestors = block;
        *count = sizeOf(chain);
    });
}

AS_API int32_t ASA_FindUserUserFolder(AS_Handle handle, AS_ObjectId userId,
                                      AS_ObjectId* userFolderId) {
    return withSignedOn(handle, [&](Session& s) {
        required(userFolderId, "userFolderId");
        *userFolderId = parentIdOfType(s, requireUser(s, userId, {})->dn, AS_OBJ_USER_FOLDER);
    });
}

AS_API int32_t ASA_FindUserClassChildrenCount3(AS_Handle handle, AS_ObjectId classId,
                                               uint32_t* count) {
    return withSignedOn(handle, [&](Session& s) {
        required(count, "count");
        *count = sizeOf(childClassIds(s, classId));
    });
}

AS_API int32_t ASA_FindUserClassChildrenList3(AS_Handle handle, AS_ObjectId classId,
                                              uint32_t capacity, AS_ObjectId* ids,
                                              uint32_t* count) {
    return withSignedOn(handle, [&](Session& s) {
        required(count, "count");
        writeIdList(childClassIds(s, classId), capacity, ids, count);
    });
}

AS_API int32_t ASA_FindUserCount(AS_Handle handle, AS_ObjectId classId, uint32_t* count) {
    return withSignedOn(handle, [&](Session& s) {
        required(count, "count");
        *count = sizeOf(memberUserIds(s, classId));
    });
}

AS_API int32_t ASA_FindUserList(AS_Handle handle, AS_ObjectId classId, uint32_t capacity,
                                AS_ObjectId* ids, uint32_t* count) {
    return withSignedOn(handle, [&](Session& s) {
        required(count, "count");
        writeIdList(memberUserIds(s, classId), capacity, ids, count);
    });
}

AS_API int32_t ASA_FindUserFolderChildrenList(AS_Handle handle, AS_ObjectId folderId,
                                              uint32_t capacity, AS_ObjectId* ids,
                                              uint32_t* count) {
    return withSignedOn(handle, [&](Session& s) {
        required(count, "count");
        writeIdList(folderChildIds(s, folderId, AS_OBJ_USER_FOLDER), capacity, ids, count);
    });
}

AS_API int32_t ASA_FindUserFolderUsersList(AS_Handle handle, AS_ObjectId folderId,
                                           uint32_t capacity, AS_ObjectId* ids, uint32_t* count) {
    return withSignedOn(handle, [&](Session& s) {
        required(count, "count");
        writeIdList(folderChildIds(s, folderId, AS_OBJ_USER), capacity, ids, count);
    });
}

AS_API int32_t ASA_FindUserUserClassCount(AS_Handle handle, AS_ObjectId userId, uint32_t* count) {
    return withSignedOn(handle, [&](Session& s) {
        required(count, "count");
        *count = sizeOf(userClassIds(s, userId));
    });
}

AS_API int32_t ASA_FindUserUserClassList(AS_Handle handle, AS_ObjectId userId, uint32_t capacity,
                                         AS_ObjectId* ids, uint32_t* count) {
    return withSignedOn(handle, [&](Session& s) {
        required(count, "count");
        writeIdList(userClassIds(s, userId), capacity, ids, count);
    });
}

}  // extern "C"
