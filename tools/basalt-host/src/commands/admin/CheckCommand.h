#pragma once
// basalt-host check: tries each namespace configuration step by step and says which step fails
// and what to change.

#include "HostOptions.h"

namespace basalt_host {

// Exit status: success when every step of every configuration passes, provider failure when a
// step fails (the failing step and what to change are printed).
int commandCheck(const HostOptions& options);

}  // namespace basalt_host
