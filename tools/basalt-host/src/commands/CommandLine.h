#pragma once
// The options every basalt-host command takes. Each command gets its own copy of them, so that
// `basalt-host <command> --help` lists all it accepts; the program itself takes the same ones
// (but --config) before the command name, as older command lines put them.

#include <CLI/CLI.hpp>
#include <string>

#include "HostOptions.h"

namespace basalt_host {

// --library, --locale, --content-locale and --raw on `app`, bound to options.
void addGeneralOptions(CLI::App& app, HostOptions& options);

// A command with the general options and a required, repeatable --config.
CLI::App* addCommand(CLI::App& app, const std::string& name, const std::string& description,
                     HostOptions& options);

}  // namespace basalt_host
