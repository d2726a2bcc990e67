#include "HttpCookies.h"

#include "AsciiCase.h"
#include "HttpText.h"
#include "Utf8.h"

#include <cctype>

namespace basalt_host::serve {
namespace {

// A cookie name: an HTTP token.
bool isToken(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (unsigned char c : text) {
        if (c <= 0x20 || c >= 0x7F ||
            std::string_view("()<>@,;:\\\"/[]?={}").find(c) != std::string_view::npos) {
            return false;
        }
    }
    return true;
}

// A cookie value: printable ASCII without blanks, quotes, commas, semicolons or backslashes.
bool isCookieValue(std::string_view text) {
    for (unsigned char c : text) {
        if (c <= 0x20 || c >= 0x7F || c == '"' || c == ',' || c == ';' || c == '\\') {
            return false;
        }
    }
    return true;
}

// An attribute value (path, domain): printable ASCII without ';'.
bool isAttributeValue(std::string_view text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c >= 0x7F || c == ';') {
            return false;
        }
    }
    return true;
}

const char* kExpired = "; Max-Age=0; Expires=Thu, 01 Jan 1970 00:00:00 GMT";

}  // namespace

std::vector<std::pair<std::string, std::string>> parseCookieHeader(std::string_view header) {
    std::vector<std::pair<std::string, std::string>> cookies;
    while (!header.empty()) {
        std::size_t semicolon = header.find(';');
        std::string_view pair = trimmedWhiteSpace(header.substr(0, semicolon));
        header =
            semicolon == std::string_view::npos ? std::string_view() : header.substr(semicolon + 1);
        std::size_t equals = pair.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        std::string_view name = trimmedWhiteSpace(pair.substr(0, equals));
        std::string_view value = trimmedWhiteSpace(pair.substr(equals + 1));
        // Passed on to the provider in an XML document: one that is not text is dropped
        // rather than make the document unreadable.
        if (name.empty() || invalidXmlCharacter(pair) != std::string_view::npos) {
            continue;
        }
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        cookies.emplace_back(std::string(name), std::string(value));
    }
    return cookies;
}

std::optional<std::string> setCookieHeader(const SetCookieVar& cookie) {
    if (!isToken(cookie.name) || !isCookieValue(cookie.value) || !isAttributeValue(cookie.path) ||
        !isAttributeValue(cookie.domain)) {
        return std::nullopt;
    }
    std::string_view age = trimmedWhiteSpace(cookie.maxAge);
    bool negative = !age.empty() && age.front() == '-';
    std::string_view digits = negative ? age.substr(1) : age;
    for (char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
    }
    if ((negative && digits.empty()) || digits.size() > 10) {
        return std::nullopt;
    }
    std::string header = cookie.name + "=" + cookie.value;
    if (!cookie.path.empty()) {
        header += "; Path=" + cookie.path;
    }
    if (!cookie.domain.empty()) {
        header += "; Domain=" + cookie.domain;
    }
    if (negative) {
        header += kExpired;
    } else if (!digits.empty() && digits.find_first_not_of('0') != std::string_view::npos) {
        header += "; Max-Age=" + std::string(digits.substr(digits.find_first_not_of('0')));
    }
    if (equalsIgnoringAsciiCase(trimmedWhiteSpace(cookie.secure), "true")) {
        header += "; Secure";
    }
    header += "; HttpOnly; SameSite=Lax";
    return header;
}

std::string sessionCookieHeader(std::string_view name, std::string_view value, bool secure) {
    std::string header = std::string(name) + "=" + std::string(value) + "; Path=/";
    if (value.empty()) {
        header += kExpired;
    }
    if (secure) {
        header += "; Secure";
    }
    header += "; HttpOnly; SameSite=Lax";
    return header;
}

}  // namespace basalt_host::serve
