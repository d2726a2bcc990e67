#pragma once
// The command line of basalt-host and what each command does.

#include <functional>

namespace basalt_host {

// Exit statuses.
enum ExitStatus {
    kExitSuccess = 0,
    kExitProviderFailure = 1,  // an entry returned a negative result code
    kExitHostFailure = 2       // bad command line, unreadable file, unusable library or response
};

int runHost(int argc, char** argv);

class HostSession;
struct HostOptions;
// The frame of every command: initialise, configure every namespace, work(session) gives the
// exit status, terminate (a failed termination turns success into a provider failure).
int runConfiguredCommand(const HostOptions& options, const std::function<int(HostSession&)>& work);

}  // namespace basalt_host
