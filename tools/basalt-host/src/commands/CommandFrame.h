#pragma once
// The frame every command of basalt-host runs in, and the exit statuses it gives.

#include <functional>
#include <string>
#include <vector>

namespace basalt_host {

// Exit statuses.
enum ExitStatus {
    kExitSuccess = 0,
    kExitProviderFailure = 1,  // an entry returned a negative result code
    kExitHostFailure = 2       // bad command line, unreadable file, unusable library or response
};

class HostSession;
struct HostOptions;

// Initialises the provider and configures every namespace, then work(session, the configure
// responses) gives the exit status; the provider is terminated at the end, and a failed
// termination turns success into a provider failure.
int runConfigured(const HostOptions& options,
                  const std::function<int(HostSession&, const std::vector<std::string>&)>& work);

// The same frame for a command that does not look at the configure responses.
int runConfiguredCommand(const HostOptions& options, const std::function<int(HostSession&)>& work);

}  // namespace basalt_host
