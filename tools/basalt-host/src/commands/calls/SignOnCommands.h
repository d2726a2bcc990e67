#pragma once
// The sign-on commands of basalt-host: logon (user name and password, a ticket of an earlier
// run, or REMOTE_USER; an expired password is changed when the provider prompts for it),
// logoff and generate-tc with the visa a logon wrote.

#include <optional>
#include <string>

#include "HostOptions.h"

namespace CLI {
class App;
}

namespace basalt_host {

struct SignOnOptions {
    std::string namespaceId;
    std::string user;
    std::string password;
    bool passwordGiven = false;
    std::string newPassword;
    std::string ticket;
    std::string ticketFile;
    std::string ticketOut;
    std::string remoteUser;
    std::string role;
    std::string visaOut;
    std::string visaFile;
};

struct SignOnCommands {
    CLI::App* logon = nullptr;
    CLI::App* logoff = nullptr;
    CLI::App* generateTC = nullptr;
};

// Registers the commands on the host's command line, their options going to signOn.
SignOnCommands addSignOnCommands(CLI::App& app, HostOptions& options, SignOnOptions& signOn);

// Runs the sign-on command that was parsed (its exit status); nothing when none was.
std::optional<int> runSignOnCommand(const SignOnCommands& commands, const HostOptions& options,
                                    const SignOnOptions& signOn);

}  // namespace basalt_host
