#pragma once
// Cookies between the browser and the gateway: the Cookie header read into pairs, and the
// provider's set-cookie variables written as Set-Cookie headers.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace basalt_host::serve {

// One set-cookie variable of an authenticate response, as the provider wrote it.
struct SetCookieVar {
    std::string name;
    std::string value;
    std::string path;
    std::string maxAge;
    std::string domain;
    std::string secure;
};

// The pairs of a Cookie header in order; pairs without '=', with an empty name or that are not
// valid text (UTF-8 holding only characters XML allows) are dropped, and a value in double
// quotes loses them.
std::vector<std::pair<std::string, std::string>> parseCookieHeader(std::string_view header);

// The Set-Cookie header for a provider's variable: path, domain and Secure as it says; its
// maxAge follows the framework's convention (the provider issues a ticket with "0" and ends
// one with "-1"): "0" or empty is a cookie for the browser session, a negative age deletes the
// cookie, a positive one is its Max-Age in seconds. HttpOnly and SameSite=Lax are always
// added. Nothing when a field holds what a Set-Cookie header cannot carry safely (a separator,
// a control character, a blank in the value, a maxAge that is not a whole number), so a value
// can never add attributes of its own.
std::optional<std::string> setCookieHeader(const SetCookieVar& cookie);

// The gateway's session cookie: HttpOnly, SameSite=Lax, Path=/, Secure when asked; an empty
// value deletes it.
std::string sessionCookieHeader(std::string_view name, std::string_view value, bool secure);

}  // namespace basalt_host::serve
