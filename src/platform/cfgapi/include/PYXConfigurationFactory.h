#pragma once

#include "IPYXConfiguration.h"

// Hands out the process configuration.
class PYXConfigurationFactory {
public:
    // The one process-wide configuration; never null, lives until the process ends.
    // The home directory is looked up on every call of getLocation, so a change of the
    // environment (BASALT_HOME) is seen at once.
    static IPYXConfiguration* getInstance();
};
