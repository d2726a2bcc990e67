// DNs: escaping of their parts and parsing, through libldap's own DN code.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ridge::access {

// RFC 4514 escaping of an attribute value to put into a DN (through ldap_dn2str).
std::string escapeDnValue(std::string_view value);
// "attr=<escaped value>,parent" (parent may be empty).
std::string childDn(std::string_view attribute, std::string_view value, std::string_view parent);
// Normalised form for comparisons: parsed with ldap_str2dn and written back as RFC 4514 with
// attribute types lower-cased; nullopt when the text is not a DN.
std::optional<std::string> normalizeDn(std::string_view dn);
// The RDNs of a DN, most significant last, each as (type, value); nullopt when not a DN.
std::optional<std::vector<std::pair<std::string, std::string>>> splitDn(std::string_view dn);
// DN of the parent entry ("" for a single-RDN DN); nullopt when not a DN.
std::optional<std::string> parentDn(std::string_view dn);

}  // namespace ridge::access
