#include "SearchPattern.h"

#include <AccessAPI.h>

#include "Ldap.h"
#include "Status.h"

namespace ridge::access::reads {

Filter namePatternFilter(std::string_view attribute, std::string_view pattern) {
    if (pattern.empty())
        fail(AS_ERR_INVALID_ARGUMENT, "empty search pattern");
    // The pattern's own stars are the only wildcards: the pieces between them are literal.
    std::vector<std::string_view> pieces;
    for (size_t pos = 0;;) {
        const size_t star = pattern.find('*', pos);
        pieces.push_back(pattern.substr(pos, star == std::string_view::npos ? star : star - pos));
        if (star == std::string_view::npos)
            break;
        pos = star + 1;
    }
    return Filter::substrings(attribute, pieces);
}

}  // namespace ridge::access::reads
