#pragma once
// The documents the host writes itself (additional information, set-namespace-version) and the
// little it reads from a namespace configuration.

#include <optional>
#include <string>
#include <vector>

namespace basalt_host {

// The additional-information text that accompanies every lifecycle call.
std::string additionalInfoDocument(const std::string& productLocale,
                                   const std::string& contentLocale);

// The set-namespace-version text for one namespace.
std::string setNamespaceVersionDocument(const std::string& namespaceId,
                                        const std::string& versionUri);

// The double-quote VORID form of an identifier, as a search path names the object:
// VORID("...") with a quote inside the body written &quot; (before any XML escaping).
std::string voridPath(const std::string& identifier);

// A visa that names only the namespace: with it the provider answers at namespace level,
// without a signed-on user.
std::string namespaceVisaDocument(const std::string& namespaceId);

// A query document (envelope, bus header with the additional information, query) for the
// namespace object itself with every property a namespace object carries.
std::string namespaceQueryDocument(const std::string& namespaceId, const std::string& productLocale,
                                   const std::string& contentLocale);

// Maps "1", "2", "3" to the namespace-format URIs; one of those three URIs is taken as it
// stands. Throws HostError for anything else.
std::string namespaceFormatUri(const std::string& version);

// The placeholders ("@RIDGE_HOST@": '@', capitals, digits or '_', '@') left in a configuration
// text outside its comments, each once, in order of appearance.
std::vector<std::string> unfilledPlaceholders(const std::string& text);

// The value of the configuration's "id" parameter (the last one wins, as in the provider), or
// nothing when the text is not readable or has no such parameter.
std::optional<std::string> configurationId(const std::string& configuration);
// The same for any parameter by name.
std::optional<std::string> configurationParameter(const std::string& configuration,
                                                  const std::string& name);

}  // namespace basalt_host
