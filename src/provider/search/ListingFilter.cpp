#include "search/ListingFilter.h"

#include <array>
#include <utility>

namespace ListingFilter {
namespace {

constexpr std::array<std::pair<const char*, int>, 3> kListedClasses = {{
    {"namespaceFolder", eFolderBit},
    {"account", eAccountBit},
    {"role", eRoleBit},
}};

// The classes a component on objectClass lets through (class words compare case-sensitively).
int ComponentMask(const VOR_AAA_SearchFilter::Component& component) {
    int mask = 0;
    for (const auto& [word, bit] : kListedClasses) {
        if (propertyMatchesFilter(component.value, component.operation, word, true, "en-us")) {
            mask |= bit;
        }
    }
    return mask == 0 ? eOtherClass : mask;
}

bool IsNameProperty(const std::string& name) {
    return name == "userName" || name == "name" || name == "defaultName";
}

}  // namespace

int ClassMask(const VOR_AAA_SearchFilter::Group& group) {
    int mask = 0;
    bool other = false;
    for (const auto& component : group) {
        if (component.name != "objectClass") {
            return eAllListed;
        }
        const int bits = ComponentMask(component);
        if (bits == eOtherClass) {
            other = true;
        } else {
            mask |= bits;
        }
    }
    if (mask == 0) {
        return group.empty() ? eAllListed : (other ? eOtherClass : eAllListed);
    }
    return mask;
}

Restriction RestrictionOf(const std::vector<VOR_AAA_SearchFilter::Group>& groups) {
    int mask = eAllListed | eOtherClass;
    for (const auto& group : groups) {
        mask &= ClassMask(group);
    }
    if (groups.empty()) {
        mask = eAllListed;
    }
    switch (mask) {
        case eAllListed:
            return eNoRestriction;
        case eFolderBit:
            return eFoldersOnly;
        case eAccountBit:
            return eAccountsOnly;
        case eRoleBit:
            return eRolesOnly;
        case eRoleBit | eAccountBit:
            return eRolesAndAccounts;
        case eRoleBit | eFolderBit:
            return eRolesAndFolders;
        case eFolderBit | eAccountBit:
            return eFoldersAndAccounts;
        case eOtherClass:
            return eOtherOnly;
        default:
            return eNothing;
    }
}

bool AllowsFolders(Restriction code) {
    return code == eNoRestriction || code == eFoldersOnly || code == eRolesAndFolders ||
           code == eFoldersAndAccounts || code == eOtherOnly;
}

bool AllowsRoles(Restriction code) {
    return code == eNoRestriction || code == eRolesOnly || code == eRolesAndAccounts ||
           code == eRolesAndFolders || code == eOtherOnly;
}

bool AllowsAccounts(Restriction code) {
    return code == eNoRestriction || code == eAccountsOnly || code == eRolesAndAccounts ||
           code == eFoldersAndAccounts || code == eOtherOnly;
}

std::optional<VOR_AAA_SearchFilter::Component> NameSearchComponent(
    const std::vector<VOR_AAA_SearchFilter::Group>& groups) {
    if (groups.size() != 1 || groups[0].size() != 1 || !IsNameProperty(groups[0][0].name) ||
        !NamePattern(groups[0][0])) {
        return std::nullopt;
    }
    return groups[0][0];
}

std::optional<std::string> NamePattern(const VOR_AAA_SearchFilter::Component& component) {
    if (component.value.find('*') != std::string::npos) {
        return std::nullopt;
    }
    switch (component.operation) {
        case eSFEquals:
            return component.value.empty() ? std::nullopt : std::optional(component.value);
        case eSFStartsWith:
            return component.value + "*";
        case eSFContains:
            return "*" + component.value + "*";
        case eSFEndsWith:
            return "*" + component.value;
        default:
            return std::nullopt;
    }
}

}  // namespace ListingFilter
