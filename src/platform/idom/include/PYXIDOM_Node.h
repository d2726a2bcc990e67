#pragma once

#include <xercesc/util/XercesDefs.hpp>

#include "I18NString.h"
#include "PYXThrowable.h"

XERCES_CPP_NAMESPACE_BEGIN
class DOMNode;
XERCES_CPP_NAMESPACE_END

class PYXIDOM_Document;
class PYXIDOM_NodeList;
class PYXIDOM_NamedNodeMap;

// A node of a PYXIDOM_Document (DOM Level 2 Core). Nodes are owned by their document and stay
// valid as long as it lives, also after they were removed from the tree; callers never delete
// them. The same underlying node always yields the same PYXIDOM_Node object, so pointers can be
// compared. Absent nodes are null pointers, absent texts are empty. Writes that the DOM refuses
// (a bad name, a child that cannot go there, ...) throw PYXException.
//
// Node objects of a document are not thread-safe; a document belongs to one thread at a time.
class PYXIDOM_Node {
public:
    enum NodeType : short {
        ELEMENT_NODE = 1,
        ATTRIBUTE_NODE = 2,
        TEXT_NODE = 3,
        CDATA_SECTION_NODE = 4,
        ENTITY_REFERENCE_NODE = 5,
        ENTITY_NODE = 6,
        PROCESSING_INSTRUCTION_NODE = 7,
        COMMENT_NODE = 8,
        DOCUMENT_NODE = 9,
        DOCUMENT_TYPE_NODE = 10,
        DOCUMENT_FRAGMENT_NODE = 11,
        NOTATION_NODE = 12,
    };

    PYXIDOM_Node(const PYXIDOM_Node&) = delete;
    PYXIDOM_Node& operator=(const PYXIDOM_Node&) = delete;
    virtual ~PYXIDOM_Node();

    // ---- reads ----
    I18NString getNodeName() const;
    I18NString getNodeValue() const;
    NodeType getNodeType() const;
    PYXIDOM_Node* getParentNode() const;
    PYXIDOM_NodeList* getChildNodes() const;
    PYXIDOM_Node* getFirstChild() const;
    PYXIDOM_Node* getLastChild() const;
    PYXIDOM_Node* getPreviousSibling() const;
    PYXIDOM_Node* getNextSibling() const;
    // Attributes of an element; null for every other node type.
    PYXIDOM_NamedNodeMap* getAttributes() const;
    // The document the node belongs to; null for the document itself.
    PYXIDOM_Document* getOwnerDocument() const;
    bool hasChildNodes() const;
    bool hasAttributes() const;
    I18NString getNamespaceURI() const;
    I18NString getPrefix() const;
    I18NString getLocalName() const;
    bool isSupported(const I18NString& feature, const I18NString& version) const;
    // The text of the node and its descendants (DOM Level 3), for elements and texts alike.
    I18NString getTextContent() const;

    // ---- writes ----
    // Each returns its node argument (removeChild: the removed child), like the DOM.
    PYXIDOM_Node* appendChild(PYXIDOM_Node* newChild);
    PYXIDOM_Node* insertBefore(PYXIDOM_Node* newChild, PYXIDOM_Node* refChild);
    PYXIDOM_Node* replaceChild(PYXIDOM_Node* newChild, PYXIDOM_Node* oldChild);
    PYXIDOM_Node* removeChild(PYXIDOM_Node* oldChild);
    void setNodeValue(const I18NString& value);
    // A copy belonging to the same document, not yet in the tree.
    PYXIDOM_Node* cloneNode(bool deep) const;
    void normalize();

    // The parser's node, for code that works with Xerces directly (printers, serialisers).
    XERCES_CPP_NAMESPACE::DOMNode* getXercesNode() const { return m_node; }

protected:
    PYXIDOM_Node(XERCES_CPP_NAMESPACE::DOMNode* node, PYXIDOM_Document* document);
    // The wrapper of another node of the same document (null for null).
    PYXIDOM_Node* wrap(XERCES_CPP_NAMESPACE::DOMNode* node) const;
    PYXIDOM_Document* document() const { return m_document; }

    XERCES_CPP_NAMESPACE::DOMNode* m_node;

private:
    friend class PYXIDOM_Document;
    PYXIDOM_Document* m_document;
};

// A reference to an entity (only in built documents: the parser expands entities).
class PYXIDOM_EntityReference : public PYXIDOM_Node {
    friend class PYXIDOM_Document;
    using PYXIDOM_Node::PYXIDOM_Node;
};

// A lightweight container of nodes; appending it moves its children.
class PYXIDOM_DocumentFragment : public PYXIDOM_Node {
    friend class PYXIDOM_Document;
    using PYXIDOM_Node::PYXIDOM_Node;
};
