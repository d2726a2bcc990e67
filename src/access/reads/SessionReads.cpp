// What the signed-on session may see: its privileges, its user classes, and the roots of the
// namespace's folder and class trees.
#include <AccessAPI.h>

#include <charconv>

#include "ReadSupport.h"
#include "Status.h"

using namespace ridge::access;
using namespace ridge::access::reads;

namespace {

constexpr const char* kPrivileges = schema::kPrivileges;

uint32_t privilegeBits(std::string_view text) {
    uint32_t bits = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), bits);
    if (ec != std::errc() || end != text.data() + text.size())
        return 0;
    return bits;
}

}  // namespace

extern "C" {

AS_API int32_t ASA_GetSessionPrivileges(AS_Handle handle, uint32_t* privileges) {
    return withSignedOn(handle, [&](Session& s) {
        required(privileges, "privileges");
        auto user = requireUser(s, s.userId(), {kPrivileges});
        *privileges = AS_PRIV_AUTHENTICATED | privilegeBits(user->value(kPrivileges));
    });
}

AS_API int32_t ASA_GetSessionUserClassList(AS_Handle handle, uint32_t capacity, AS_ObjectId* ids,
                                           uint32_t* flags, uint32_t* count) {
    return withSignedOn(handle, [&](Session& s) {
        required(count, "count");
        // Looked up by id, not by the DN of the sign-on, so that a moved user keeps its classes.
        auto user = requireUser(s, s.userId(), {});
        auto list = classIdsOfMember(s, user->dn);
        // A session signed on with one class has that class in force; otherwise all of them.
        auto inForce = s.userClassId();
        if (flags && ids) {
            size_t n = std::min<size_t>(capacity, list.size());
            for (size_t i = 0; i < n; ++i)
                flags[i] = !inForce || *inForce == list[i] ? AS_SESSION_CLASS_ACTIVE : 0;
        }
        writeIdList(list, capacity, ids, count);
    });
}

AS_API int32_t ASA_FindNamespaceRootUserFolder(AS_Handle handle, AS_ObjectId* folderId) {
    return withSignedOn(handle, [&](Session& s) {
        required(folderId, "folderId");
        std::string nsDn = s.namespaceDn();
        auto found = s.recordAt(AS_OBJ_USER_FOLDER, nsDn);
        AS_ObjectId id = found ? Session::idOf(*found) : 0;
        if (id == 0)
            fail(AS_ERR_FOLDER_NOT_FOUND, "the namespace entry is not a user folder");
        *folderId = id;
    });
}

AS_API int32_t ASA_FindNamespaceRootUserClass(AS_Handle handle, AS_ObjectId* classId) {
    return withSignedOn(handle, [&](Session& s) {
        required(classId, "classId");
        auto roots = childIds(s, s.namespaceDn(), AS_OBJ_USER_CLASS);
        if (roots.empty())
            fail(AS_ERR_OBJECT_NOT_FOUND, "the namespace has no root user class");
        if (roots.size() > 1)
            fail(AS_ERR_AMBIGUOUS, "the namespace has several root classes");
        *classId = roots.front();
    });
}

}  // extern "C"
