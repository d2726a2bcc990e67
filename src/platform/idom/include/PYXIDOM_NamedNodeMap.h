#pragma once

#include <cstddef>

#include <xercesc/util/XercesDefs.hpp>

#include "I18NString.h"

XERCES_CPP_NAMESPACE_BEGIN
class DOMNamedNodeMap;
XERCES_CPP_NAMESPACE_END

class PYXIDOM_Document;
class PYXIDOM_Node;

// Nodes by name: the attributes of an element, the entities or notations of a document type.
// Live and owned by its document.
class PYXIDOM_NamedNodeMap {
public:
    PYXIDOM_NamedNodeMap(const PYXIDOM_NamedNodeMap&) = delete;
    PYXIDOM_NamedNodeMap& operator=(const PYXIDOM_NamedNodeMap&) = delete;

    std::size_t getLength() const;
    // Null when index is out of range or no node has the name.
    PYXIDOM_Node* item(std::size_t index) const;
    PYXIDOM_Node* getNamedItem(const I18NString& name) const;
    PYXIDOM_Node* getNamedItemNS(const I18NString& namespaceURI, const I18NString& localName) const;

private:
    friend class PYXIDOM_Document;
    PYXIDOM_NamedNodeMap(XERCES_CPP_NAMESPACE::DOMNamedNodeMap* map, PYXIDOM_Document* document)
        : m_map(map), m_document(document) {}

    XERCES_CPP_NAMESPACE::DOMNamedNodeMap* m_map;
    PYXIDOM_Document* m_document;
};
