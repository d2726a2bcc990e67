// The platform home directory: message catalogues, language table, access-library messages and
// configuration, keys. Everything that needs it calls PYXHomeDirectory().
//
// Resolution, first match wins:
//   1. the BASALT_HOME environment variable, when set and not empty (taken as it is);
//   2. the installation's share folder next to the module that holds this code:
//      <module dir>/../share/basalt/home, when that directory exists;
//   3. data/home of the source tree this was built from.
// The result is computed on every call (so tests can set BASALT_HOME) and has no trailing '/'.
#pragma once

#include <string>

std::string PYXHomeDirectory();
// <home>/messages
std::string PYXMessagesDirectory();
