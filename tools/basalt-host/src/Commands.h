#pragma once
// The command line of basalt-host and what each command does.

namespace basalt_host {

// Exit statuses.
enum ExitStatus {
    kExitSuccess = 0,
    kExitProviderFailure = 1,  // an entry returned a negative result code
    kExitHostFailure = 2       // bad command line, unreadable file, unusable library or response
};

int runHost(int argc, char** argv);

}  // namespace basalt_host
