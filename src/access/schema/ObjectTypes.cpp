#include "ObjectTypes.h"

#include "LdapEntry.h"
#include "Schema.h"
#include "Status.h"

namespace ridge::access {

const ObjectTypeInfo* findObjectType(int32_t objectType) {
    using namespace schema;
    // Built once: every read by id asks for its row, even those the cache answers.
    static const ObjectTypeInfo kTypes[] = {
        {AS_OBJ_USER,
         Filter::equal(kObjectClass, kUserClass),
         AS_ERR_USER_NOT_FOUND,
         {kId, kCommonName, kDescription, kMail, kTelephone, kGivenName, kSurname, kSignonName,
          kContentLocale, kProductLocale, kBasicSignonId, kOSSignon, kDatabaseSignon, kPrivileges}},
        {AS_OBJ_USER_CLASS,
         Filter::equal(kObjectClass, kClassClass),
         AS_ERR_OBJECT_NOT_FOUND,
         {kId, kCommonName, kDescription}},
        {AS_OBJ_USER_FOLDER,
         Filter::equal(kObjectClass, kFolderClass),
         AS_ERR_FOLDER_NOT_FOUND,
         {kId, kUnitName, kDescription}},
    };
    for (const auto& row : kTypes)
        if (row.type == objectType)
            return &row;
    return nullptr;
}

const ObjectTypeInfo& objectTypeInfo(int32_t objectType) {
    if (const ObjectTypeInfo* row = findObjectType(objectType))
        return *row;
    fail(AS_ERR_INVALID_ARGUMENT, "object type " + std::to_string(objectType));
}

bool coveredByRecord(int32_t objectType, const std::vector<std::string>& attributes) {
    const auto& record = recordAttributes(objectType);
    if (&attributes == &record)
        return true;
    for (const auto& a : attributes) {
        bool found = false;
        for (const auto& r : record)
            found = found || sameAsciiText(a, r);
        if (!found)
            return false;
    }
    return true;
}

}  // namespace ridge::access
