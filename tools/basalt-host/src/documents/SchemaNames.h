#pragma once
// The schema's names as plain narrow literals (basalt_host::names::kBusNamespaceURI, ...), taken
// from the one list the object model also expands, so host and provider never disagree on a URI.

namespace basalt_host::names {
#define VOR_AAA_CONST(identifier, literal) inline constexpr const char* identifier = literal;
#include "VOR_AAA_ConstNames.def"
#undef VOR_AAA_CONST
}  // namespace basalt_host::names
