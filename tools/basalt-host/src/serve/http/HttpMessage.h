#pragma once
// One HTTP request as the gateway's pages see it, and the answer they build. The network layer
// (HttpServer) reads and writes them; nothing here knows about sockets.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace basalt_host::serve {

using NameValues = std::vector<std::pair<std::string, std::string>>;

struct HttpRequest {
    std::string method;
    std::string path;    // the target up to '?', as sent
    std::string query;   // after '?', still encoded
    NameValues headers;  // in the order sent, names as sent
    NameValues params;   // the query's pairs (GET) or the form's (POST), decoded, in order
    std::string body;
    std::string clientAddress;

    // The first value of the header (names compared without case); empty when absent.
    std::string header(std::string_view name) const;
    std::size_t headerCount(std::string_view name) const;
    // The first value of the parameter; empty when absent.
    std::string param(std::string_view name) const;
    bool hasParam(std::string_view name) const;
};

struct HttpResponse {
    int status = 200;
    NameValues headers;  // Set-Cookie may come more than once
    std::string body;

    void addHeader(std::string name, std::string value);
    // Replaces every header of that name.
    void setHeader(std::string_view name, std::string value);
    bool hasHeader(std::string_view name) const;
    void setContent(std::string content, std::string contentType);
};

bool headerNamesEqual(std::string_view a, std::string_view b);

// The pairs of an application/x-www-form-urlencoded text ('+' is a space); nothing when an
// escape is malformed or a name or value does not decode to valid text (UTF-8 holding only
// characters XML allows).
std::optional<NameValues> parseFormText(std::string_view text);

// A whole non-negative decimal number no greater than limit; nothing for anything else (a sign,
// a blank, trailing text, an overflow), so a number never wraps into another one.
std::optional<int> parseCount(std::string_view text, int limit);

// The reason phrase for a status the gateway sends.
std::string_view statusReason(int status);

}  // namespace basalt_host::serve
