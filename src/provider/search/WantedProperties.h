// The properties a query asks of each object it answers, looked up once per query: a page builds
// a hundred objects, each testing a dozen property names.
#pragma once

#include <bitset>
#include <set>
#include <string>

class WantedProperties {
public:
    // The properties the builders of accounts, namespace folders and roles know.
    enum Property {
        eObjectClass,
        eSearchPath,
        eDefaultName,
        eName,
        eUserName,
        eHasChildren,
        eDefaultDescription,
        eDescription,
        eEmail,
        eBusinessPhone,
        eGivenName,
        eSurname,
        eContentLocale,
        eProductLocale,
        eAncestors,
        eMembers,
        eSecurityMembers,
        eDistributionMembers,
        eCount
    };

    // "*" asks for every property.
    explicit WantedProperties(const std::set<std::string>& names);

    bool operator[](Property property) const { return m_wanted[property]; }
    // No property at all: only the search path is written.
    bool None() const { return m_none; }
    // Every property asked is among those an account or a role is given from its listed name
    // alone, without reading its record.
    bool AccountNameOnly() const { return m_accountNameOnly; }
    bool RoleNameOnly() const { return m_roleNameOnly; }
    // The description is asked (by either name).
    bool Description() const { return m_wanted[eDefaultDescription] || m_wanted[eDescription]; }

private:
    std::bitset<eCount> m_wanted;
    bool m_none;
    bool m_accountNameOnly;
    bool m_roleNameOnly;
};
