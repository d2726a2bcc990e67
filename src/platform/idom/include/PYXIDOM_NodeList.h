#pragma once

#include <cstddef>

#include <xercesc/util/XercesDefs.hpp>

XERCES_CPP_NAMESPACE_BEGIN
class DOMNodeList;
XERCES_CPP_NAMESPACE_END

class PYXIDOM_Document;
class PYXIDOM_Node;

// An ordered, live list of nodes (children, or elements found by name). Owned by its document.
class PYXIDOM_NodeList {
public:
    PYXIDOM_NodeList(const PYXIDOM_NodeList&) = delete;
    PYXIDOM_NodeList& operator=(const PYXIDOM_NodeList&) = delete;

    std::size_t getLength() const;
    // Null when index is out of range.
    PYXIDOM_Node* item(std::size_t index) const;

private:
    friend class PYXIDOM_Document;
    PYXIDOM_NodeList(XERCES_CPP_NAMESPACE::DOMNodeList* list, PYXIDOM_Document* document)
        : m_list(list), m_document(document) {}

    XERCES_CPP_NAMESPACE::DOMNodeList* m_list;
    PYXIDOM_Document* m_document;
};
