#pragma once
// Authenticate documents as the framework writes them: an action, the browser's form fields,
// cookies and web-server environment in the bus header, and the visa of an earlier sign-on.

#include <string>
#include <utility>
#include <vector>

namespace basalt_host {

// (name, value) pairs of one bus-header array, in order.
using NameValues = std::vector<std::pair<std::string, std::string>>;

struct AuthenticateRequest {
    std::string action;  // "logon", "logonAs", "logoff", ...
    NameValues formFields;
    NameValues cookies;
    NameValues environment;
    // The header's security blob: the environment document answering the provider's request
    // (EnvironmentDocuments.h); empty when none.
    std::string securityBlob;
    std::string visa;  // a visa document, or empty
    std::string productLocale = "en-us";
    std::string contentLocale = "en-us";
    // The additional-information document; empty: one made from the two locales.
    std::string additionalInfo;
};

std::string authenticateDocument(const AuthenticateRequest& request);

}  // namespace basalt_host
