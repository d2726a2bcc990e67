#include "ObjectTable.h"

#include <algorithm>

#include "ResponsePrinter.h"

namespace basalt_host {
namespace {

std::string stripPrefix(const std::string& qualified) {
    const std::size_t colon = qualified.find(':');
    return colon == std::string::npos ? qualified : qualified.substr(colon + 1);
}

// Columns line up by characters, not bytes, so names with accents keep the table straight.
std::size_t displayWidth(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

}  // namespace

std::string ObjectRow::value(const std::string& name) const {
    for (const auto& [property, text] : properties) {
        if (property == name) {
            return text;
        }
    }
    return {};
}

std::vector<ObjectRow> responseRows(const XmlElement& queryResponse) {
    std::vector<ObjectRow> rows;
    const XmlElement* result = queryResponse.find("queryResult");
    if (result == nullptr) {
        return rows;
    }
    for (const XmlElement* item : result->childrenNamed("item")) {
        ObjectRow row;
        row.objectClass = stripPrefix(item->attribute("type").value_or("object"));
        row.searchPath = item->attribute("searchPath").value_or("");
        for (const auto& property : item->children) {
            if (property->localName != "schemaInfo") {
                row.properties.emplace_back(property->localName, describeProperty(*property));
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string formatTable(const std::vector<ObjectRow>& rows, std::vector<std::string> columns) {
    if (columns.empty()) {
        for (const ObjectRow& row : rows) {
            for (const auto& [name, text] : row.properties) {
                if (std::find(columns.begin(), columns.end(), name) == columns.end()) {
                    columns.push_back(name);
                }
            }
        }
    }
    std::vector<std::vector<std::string>> cells;
    cells.push_back({"class"});
    cells.back().insert(cells.back().end(), columns.begin(), columns.end());
    for (const ObjectRow& row : rows) {
        std::vector<std::string> line = {row.objectClass};
        for (const std::string& column : columns) {
            line.push_back(column == "searchPath" && row.value(column).empty() ? row.searchPath
                                                                               : row.value(column));
        }
        cells.push_back(std::move(line));
    }
    std::vector<std::size_t> widths(columns.size() + 1, 0);
    for (const auto& line : cells) {
        for (std::size_t i = 0; i < line.size(); ++i) {
            widths[i] = std::max(widths[i], displayWidth(line[i]));
        }
    }
    std::string out;
    for (const auto& line : cells) {
        std::string text;
        for (std::size_t i = 0; i < line.size(); ++i) {
            text += line[i];
            if (i + 1 < line.size()) {
                text.append(widths[i] - displayWidth(line[i]) + 2, ' ');
            }
        }
        out += text + '\n';
    }
    return out;
}

}  // namespace basalt_host
