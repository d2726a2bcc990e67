#pragma once

#include <memory>

#include "PYXIDOM_CharacterData.h"
#include "PYXIDOM_DocumentType.h"
#include "PYXIDOM_Element.h"
#include "PYXIDOM_NamedNodeMap.h"
#include "PYXIDOM_Node.h"
#include "PYXIDOM_NodeList.h"
#include "PYXIDOM_ProcessingInstruction.h"

XERCES_CPP_NAMESPACE_BEGIN
class DOMDocument;
class DOMNodeList;
class DOMNamedNodeMap;
XERCES_CPP_NAMESPACE_END

// A DOM document: owns its whole tree (including nodes removed from it) and the PYXIDOM
// objects that stand for them. Made by PYXIDOM_Parser or by create(). Not thread-safe.
class PYXIDOM_Document : public PYXIDOM_Node {
public:
    // An empty document whose document element has the qualified name (in the namespace, which
    // may be empty). Throws PYXException for a bad name.
    static std::unique_ptr<PYXIDOM_Document> create(const I18NString& namespaceURI,
                                                    const I18NString& qualifiedName);
    // Takes ownership of a document the parser made.
    explicit PYXIDOM_Document(XERCES_CPP_NAMESPACE::DOMDocument* adopted);
    ~PYXIDOM_Document() override;

    PYXIDOM_Element* getDocumentElement() const;
    PYXIDOM_DocumentType* getDoctype() const;

    PYXIDOM_Element* createElement(const I18NString& tagName);
    PYXIDOM_Element* createElementNS(const I18NString& namespaceURI,
                                     const I18NString& qualifiedName);
    PYXIDOM_Text* createTextNode(const I18NString& data);
    PYXIDOM_Comment* createComment(const I18NString& data);
    PYXIDOM_CDATASection* createCDATASection(const I18NString& data);
    PYXIDOM_DocumentFragment* createDocumentFragment();
    PYXIDOM_Attr* createAttribute(const I18NString& name);
    // A copy of a node of any document, owned by this one and not yet in its tree.
    PYXIDOM_Node* importNode(const PYXIDOM_Node* node, bool deep);

    PYXIDOM_NodeList* getElementsByTagName(const I18NString& name) const;
    PYXIDOM_NodeList* getElementsByTagNameNS(const I18NString& namespaceURI,
                                             const I18NString& localName) const;
    // Null: a parsed document has no ID attributes without a validating grammar.
    PYXIDOM_Element* getElementById(const I18NString& elementId) const;

private:
    friend class PYXIDOM_Node;
    friend class PYXIDOM_NodeList;
    friend class PYXIDOM_NamedNodeMap;
    friend class PYXIDOM_Element;
    friend class PYXIDOM_DocumentType;

    PYXIDOM_Node* wrapNode(XERCES_CPP_NAMESPACE::DOMNode* node) const;
    PYXIDOM_NodeList* wrapList(XERCES_CPP_NAMESPACE::DOMNodeList* list) const;
    PYXIDOM_NamedNodeMap* wrapMap(XERCES_CPP_NAMESPACE::DOMNamedNodeMap* map) const;
    XERCES_CPP_NAMESPACE::DOMDocument* xercesDocument() const;

    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
