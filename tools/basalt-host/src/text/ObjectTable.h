#pragma once
// A query response as a table: one row per object, a column per property.

#include <string>
#include <vector>

#include "XmlTree.h"

namespace basalt_host {

struct ObjectRow {
    std::string objectClass;  // "account", "namespaceFolder", ...
    std::string searchPath;   // as the response carries it
    std::vector<std::pair<std::string, std::string>> properties;  // (name, value text)

    // The value of a property, empty when the object does not carry it.
    std::string value(const std::string& name) const;
};

// The objects of a query response, in order.
std::vector<ObjectRow> responseRows(const XmlElement& queryResponse);

// The rows as aligned text columns: "class", then the named properties (all the rows carry,
// in first-seen order, when columns is empty).
std::string formatTable(const std::vector<ObjectRow>& rows, std::vector<std::string> columns);

}  // namespace basalt_host
