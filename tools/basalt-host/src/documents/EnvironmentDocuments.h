#pragma once
// The trusted web environment as the framework carries it. The provider does not take the
// user from the header's REMOTE_USER: it answers with a system-recoverable exception whose
// security blob is an environment request (Base64 of "Type=1 , NAME , NAME"), and the framework
// sends the request again with an environment document in the header's security blob
// (Base64 of "Type=1 , NAME=value , NAME=value"), which is where the identity comes from.

#include <optional>
#include <string>
#include <vector>

#include "AuthenticateDocuments.h"

namespace basalt_host {

// The variable names an environment request asks for, in its order; nullopt when the text is
// not an environment request.
std::optional<std::vector<std::string>> requestedVariables(const std::string& request);

// The environment document holding these values ("=" and "," in a value escaped).
std::string environmentDocument(const NameValues& values);

// The environment document that answers the request from the values the host knows; nullopt
// when the request cannot be read, names nothing, or names a variable without a value here.
std::optional<std::string> answerEnvironmentRequest(const std::string& request,
                                                    const NameValues& known);

}  // namespace basalt_host
