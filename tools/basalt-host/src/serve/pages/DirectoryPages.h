#pragma once
// HTML for the directory browser: one page of a container's children with paging and a name
// filter, and one object's properties.

#include <string>
#include <utility>
#include <vector>

#include "ObjectTable.h"
#include "PageTexts.h"

namespace basalt_host::serve {

struct ListingView {
    std::string folderPath;  // search path of the listed container
    std::string folderName;
    std::vector<std::pair<std::string, std::string>> ancestors;  // (title, search path), top first
    std::vector<ObjectRow> rows;                                 // this page
    int skip = 0;
    int pageSize = 25;
    bool more = false;  // a next page exists
    std::string filter;
};

// The children of a container, narrowed to names containing filter (apostrophes doubled as
// the filter language wants); no predicate when the filter is empty.
std::string childrenPath(const std::string& folderPath, const std::string& filter);

std::string listingHtml(const ListingView& view, const PageTexts& texts);

// The name an object is shown by (its search path when it has none).
std::string objectName(const ObjectRow& object);

// One object's properties as a table, with a link back to where it was listed from.
std::string propertiesHtml(const ObjectRow& object, const std::string& backPath,
                           const PageTexts& texts);

}  // namespace basalt_host::serve
