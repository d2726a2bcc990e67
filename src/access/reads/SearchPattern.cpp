#include "SearchPattern.h"

#include <AccessAPI.h>

#include "internal/Ldap.h"
#include "internal/Status.h"

namespace ridge::access::reads {

std::string namePatternFilter(std::string_view attribute, std::string_view pattern) {
    if (pattern.empty())
        fail(AS_ERR_INVALID_ARGUMENT, "empty search pattern");
    std::string value;
    bool lastWasStar = false;
    size_t pos = 0;
    while (pos < pattern.size()) {
        size_t star = pattern.find('*', pos);
        size_t end = star == std::string_view::npos ? pattern.size() : star;
        if (end > pos) {
            // Escaped piece by piece so that only the pattern's own stars act as wildcards.
            value += escapeFilterValue(pattern.substr(pos, end - pos));
            lastWasStar = false;
        }
        if (star == std::string_view::npos)
            break;
        if (!lastWasStar)
            value += '*';
        lastWasStar = true;
        pos = star + 1;
    }
    return "(" + std::string(attribute) + "=" + value + ")";
}

}  // namespace ridge::access::reads
