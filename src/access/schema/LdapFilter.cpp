#include "LdapFilter.h"

#include <algorithm>

#include <AccessAPI.h>
#include <ldap.h>

#include "Status.h"

namespace ridge::access {

namespace {

// An attribute description as the code writes one: a name or an OID, options after ';'.
std::string_view checkedAttribute(std::string_view attribute) {
    bool ok = !attribute.empty();
    for (const char c : attribute)
        ok = ok && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '.' || c == ';');
    if (!ok)
        fail(AS_ERR_INTERNAL, "not an attribute name in a filter: " + std::string(attribute));
    return attribute;
}

std::string item(std::string_view attribute, std::string_view op, std::string_view value) {
    std::string text = "(";
    text += checkedAttribute(attribute);
    text += op;
    text += value;
    text += ')';
    return text;
}

}  // namespace

Filter Filter::equal(std::string_view attribute, std::string_view value) {
    return Filter(item(attribute, "=", escapeFilterValue(value)));
}

Filter Filter::equal(std::string_view attribute, uint64_t number) {
    return Filter(item(attribute, "=", std::to_string(number)));
}

Filter Filter::atMost(std::string_view attribute, std::string_view value) {
    return Filter(item(attribute, "<=", escapeFilterValue(value)));
}

Filter Filter::present(std::string_view attribute) {
    return Filter(item(attribute, "=", "*"));
}

Filter Filter::substrings(std::string_view attribute, const std::vector<std::string_view>& pieces) {
    if (pieces.size() == 1)
        return equal(attribute, pieces.front());
    std::string value;
    bool anyText = false;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const bool inner = i > 0 && i + 1 < pieces.size();
        if (inner && pieces[i].empty())
            continue;  // "**" is not a filter; one star says the same
        if (i > 0)
            value += '*';
        value += escapeFilterValue(pieces[i]);
        anyText = anyText || !pieces[i].empty();
    }
    if (!anyText)
        return present(attribute);
    return Filter(item(attribute, "=", value));
}

namespace {

std::string joined(char op, const std::vector<Filter>& parts) {
    std::string text = "(";
    text += op;
    for (const Filter& f : parts)
        text += f.text();
    text += ')';
    return text;
}

}  // namespace

Filter Filter::all(const std::vector<Filter>& parts) {
    return parts.size() == 1 ? parts.front() : Filter(joined('&', parts));
}

Filter Filter::any(const std::vector<Filter>& parts) {
    return parts.size() == 1 ? parts.front() : Filter(joined('|', parts));
}

Filter Filter::oneOf(std::string_view attribute, std::vector<uint64_t> numbers) {
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    size_t run = 1;
    while (run * run < numbers.size())
        ++run;
    std::vector<Filter> runs;
    for (size_t first = 0; first < numbers.size(); first += run) {
        const size_t end = std::min(numbers.size(), first + run);
        std::vector<Filter> terms;
        for (size_t i = first; i < end; ++i)
            terms.push_back(equal(attribute, numbers[i]));
        if (end == numbers.size()) {
            runs.push_back(any(terms));
        } else {
            const Filter below("(!" + item(attribute, ">=", std::to_string(numbers[end])) + ")");
            runs.push_back(all({below, any(terms)}));
        }
    }
    return any(runs);
}

std::string escapeFilterValue(std::string_view value) {
    berval in{static_cast<ber_len_t>(value.size()), const_cast<char*>(value.data())};
    berval out{0, nullptr};
    if (ldap_bv2escaped_filter_value(&in, &out) != 0)
        fail(AS_ERR_NO_MEMORY);
    std::string escaped(out.bv_val, out.bv_len);
    ber_memfree(out.bv_val);
    return escaped;
}

}  // namespace ridge::access
