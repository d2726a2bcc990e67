// What the library knows of each object type it reads by id (users, user classes, user folders),
// in one table beside the schema names: the filter selecting them, the status for one that does
// not exist, and the attributes of its record (what listings fetch so that the reads after them
// are served from the handle's cache).
#pragma once

#include <AccessAPI.h>

#include <cstdint>
#include <string>
#include <vector>

#include "LdapFilter.h"

namespace ridge::access {

struct ObjectTypeInfo {
    int32_t type;   // AS_OBJ_USER, AS_OBJ_USER_CLASS, AS_OBJ_USER_FOLDER
    Filter filter;  // "(objectClass=ridgeUser)" etc.
    int32_t notFound;
    std::vector<std::string> record;
};

// The type's row; null for a type the library does not read by id.
const ObjectTypeInfo* findObjectType(int32_t objectType);
// The same, throwing -4 for such a type.
const ObjectTypeInfo& objectTypeInfo(int32_t objectType);

inline const Filter& objectTypeFilter(int32_t objectType) {
    return objectTypeInfo(objectType).filter;
}
// -37 user, -40 folder, -68 otherwise.
inline int32_t notFoundStatus(int32_t objectType) {
    const ObjectTypeInfo* row = findObjectType(objectType);
    return row ? row->notFound : AS_ERR_OBJECT_NOT_FOUND;
}
inline const std::vector<std::string>& recordAttributes(int32_t objectType) {
    return objectTypeInfo(objectType).record;
}
// True when every attribute asked for is part of the type's record (so the cache can answer).
bool coveredByRecord(int32_t objectType, const std::vector<std::string>& attributes);

}  // namespace ridge::access
