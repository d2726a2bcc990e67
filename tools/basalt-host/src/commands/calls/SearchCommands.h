#pragma once
// search by path and browse: queries the host builds itself, answers shown as a table (or the
// raw XML with --raw).

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "HostOptions.h"
#include "HostSession.h"

namespace basalt_host {

struct SearchOptions {
    std::string path;                     // a search path: the query is built from the options
    std::vector<std::string> properties;  // default: objectClass, defaultName, searchPath
    std::vector<std::string> filters;     // predicates, each appended as [ ... ]
    int skip = 0;
    int max = 0;
    int pageSize = 25;  // browse
    int depth = 8;      // browse
};

// The options of search that build the query instead of reading a document.
void addSearchPathOptions(CLI::App& search, SearchOptions& options);
// The browse command.
CLI::App* addBrowseCommand(CLI::App& app, HostOptions& host, SearchOptions& options);

// One query built from the options, its answer printed as a table; the exit status.
int searchByPath(HostSession& session, const HostOptions& host, const SearchOptions& options,
                 const std::string& visa);
// Walks the directory from the namespace root, each listing page by page; the exit status.
int browse(HostSession& session, const HostOptions& host, const SearchOptions& options,
           const std::string& visa, const std::string& namespaceId);

}  // namespace basalt_host
