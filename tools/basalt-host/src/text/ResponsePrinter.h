#pragma once
// Readable renderings of the provider's response documents: one "name: value" line per fact,
// nested lines indented by two spaces.

#include <cstdint>
#include <string>

#include "XmlTree.h"

namespace basalt_host {

// A query response (the configure answer, a search answer): each object with its properties.
std::string describeQueryResponse(const XmlElement& queryResponse);

// The value of one property element of a response object, on one line (arrays joined).
std::string describeProperty(const XmlElement& property);

// An exception document: severity, code, messages by nesting level, captions and prompts.
std::string describeException(const XmlElement& exception);

// An authenticate response: the visa or the exception, credential values, cookies, form fields.
std::string describeAuthResponse(const XmlElement& authResponse);

}  // namespace basalt_host
