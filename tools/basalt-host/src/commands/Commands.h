#pragma once
// The command line of basalt-host and what each command does; the frame every command runs in
// is CommandFrame.h.

#include "CommandFrame.h"

namespace basalt_host {

int runHost(int argc, char** argv);

}  // namespace basalt_host
