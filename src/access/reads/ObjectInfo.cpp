// Records of single objects: attribute sizes, user, user folder and user class info. Each is
// asked with its type's whole record, which the handle's cache answers after a listing.
#include <AccessAPI.h>

#include "Directory.h"
#include "ReadSupport.h"
#include "Signons.h"
#include "Status.h"

using namespace ridge::access;
using namespace ridge::access::reads;

namespace {

using schema::kDescription;

// The user-class fields shared by the lookups by id and by name.
void writeClassDetails(Session& s, const LdapEntry& cls, char* description,
                       AS_ObjectId* parentClassId, uint32_t* childClassCount) {
    writeText(s, cls.value(kDescription), description, AS_MAX_DESCRIPTION_SIZE);
    if (parentClassId)
        *parentClassId = parentIdOfType(s, cls.dn, AS_OBJ_USER_CLASS);
    if (childClassCount)
        *childClassCount = static_cast<uint32_t>(childIds(s, cls.dn, AS_OBJ_USER_CLASS).size());
}

}  // namespace

extern "C" {

AS_API int32_t ASA_FindObjectAttributeSize(AS_Handle handle, AS_ObjectId id, int32_t objectType,
                                           int32_t attribute, uint32_t* size) {
    return withSignedOn(handle, [&](Session& s) {
        required(size, "size");
        std::string text;
        if (isSignonType(objectType)) {
            if (attribute != AS_ATTR_NAME)
                fail(AS_ERR_INVALID_ARGUMENT, "attribute " + std::to_string(attribute));
            text = callerText(s, signonText(s, objectType, id), AS_MAX_FIELD_SIZE);
        } else {
            const char* attr = kDescription;
            size_t maxSize = AS_MAX_DESCRIPTION_SIZE;
            if (attribute != AS_ATTR_DESCRIPTION) {
                attr = namedAttribute(objectType, attribute);
                maxSize = AS_MAX_NAME_SIZE;
            }
            auto entry = s.requireById(objectType, id, recordAttributes(objectType));
            text = callerText(s, entry->value(attr), maxSize);
        }
        *size = static_cast<uint32_t>(text.size());
    });
}

AS_API int32_t ASA_FindUserInfo(AS_Handle handle, AS_ObjectId userId, char* name, char* description,
                                AS_ObjectId* userFolderId) {
    return withSignedOn(handle, [&](Session& s) {
        auto user = requireUser(s, userId, recordAttributes(AS_OBJ_USER));
        writeText(s, user->value(nameAttribute(AS_OBJ_USER)), name, AS_MAX_NAME_SIZE);
        writeText(s, user->value(kDescription), description, AS_MAX_DESCRIPTION_SIZE);
        if (userFolderId)
            *userFolderId = parentIdOfType(s, user->dn, AS_OBJ_USER_FOLDER);
    });
}

AS_API int32_t ASA_FindUserInfo4(AS_Handle handle, AS_ObjectId userId, char* name,
                                 char* description, char* email, char* telephone,
                                 char* contentLocale, char* productLocale, char* givenName,
                                 char* surname) {
    return withSignedOn(handle, [&](Session& s) {
        auto user = requireUser(s, userId, recordAttributes(AS_OBJ_USER));
        writeText(s, user->value(nameAttribute(AS_OBJ_USER)), name, AS_MAX_NAME_SIZE);
        writeText(s, user->value(kDescription), description, AS_MAX_DESCRIPTION_SIZE);
        writeText(s, user->value(schema::kMail), email, AS_MAX_FIELD_SIZE);
        writeText(s, user->value(schema::kTelephone), telephone, AS_MAX_FIELD_SIZE);
        writeText(s, user->value(schema::kContentLocale), contentLocale, AS_MAX_FIELD_SIZE);
        writeText(s, user->value(schema::kProductLocale), productLocale, AS_MAX_FIELD_SIZE);
        writeText(s, user->value(schema::kGivenName), givenName, AS_MAX_FIELD_SIZE);
        writeText(s, user->value(schema::kSurname), surname, AS_MAX_FIELD_SIZE);
    });
}

AS_API int32_t ASA_FindUserDisplayName(AS_Handle handle, AS_ObjectId userId, char* displayName) {
    return withSignedOn(handle, [&](Session& s) {
        auto user = requireUser(s, userId, recordAttributes(AS_OBJ_USER));
        writeText(s, user->value(namedAttribute(AS_OBJ_USER, AS_ATTR_DISPLAY_NAME)), displayName,
                  AS_MAX_NAME_SIZE);
    });
}

AS_API int32_t ASA_FindUserFolderInfo(AS_Handle handle, AS_ObjectId folderId, char* name,
                                      char* description, AS_ObjectId* parentFolderId) {
    return withSignedOn(handle, [&](Session& s) {
        auto folder =
            s.requireById(AS_OBJ_USER_FOLDER, folderId, recordAttributes(AS_OBJ_USER_FOLDER));
        writeText(s, folder->value(schema::kUnitName), name, AS_MAX_NAME_SIZE);
        writeText(s, folder->value(kDescription), description, AS_MAX_DESCRIPTION_SIZE);
        if (parentFolderId)
            *parentFolderId = parentIdOfType(s, folder->dn, AS_OBJ_USER_FOLDER);
    });
}

AS_API int32_t ASA_FindUserClassInfo(AS_Handle handle, AS_ObjectId classId, char* name,
                                     char* description, AS_ObjectId* parentClassId,
                                     uint32_t* childClassCount) {
    return withSignedOn(handle, [&](Session& s) {
        auto cls = s.requireById(AS_OBJ_USER_CLASS, classId, recordAttributes(AS_OBJ_USER_CLASS));
        writeText(s, cls->value(schema::kCommonName), name, AS_MAX_NAME_SIZE);
        writeClassDetails(s, *cls, description, parentClassId, childClassCount);
    });
}

AS_API int32_t ASA_FindUserClassInfoByName(AS_Handle handle, const char* name, AS_ObjectId* classId,
                                           char* description, AS_ObjectId* parentClassId,
                                           uint32_t* childClassCount) {
    return withSignedOn(handle, [&](Session& s) {
        std::string nameUtf8 = s.inText(name, "name");
        if (nameUtf8.empty())
            fail(AS_ERR_INVALID_ARGUMENT, "empty user class name");
        const auto fetched = ReadCache::Clock::now();
        auto found = s.ldap().search(s.namespaceDn(), Scope::Sub, userClassNamedFilter(nameUtf8),
                                     recordAttributes(AS_OBJ_USER_CLASS), 2);
        if (found.empty())
            fail(AS_ERR_OBJECT_NOT_FOUND, "user class " + nameUtf8);
        if (found.size() > 1)
            fail(AS_ERR_AMBIGUOUS, "user class " + nameUtf8);
        AS_ObjectId id = Session::idOf(found.front());
        if (id == 0)
            fail(AS_ERR_OBJECT_NOT_FOUND, "user class " + nameUtf8 + " has no id");
        auto cls = std::make_shared<const LdapEntry>(std::move(found.front()));
        s.cache().putEntry(AS_OBJ_USER_CLASS, id, cls, fetched);
        if (classId)
            *classId = id;
        writeClassDetails(s, *cls, description, parentClassId, childClassCount);
    });
}

}  // extern "C"
