#include "SearchCommands.h"

#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>

#include "CommandFrame.h"
#include "CommandLine.h"
#include "HostError.h"
#include "ObjectTable.h"
#include "QueryDocuments.h"
#include "ResponsePrinter.h"
#include "XmlTree.h"

namespace basalt_host {
namespace {

const std::vector<std::string> kDefaultProperties = {"objectClass", "defaultName", "searchPath"};

std::ostream& statusStream(const HostOptions& host) {
    return host.raw ? std::cerr : std::cout;
}

// One query; the response's objects, or nothing when the provider refused (reported).
std::optional<std::vector<ObjectRow>> runQuery(HostSession& session, const HostOptions& host,
                                               const QuerySpec& query, const std::string& visa) {
    CallOutcome outcome = session.library().searchXml(visa, queryDocument(query));
    if (!session.accepted("BasaltSearchXml for " + query.searchPath, outcome)) {
        return std::nullopt;
    }
    const std::string& response = HostSession::responseOf("BasaltSearchXml", outcome);
    if (host.raw) {
        std::cout << response << '\n';
    }
    std::unique_ptr<XmlElement> root;
    try {
        root = parseXml(response, "search response");
    } catch (const HostError& error) {
        throw HostError(std::string(error.what()) + "; as returned:\n" + response);
    }
    return responseRows(*root);
}

QuerySpec specFor(const HostOptions& host, const std::string& path,
                  const std::vector<std::string>& properties, int skip, int max) {
    QuerySpec query;
    query.searchPath = path;
    query.properties = properties;
    query.skip = skip;
    query.max = max;
    query.productLocale = host.productLocale;
    query.contentLocale = host.contentLocale;
    return query;
}

struct BrowseState {
    HostSession& session;
    const HostOptions& host;
    const SearchOptions& options;
    const std::string& visa;
    int objects = 0;
    int pages = 0;
};

std::string displayName(const ObjectRow& row) {
    std::string name = row.value("defaultName");
    return name.empty() ? row.searchPath : name;
}

// The children of path, every page of them, each printed one level deeper; folders and roles
// are walked in turn. False when a query was refused.
bool walk(BrowseState& state, const std::string& path, int indent, int depthLeft) {
    std::vector<ObjectRow> children;
    for (int skip = 0;; skip += state.options.pageSize) {
        auto page = runQuery(
            state.session, state.host,
            specFor(state.host, path + "/*", kDefaultProperties, skip, state.options.pageSize),
            state.visa);
        if (!page) {
            return false;
        }
        ++state.pages;
        children.insert(children.end(), page->begin(), page->end());
        if (static_cast<int>(page->size()) < state.options.pageSize) {
            break;
        }
    }
    for (const ObjectRow& child : children) {
        ++state.objects;
        if (!state.host.raw) {
            std::cout << std::string(static_cast<std::size_t>(indent) * 2, ' ')
                      << displayName(child) << "  (" << child.objectClass << ")\n";
        }
        const bool container =
            child.objectClass == "namespaceFolder" || child.objectClass == "role";
        std::string childPath = child.value("searchPath");
        if (childPath.empty()) {
            childPath = child.searchPath;
        }
        if (container && depthLeft > 1 && !walk(state, childPath, indent + 1, depthLeft - 1)) {
            return false;
        }
    }
    return true;
}

}  // namespace

void addSearchPathOptions(CLI::App& search, SearchOptions& options) {
    search.add_option("--path", options.path,
                      "build the query: a search path such as \"VORID('ns')/*\" (a query "
                      "document file is then not given)");
    search.add_option("-p,--property", options.properties,
                      "a property to ask for (repeat; default: objectClass, defaultName, "
                      "searchPath; * for all)");
    search.add_option("-f,--filter", options.filters,
                      "a predicate appended to the path in [ ], e.g. \"starts-with(@name, 'A')\" "
                      "(repeat: all must hold)");
    search.add_option("--skip", options.skip, "objects to skip (paging)");
    search.add_option("--max", options.max, "objects at most (paging; 0: all)");
}

CLI::App* addBrowseCommand(CLI::App& app, HostOptions& host, SearchOptions& options) {
    CLI::App* browse = addCommand(
        app, "browse",
        "configure, then walk the directory tree from the namespace root, each listing page by "
        "page, and print it indented",
        host);
    browse
        ->add_option("--visa", host.visaFile,
                     "file holding the visa, or an authenticate response that holds one")
        ->required();
    browse->add_option("--page-size", options.pageSize, "objects per page")
        ->check(CLI::Range(1, 100000))
        ->default_str(std::to_string(options.pageSize));
    browse->add_option("--depth", options.depth, "levels below the namespace root")
        ->check(CLI::Range(1, 64))
        ->default_str(std::to_string(options.depth));
    browse->add_option("-n,--namespace", host.namespaceId,
                       "the namespace identifier (default: the \"id\" of the first "
                       "configuration)");
    return browse;
}

int searchByPath(HostSession& session, const HostOptions& host, const SearchOptions& options,
                 const std::string& visa) {
    const std::vector<std::string>& properties =
        options.properties.empty() ? kDefaultProperties : options.properties;
    auto rows = runQuery(session, host,
                         specFor(host, withFilters(options.path, options.filters), properties,
                                 options.skip, options.max),
                         visa);
    if (!rows) {
        return kExitProviderFailure;
    }
    if (!host.raw) {
        const bool all = std::find(properties.begin(), properties.end(), "*") != properties.end();
        std::cout << formatTable(*rows, all ? std::vector<std::string>() : properties);
    }
    statusStream(host) << rows->size() << (rows->size() == 1 ? " object" : " objects") << '\n';
    return kExitSuccess;
}

int browse(HostSession& session, const HostOptions& host, const SearchOptions& options,
           const std::string& visa, const std::string& namespaceId) {
    BrowseState state{session, host, options, visa};
    if (!host.raw) {
        std::cout << namespaceId << "  (namespace)\n";
    }
    std::string root = "VORID(\"";
    for (char c : namespaceId) {
        root += c == '"' ? std::string("&quot;") : std::string(1, c);
    }
    root += "\")";
    if (!walk(state, root, 1, options.depth)) {
        return kExitProviderFailure;
    }
    statusStream(host) << state.objects << " objects in " << state.pages
                       << (state.pages == 1 ? " page" : " pages") << '\n';
    return kExitSuccess;
}

}  // namespace basalt_host
