#include "HttpMessage.h"

#include <algorithm>
#include <charconv>

#include "AsciiCase.h"
#include "Utf8.h"

namespace basalt_host::serve {
namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = asciiLower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::optional<std::string> formDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%') {
            if (i + 2 >= text.size()) {
                return std::nullopt;
            }
            int high = hexValue(text[i + 1]);
            int low = hexValue(text[i + 2]);
            if (high < 0 || low < 0) {
                return std::nullopt;
            }
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += c;
        }
    }
    // The fields go on to the provider in an XML document: a byte that is not UTF-8 or a
    // control character (NUL first of all, which would also cut the text short) would make the
    // whole document unreadable.
    if (invalidXmlCharacter(out) != std::string::npos) {
        return std::nullopt;
    }
    return out;
}

const NameValues::value_type* findPair(const NameValues& pairs, std::string_view name,
                                       bool anyCase) {
    for (const auto& pair : pairs) {
        if (anyCase ? headerNamesEqual(pair.first, name) : pair.first == name) {
            return &pair;
        }
    }
    return nullptr;
}

}  // namespace

bool headerNamesEqual(std::string_view a, std::string_view b) {
    return equalsIgnoringAsciiCase(a, b);
}

std::string HttpRequest::header(std::string_view name) const {
    const auto* found = findPair(headers, name, true);
    return found ? found->second : std::string();
}

std::size_t HttpRequest::headerCount(std::string_view name) const {
    return static_cast<std::size_t>(
        std::count_if(headers.begin(), headers.end(),
                      [&](const auto& h) { return headerNamesEqual(h.first, name); }));
}

std::string HttpRequest::param(std::string_view name) const {
    const auto* found = findPair(params, name, false);
    return found ? found->second : std::string();
}

bool HttpRequest::hasParam(std::string_view name) const {
    return findPair(params, name, false) != nullptr;
}

void HttpResponse::addHeader(std::string name, std::string value) {
    headers.emplace_back(std::move(name), std::move(value));
}

void HttpResponse::setHeader(std::string_view name, std::string value) {
    std::erase_if(headers, [&](const auto& h) { return headerNamesEqual(h.first, name); });
    headers.emplace_back(std::string(name), std::move(value));
}

bool HttpResponse::hasHeader(std::string_view name) const {
    return findPair(headers, name, true) != nullptr;
}

void HttpResponse::setContent(std::string content, std::string contentType) {
    body = std::move(content);
    setHeader("Content-Type", std::move(contentType));
}

std::optional<NameValues> parseFormText(std::string_view text) {
    NameValues pairs;
    while (!text.empty()) {
        std::size_t end = text.find('&');
        std::string_view item = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (item.empty()) {
            continue;
        }
        std::size_t equals = item.find('=');
        std::optional<std::string> name = formDecode(item.substr(0, equals));
        std::optional<std::string> value = formDecode(
            equals == std::string_view::npos ? std::string_view() : item.substr(equals + 1));
        if (!name || !value) {
            return std::nullopt;
        }
        pairs.emplace_back(std::move(*name), std::move(*value));
    }
    return pairs;
}

std::optional<int> parseCount(std::string_view text, int limit) {
    int value = 0;
    if (text.empty() || text.front() < '0' || text.front() > '9') {
        return std::nullopt;
    }
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value > limit) {
        return std::nullopt;
    }
    return value;
}

std::string_view statusReason(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 303:
            return "See Other";
        case 304:
            return "Not Modified";
        case 400:
            return "Bad Request";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 408:
            return "Request Timeout";
        case 413:
            return "Content Too Large";
        case 414:
            return "URI Too Long";
        case 429:
            return "Too Many Requests";
        case 431:
            return "Request Header Fields Too Large";
        case 500:
            return "Internal Server Error";
        case 501:
            return "Not Implemented";
        case 502:
            return "Bad Gateway";
        case 503:
            return "Service Unavailable";
        default:
            return "Unknown";
    }
}

}  // namespace basalt_host::serve
