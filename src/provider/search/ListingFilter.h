// What the property filters of a listing allow before any entry is read: which object classes
// can match at all (the restriction code), whether the listing is a user-name lookup, and which
// single name component a directory search by name can serve in place of the filter step.
#pragma once

#include <VOR_AAA_SearchFilter.h>

#include <optional>
#include <string>
#include <vector>

namespace ListingFilter {

// Class-mask bits of a predicate.
enum ClassBit : int {
    eOtherClass = 1,
    eFolderBit = 2,
    eAccountBit = 4,
    eRoleBit = 8,
    eAllListed = eFolderBit | eAccountBit | eRoleBit,
};

// Restriction codes: which classes a listing collects.
enum Restriction : int {
    eNoRestriction = 0,
    eOtherOnly = 1,
    eFoldersOnly = 2,
    eAccountsOnly = 3,
    eRolesOnly = 4,
    eRolesAndAccounts = 5,
    eRolesAndFolders = 6,
    eFoldersAndAccounts = 7,
    eNothing = 8,
};

// The classes one predicate (a group of alternatives) can let through. Its objectClass
// components decide; a predicate without one, or with an alternative on another property,
// allows all three listed classes.
int ClassMask(const VOR_AAA_SearchFilter::Group& group);
// The restriction code of all predicates together (their masks intersected).
Restriction RestrictionOf(const std::vector<VOR_AAA_SearchFilter::Group>& groups);
bool AllowsFolders(Restriction code);
bool AllowsRoles(Restriction code);
bool AllowsAccounts(Restriction code);

// The one component on userName, name or defaultName that a directory search by name pattern
// can serve for the whole filter (nothing when the filter is anything else).
std::optional<VOR_AAA_SearchFilter::Component> NameSearchComponent(
    const std::vector<VOR_AAA_SearchFilter::Group>& groups);

// The name pattern of a component: equality the value, starts-with value + "*", contains
// "*" + value + "*", ends-with "*" + value; nothing for other operations. A value holding "*"
// cannot be searched literally by pattern, so it gives nothing too.
std::optional<std::string> NamePattern(const VOR_AAA_SearchFilter::Component& component);

}  // namespace ListingFilter
