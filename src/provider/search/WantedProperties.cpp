#include "search/WantedProperties.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

constexpr std::array<std::string_view, WantedProperties::eCount> kNames = {
    "objectClass",     "searchPath",         "defaultName",        "name",
    "userName",        "hasChildren",        "defaultDescription", "description",
    "email",           "businessPhone",      "givenName",          "surname",
    "contentLocale",   "productLocale",      "ancestors",          "members",
    "securityMembers", "distributionMembers"};

// What an account or a role can be given without reading its record, when its name is known.
const std::set<std::string> kAccountNameOnly = {
    "objectClass", "searchPath",      "defaultName",        "name", "userName", "hasChildren",
    "members",     "securityMembers", "distributionMembers"};
const std::set<std::string> kRoleNameOnly = {"objectClass", "searchPath", "defaultName", "name"};

bool OnlyAmong(const std::set<std::string>& names, const std::set<std::string>& allowed) {
    return std::all_of(names.begin(), names.end(),
                       [&](const std::string& name) { return allowed.count(name) != 0; });
}

}  // namespace

WantedProperties::WantedProperties(const std::set<std::string>& names)
    : m_none(names.empty()),
      m_accountNameOnly(OnlyAmong(names, kAccountNameOnly)),
      m_roleNameOnly(OnlyAmong(names, kRoleNameOnly)) {
    const bool all = names.count("*") != 0;
    for (std::size_t p = 0; p < kNames.size(); ++p) {
        m_wanted[p] = all || names.count(std::string(kNames[p])) != 0;
    }
}
