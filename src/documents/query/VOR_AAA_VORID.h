// VOR_AAA_VORID: the directory object identifier carried by search paths and by the
// "searchPath" property, and the escaping of its delimiters inside XML text.
//
// Shape: <namespace id><marker>authid=<decimal id>, marker ":u:" account, ":f:" namespace folder,
// ":r:" role, ":" anything else; the namespace object is the namespace id alone. In a searchPath
// value it is wrapped as VORID("...") (or, in requests, VORID('...')).
//
// Usage:
//   std::string id = VOR_AAA_VORID::Compose("ns", VOR_AAA_VORID::eAccount, 12); // ns:u:authid=12
//   out << VOR_AAA_VORID::Wrap(id);                                  // VORID("ns:u:authid=12")
//   auto decoded = VOR_AAA_VORID::Decode(text, probe);  // probe: resolves unmarked ids, or {}
//   VOR_AAA_VORID::Resolve(pathText, text, "ns", probe); // Decode + the provider's checks
//   writer: EscapeDelimiters(path) before XML escaping; reader: UnescapeDelimiters(text).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace VOR_AAA_VORID {

inline constexpr std::string_view kOpenerDouble = "VORID(\"";
inline constexpr std::string_view kCloserDouble = "\")";
inline constexpr std::string_view kOpenerSingle = "VORID('";
inline constexpr std::string_view kCloserSingle = "')";
inline constexpr size_t kOpenerLength = 7;
inline constexpr size_t kCloserLength = 2;

// Object kinds of a decoded identifier (0 when it cannot be told).
enum ObjectKind {
    eUnknown = 0,
    eNamespace = 1,
    eNamespaceFolder = 2,
    eAccount = 3,
    eRole = 5,
};

// Finds the kind of an identifier that carries no marker by asking the directory. Called with
// eAccount, then eNamespaceFolder, then eRole; returns true when an object of that kind has the
// number. An empty probe stands for a session that is not authenticated (no lookup is made).
using DirectoryProbe = std::function<bool(ObjectKind kind, uint32_t number)>;

struct Decoded {
    std::string namespacePart;  // text before the first ":"
    std::string objectPart;     // the numeric identifier text once "authid" was found
    ObjectKind kind = eUnknown;
    uint32_t number = 0;  // objectPart as a number when the kind came from a probe or marker
};

// Splits an identifier (bare, or wrapped in VORID("...")) into its parts.
Decoded Decode(const std::string& identifier, const DirectoryProbe& probe = {});

// Decode plus the checks every query makes: the namespace part must equal namespaceID (else
// code -48, kMsgQueryNotAnswered with pathText) and the kind must be known (else code -19, same
// message). Throws VOR_AAA_Exception.
Decoded Resolve(const std::string& pathText, const std::string& identifier,
                const std::string& namespaceID, const DirectoryProbe& probe = {});

// Builds the identifier of an object; a trailing ":" of namespaceID is dropped first. kind
// eNamespace gives the namespace id alone.
std::string Compose(const std::string& namespaceID, ObjectKind kind, uint32_t number);

// VORID("identifier")
std::string Wrap(const std::string& identifier);

// Inside each VORID("...") body '"' becomes "&quot;", inside each VORID('...') body '\'' becomes
// "&apos;". An opener without a closer is a caller error (assertion).
std::string EscapeDelimiters(const std::string& text);

// The reverse; text with no VORID opener has every "&quot;" replaced.
std::string UnescapeDelimiters(const std::string& text);

}  // namespace VOR_AAA_VORID
