// Signons of users: the basic signon (its text is the uid the user signs on with, its id the
// ridgeBasicSignonId attribute) and any number of operating-system and database signons, each
// stored as a "<id>:<text>" value of ridgeOSSignon or ridgeDatabaseSignon.
#pragma once

#include <AccessAPI.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Ldap.h"
#include "Session.h"

namespace ridge::access::reads {

struct Signon {
    AS_ObjectId id = 0;
    std::string text;  // UTF-8
};

// True for AS_OBJ_BASIC_SIGNON, AS_OBJ_OS_SIGNON and AS_OBJ_DATABASE_SIGNON.
bool isSignonType(int32_t objectType);

// A "<id>:<text>" value: the id in canonical decimal (1 to 2^32-1, no leading zeros), the text
// not empty. nullopt for anything else, so that a malformed value is never listed.
std::optional<Signon> parseSignonValue(std::string_view value);

// The attributes of a user entry that signonsOf reads for the kind.
std::vector<std::string> signonAttributes(int32_t kind);
// The user's signons of the kind, ascending by id.
std::vector<Signon> signonsOf(const LdapEntry& user, int32_t kind);

// The text (UTF-8) of the signon of the kind with that id in the handle's namespace; -68 when
// there is none, -21 when several users claim the id.
std::string signonText(Session& s, int32_t kind, AS_ObjectId id);

}  // namespace ridge::access::reads
