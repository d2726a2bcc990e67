#pragma once
// basalt-host serve: the web gateway as a command.

#include "HostOptions.h"
#include "Gateway.h"

namespace CLI {
class App;
}

namespace basalt_host::serve {

// Registers the command and its options on the host's command line.
CLI::App* addServeCommand(CLI::App& app, HostOptions& host, ServeOptions& options);

// Configures the namespaces, serves until SIGINT or SIGTERM, ends the sessions still signed
// on and terminates the provider; the exit status.
int runServe(const HostOptions& host, const ServeOptions& options);

}  // namespace basalt_host::serve
