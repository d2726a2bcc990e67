#pragma once
// A small element tree read from XML text with Xerces-C's SAX2 reader, enough for the host to
// pick values out of the provider's response documents and to copy one element out again.
// The reader never loads a DTD, resolves no external entity and rejects a DOCTYPE outright.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace basalt_host {

struct XmlElement {
    std::string qualifiedName;
    std::string localName;
    // Attributes as written, namespace declarations included: (qualified name, value).
    std::vector<std::pair<std::string, std::string>> attributes;
    std::string text;  // the element's own character data, concatenated (UTF-8)
    std::vector<std::unique_ptr<XmlElement>> children;
    const XmlElement* parent = nullptr;

    // First child element with this local name, or null.
    const XmlElement* child(std::string_view local) const;
    // Every child element with this local name, in document order.
    std::vector<const XmlElement*> childrenNamed(std::string_view local) const;
    // Text of the first child with this local name; empty when there is none.
    std::string childText(std::string_view local) const;
    // Value of the attribute whose local name (prefix ignored) matches.
    std::optional<std::string> attribute(std::string_view local) const;
    // First element with this local name in the subtree (this element included), depth first.
    const XmlElement* find(std::string_view local) const;
};

// Parses the text; throws HostError naming `what`, the line, column and the parser's reason
// when it is not well-formed.
std::unique_ptr<XmlElement> parseXml(const std::string& text, const std::string& what);

// Writes the element and its subtree as a standalone document fragment: the namespace
// declarations in scope from its ancestors are repeated on it, text and attribute values are
// escaped.
std::string serializeXml(const XmlElement& element);

// Escapes the five XML special characters, and a carriage return (which a reader would take
// for a line end).
std::string xmlEscape(std::string_view text);

// RAII for Xerces-C's process initialisation (counted by Xerces, so it nests with the
// provider's own).
class XercesSession {
public:
    XercesSession();
    ~XercesSession();
    XercesSession(const XercesSession&) = delete;
    XercesSession& operator=(const XercesSession&) = delete;
};

}  // namespace basalt_host
