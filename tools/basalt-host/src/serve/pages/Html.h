#pragma once
// The few HTML pieces the gateway writes. Every text that did not come from the gateway's own
// source goes through htmlEscape (element content and attribute values alike), so nothing a
// directory or a request holds can become markup.

#include <string>
#include <string_view>

namespace basalt_host::serve {

// Escapes & < > " ' so the text is safe in element content and in quoted attribute values.
std::string htmlEscape(std::string_view text);

// Percent-encodes everything but unreserved characters (RFC 3986), for query-string values.
std::string urlEncode(std::string_view text);

// A whole page: doctype, language, title, the shared style sheet and the body given (already
// HTML). lang is a language tag of the gateway's own choosing.
std::string htmlPage(std::string_view lang, std::string_view title, std::string_view body);

// The style sheet htmlPage links to (served at /style.css: the page carries no inline style).
const char* styleSheet();

}  // namespace basalt_host::serve
