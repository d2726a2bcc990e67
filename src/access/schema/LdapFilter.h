// LDAP search filters (RFC 4515) built from typed parts. Every value handed to a part is
// escaped by the part itself, so no input can change the structure of a filter; attribute
// names come from the code (Schema.h) and are checked to be names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ridge::access {

class Filter {
public:
    // (attribute=value)
    static Filter equal(std::string_view attribute, std::string_view value);
    static Filter equal(std::string_view attribute, uint64_t number);
    // (attribute<=value)
    static Filter atMost(std::string_view attribute, std::string_view value);
    // (attribute=*): the entry has the attribute.
    static Filter present(std::string_view attribute);
    // (attribute=p0*p1*...*pn): each piece matches only itself, the stars between them any run
    // of characters; an empty first or last piece leaves that end open and empty inner pieces
    // are dropped. Pieces that are all empty give present(attribute); one piece gives equal().
    static Filter substrings(std::string_view attribute,
                             const std::vector<std::string_view>& pieces);
    // An entry whose (single) value of the attribute is one of the numbers. A flat
    // (|(a=n1)(a=n2)...) makes the server test each entry against half the terms on average, a
    // cost that grows with the square of the count; here the sorted numbers form runs of about
    // sqrt(count), and each run but the last sits behind a guard "(!(a>=first of the next
    // run))", so an entry meets about 2 sqrt(count) terms. The guard is a negation so that the
    // server tests it entry by entry instead of reading a range of its index. The attribute
    // needs an ordering rule; without one an entry outside the last run is not matched.
    static Filter oneOf(std::string_view attribute, std::vector<uint64_t> numbers);
    // (&f1f2...) and (|f1f2...); of one part, that part itself.
    static Filter all(const std::vector<Filter>& parts);
    static Filter any(const std::vector<Filter>& parts);

    const std::string& text() const { return m_text; }
    bool operator==(const Filter& other) const = default;

private:
    explicit Filter(std::string text) : m_text(std::move(text)) {}
    std::string m_text;
};

// RFC 4515 escaping of a value to put into a filter (ldap_bv2escaped_filter_value).
std::string escapeFilterValue(std::string_view value);

}  // namespace ridge::access
