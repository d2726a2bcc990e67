// VOR_AAA_SearchFilter: the property filters written as predicates of a search path.
//
//     VOR_AAA_SearchFilter filter;
//     filter.Parse(path.GetPredicates(), eSFAllOperations);   // throws on a syntax error
//     for (const auto& group : filter.GetGroups())             // every group must hold ...
//         for (const auto& component : group)                  // ... by one of its components
//             propertyMatchesFilter(component.value, component.operation, propertyValue,
//                                   caseSensitive, locale);
//
// Grammar of one predicate (blanks are spaces): components joined by "or", each one of
//   @name = 'value'   @name != 'value'
//   starts-with( @name, 'value' )   contains( @name, 'value' )   ends-with( @name, 'value' )
// Values are quoted with ' or "; a doubled quote inside stands for one.
#pragma once

#include <string>
#include <vector>

enum VOR_AAA_SearchFilterOperation : unsigned {
    eSFUnknown = 0,
    eSFEquals = 1,
    eSFNotEquals = 2,
    eSFStartsWith = 4,
    eSFContains = 8,
    eSFEndsWith = 16,
};
inline constexpr unsigned eSFAllOperations = 31;

class VOR_AAA_SearchFilter {
public:
    struct Component {
        std::string name;   // property name, without "@"
        std::string value;  // quotes removed, doubled quotes collapsed
        VOR_AAA_SearchFilterOperation operation = eSFUnknown;
        friend bool operator==(const Component&, const Component&) = default;
    };
    using Group = std::vector<Component>;  // alternatives ("or")

    // Parses each predicate into one group (groups must all hold) and appends them. An
    // operation outside permittedOperations, or any syntax error, clears every group and
    // throws VOR_AAA_Exception code -48 with kMsgFilterSyntax (the predicate text).
    void Parse(const std::vector<std::string>& predicates, unsigned permittedOperations);
    void Parse(const std::string& predicate, unsigned permittedOperations);

    const std::vector<Group>& GetGroups() const { return m_groups; }
    bool IsEmpty() const { return m_groups.empty(); }
    void Clear() { m_groups.clear(); }

private:
    [[noreturn]] void _errorCleanUp(const std::string& predicate);

    std::vector<Group> m_groups;
};

// Matches a property value against one component. Not case-sensitive: both are lower-cased
// under locale first. eSFUnknown (or any other value) throws VOR_AAA_Exception code -48.
bool propertyMatchesFilter(const std::string& filterValue, VOR_AAA_SearchFilterOperation operation,
                           const std::string& propertyValue, bool caseSensitive,
                           const char* locale);
