#pragma once

#include "PYXIDOM_Node.h"

class PYXIDOM_Attr;

// An element. Attribute reads give the empty text for an absent attribute; use hasAttribute
// to tell absent from empty.
class PYXIDOM_Element : public PYXIDOM_Node {
public:
    I18NString getTagName() const;

    I18NString getAttribute(const I18NString& name) const;
    I18NString getAttributeNS(const I18NString& namespaceURI, const I18NString& localName) const;
    bool hasAttribute(const I18NString& name) const;
    bool hasAttributeNS(const I18NString& namespaceURI, const I18NString& localName) const;
    PYXIDOM_Attr* getAttributeNode(const I18NString& name) const;
    PYXIDOM_Attr* getAttributeNodeNS(const I18NString& namespaceURI,
                                     const I18NString& localName) const;

    void setAttribute(const I18NString& name, const I18NString& value);
    void setAttributeNS(const I18NString& namespaceURI, const I18NString& qualifiedName,
                        const I18NString& value);
    // Removing an absent attribute does nothing.
    void removeAttribute(const I18NString& name);
    void removeAttributeNS(const I18NString& namespaceURI, const I18NString& localName);

    // Descendant elements in document order; "*" matches every name.
    PYXIDOM_NodeList* getElementsByTagName(const I18NString& name) const;
    PYXIDOM_NodeList* getElementsByTagNameNS(const I18NString& namespaceURI,
                                             const I18NString& localName) const;

private:
    friend class PYXIDOM_Document;
    using PYXIDOM_Node::PYXIDOM_Node;
};

// An attribute of an element.
class PYXIDOM_Attr : public PYXIDOM_Node {
public:
    I18NString getName() const;
    I18NString getValue() const;
    void setValue(const I18NString& value);
    // False when the value came from a default in the document type, not from the document.
    bool getSpecified() const;
    PYXIDOM_Element* getOwnerElement() const;

private:
    friend class PYXIDOM_Document;
    using PYXIDOM_Node::PYXIDOM_Node;
};
