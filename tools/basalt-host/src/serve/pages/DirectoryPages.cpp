#include "DirectoryPages.h"

#include "DirectoryLabels.h"
#include "Html.h"

namespace basalt_host::serve {
namespace {

std::string nameOf(const ObjectRow& row) {
    std::string name = row.value("defaultName");
    return name.empty() ? row.searchPath : name;
}

std::string pathOf(const ObjectRow& row) {
    std::string path = row.value("searchPath");
    return path.empty() ? row.searchPath : path;
}

bool isContainer(const ObjectRow& row) {
    return row.objectClass == "namespace" || row.objectClass == "namespaceFolder" ||
           row.objectClass == "role";
}

std::string browseLink(const std::string& folder, int skip, const std::string& filter) {
    std::string link = "/browse?folder=" + urlEncode(folder);
    if (skip > 0) {
        link += "&skip=" + std::to_string(skip);
    }
    if (!filter.empty()) {
        link += "&filter=" + urlEncode(filter);
    }
    return link;
}

std::string objectLink(const std::string& path, const std::string& from) {
    return "/object?path=" + urlEncode(path) + "&from=" + urlEncode(from);
}

}  // namespace

std::string childrenPath(const std::string& folderPath, const std::string& filter) {
    std::string path = folderPath + "/*";
    if (!filter.empty()) {
        std::string quoted;
        for (char c : filter) {
            quoted += c == '\'' ? std::string("''") : std::string(1, c);
        }
        path += "[contains(@defaultName, '" + quoted + "')]";
    }
    return path;
}

std::string listingHtml(const ListingView& view, const PageTexts& texts) {
    std::string html = "<nav class=\"crumbs\">";
    for (const auto& [title, path] : view.ancestors) {
        html += "<a href=\"" + htmlEscape(browseLink(path, 0, "")) + "\">" + htmlEscape(title) +
                "</a> / ";
    }
    html += "<span aria-current=\"page\">" + htmlEscape(view.folderName) + "</span></nav><h1>" +
            htmlEscape(view.folderName) + "</h1>";

    html +=
        "<form class=\"filter\" method=\"get\" action=\"/browse\"><input type=\"hidden\" "
        "name=\"folder\" value=\"" +
        htmlEscape(view.folderPath) + "\"><label for=\"filter\">" + htmlEscape(texts.filter) +
        "</label> <input type=\"text\" id=\"filter\" " + "name=\"filter\" value=\"" +
        htmlEscape(view.filter) + "\"> <button type=\"submit\">" + htmlEscape(texts.apply) +
        "</button></form>";

    if (view.rows.empty()) {
        html += "<p class=\"notice\">" + htmlEscape(texts.noObjects) + "</p>";
    } else {
        html += "<table class=\"objects\"><thead><tr><th>" + htmlEscape(texts.name) + "</th><th>" +
                htmlEscape(texts.kind) + "</th><th>" + htmlEscape(texts.properties) +
                "</th></tr></thead><tbody>";
        for (const ObjectRow& row : view.rows) {
            const std::string path = pathOf(row);
            const std::string target =
                isContainer(row) ? browseLink(path, 0, "") : objectLink(path, view.folderPath);
            html += "<tr><td><a href=\"" + htmlEscape(target) + "\">" + htmlEscape(nameOf(row)) +
                    "</a></td><td>" + htmlEscape(kindLabel(row.objectClass, texts.lang)) +
                    "</td><td><a href=\"" + htmlEscape(objectLink(path, view.folderPath)) + "\">" +
                    htmlEscape(texts.properties) + "</a></td></tr>";
        }
        html += "</tbody></table>";
    }

    html += "<nav class=\"paging\">";
    if (view.skip > 0) {
        int previous = view.skip > view.pageSize ? view.skip - view.pageSize : 0;
        html += "<a rel=\"prev\" href=\"" +
                htmlEscape(browseLink(view.folderPath, previous, view.filter)) + "\">" +
                htmlEscape(texts.previousPage) + "</a>";
    }
    if (!view.rows.empty()) {
        html += "<span class=\"range\">" + htmlEscape(texts.objectsShown) + " " +
                std::to_string(view.skip + 1) + "&ndash;" +
                std::to_string(view.skip + static_cast<int>(view.rows.size())) + "</span>";
    }
    if (view.more) {
        html += "<a rel=\"next\" href=\"" +
                htmlEscape(browseLink(view.folderPath, view.skip + view.pageSize, view.filter)) +
                "\">" + htmlEscape(texts.nextPage) + "</a>";
    }
    return html + "</nav>";
}

std::string objectName(const ObjectRow& object) {
    return nameOf(object);
}

std::string propertiesHtml(const ObjectRow& object, const std::string& backPath,
                           const PageTexts& texts) {
    std::string html;
    if (!backPath.empty()) {
        html += "<nav class=\"crumbs\"><a href=\"" + htmlEscape(browseLink(backPath, 0, "")) +
                "\">" + htmlEscape(texts.up) + "</a> / <span aria-current=\"page\">" +
                htmlEscape(nameOf(object)) + "</span></nav>";
    }
    html += "<h1>" + htmlEscape(nameOf(object)) +
            "</h1><table class=\"properties\"><thead><tr><th>" + htmlEscape(texts.property) +
            "</th><th>" + htmlEscape(texts.value) + "</th></tr></thead><tbody>";
    for (const auto& [name, value] : object.properties) {
        const std::string shown = name == "objectClass" ? kindLabel(value, texts.lang) : value;
        html += "<tr><th scope=\"row\">" + htmlEscape(propertyLabel(name, texts.lang)) +
                "</th><td>" + htmlEscape(shown) + "</td></tr>";
    }
    return html + "</tbody></table>";
}

}  // namespace basalt_host::serve
