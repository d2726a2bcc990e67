#pragma once
// basalt-host cache list | forget USER | purge: the administrator's view of the offline sign-on
// cache of the provider's home (access.conf offline_days), through the access library the
// provider loaded.

#include <string>

namespace CLI {
class App;
}

namespace basalt_host {

struct HostOptions;

struct CacheOptions {
    std::string action;  // list, forget or purge
    std::string user;    // forget: the sign-on name
};

CLI::App* addCacheCommand(CLI::App& app, HostOptions& options, CacheOptions& cache);
// Exit status: success, provider failure when the library refused (the cache is off), host
// failure when the library does not offer the calls.
int commandCache(const HostOptions& options, const CacheOptions& cache);

}  // namespace basalt_host
