#pragma once
// Query documents the host writes for a search: a search path, the properties wanted, paging.

#include <string>
#include <vector>

namespace basalt_host {

struct QuerySpec {
    // As it travels inside the document before XML escaping: a quote inside a VORID body is
    // written &quot; (double-quote form) or &apos; (single-quote form), as the provider writes
    // the searchPath values it returns.
    std::string searchPath;
    std::vector<std::string> properties;  // property names, in the order given
    int skip = 0;
    int max = 0;  // below 1: no limit
    std::string productLocale = "en-us";
    std::string contentLocale = "en-us";
};

// The envelope with the bus header (additional information) and the query.
std::string queryDocument(const QuerySpec& query);

// The search path with predicates appended, each inside [ ].
std::string withFilters(const std::string& searchPath, const std::vector<std::string>& filters);

}  // namespace basalt_host
