#pragma once

#include "I18NString.h"

// The process configuration. Locations are file-system paths of the platform's home directory
// and of things below it.
class IPYXConfiguration {
public:
    virtual ~IPYXConfiguration() = default;

    // The location of a name: "." is the home directory itself; another relative name is
    // resolved below it ("keys" -> <home>/keys, "a/../b" -> <home>/b); an absolute name is
    // returned as it is, normalised. The result has no trailing '/'. Never throws except for
    // out of memory.
    virtual I18NString getLocation(const I18NString& name) const = 0;
};
