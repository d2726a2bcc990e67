// Name patterns of ASA_Search3 as LDAP filters.
#pragma once

#include <string>
#include <string_view>

#include "LdapFilter.h"

namespace ridge::access::reads {

// The filter matching names against pattern (UTF-8): each '*' matches any run of
// characters, every other character only itself. Runs of '*' count as one; a pattern of only
// '*' is a presence test. Throws -4 for an empty pattern.
Filter namePatternFilter(std::string_view attribute, std::string_view pattern);

}  // namespace ridge::access::reads
