#pragma once
// What the gateway checks of a request's own text before it acts on it: the name the browser
// asked for in the Host header, and a page to return to after sign-on.

#include <string>
#include <string_view>
#include <vector>

#include "HttpMessage.h"

namespace basalt_host::serve {

// Whether the request names this server: one Host header, a name and perhaps a port, whose
// name (IPv6 brackets off) is the listen address, one of publicNames, "localhost" on a
// loopback address, or, on a wildcard address, an address literal; a page elsewhere cannot
// reach the gateway by pointing its own name at it.
bool hostAccepted(const HttpRequest& http, const std::string& listenAddress,
                  const std::vector<std::string>& publicNames);

// A page of this gateway to return to after sign-on: a path on this site, never another site
// ("//host", "/\\host" and schemes are refused) nor anything a header could be split with.
bool isLocalTarget(std::string_view target);

}  // namespace basalt_host::serve
