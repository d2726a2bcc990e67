// What the offline cache keeps of one user: the password verifier, its own entry, its classes
// and its folder chain (each with the attributes of its record), the time it was written and
// the wrong passwords given offline since.
#pragma once

#include <AccessAPI.h>

#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "LdapEntry.h"

namespace ridge::access {

struct OfflineUser {
    std::string namespaceDn;
    std::string signon;  // as the directory spells it
    std::string verifier;
    std::time_t written = 0;
    int failures = 0;  // wrong passwords offline since the last good one
    std::time_t lastFailure = 0;
    bool usedOffline = false;  // since written: the next online sign-on writes it afresh
    LdapEntry user;
    std::vector<LdapEntry> classes;  // of which the user is a member
    std::vector<LdapEntry> folders;  // from the user's folder up to the namespace entry

    // The entry of the type with that id / at that DN among those kept (null when none).
    const LdapEntry* byId(int32_t objectType, AS_ObjectId id) const;
    const LdapEntry* byDn(int32_t objectType, const std::string& dn) const;
    std::vector<AS_ObjectId> classIds() const;
};

std::string toText(const OfflineUser& user);
// nullopt when text is not a record of this form.
std::optional<OfflineUser> offlineUserFromText(const std::string& text);

}  // namespace ridge::access
