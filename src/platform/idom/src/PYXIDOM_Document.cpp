#include "PYXIDOM_Document.h"

#include <unordered_map>

#include "PYXIDOM_Internal.h"
#include "PYXXercesInit.h"

using namespace basalt::idom;

namespace {

struct ReleaseDocument {
    void operator()(xercesc::DOMDocument* document) const { document->release(); }
};
using OwnedDocument = std::unique_ptr<xercesc::DOMDocument, ReleaseDocument>;

const XMLCh* orNull(const I18NString& namespaceURI) {
    return namespaceURI.empty() ? nullptr : xml(namespaceURI);
}

}  // namespace

struct PYXIDOM_Document::Impl {
    // Declared first: Xerces stays initialised until the tree below is released.
    PYXXercesInit xerces;
    OwnedDocument document;
    // Wrappers, made on first use; they hold no Xerces resources of their own.
    std::unordered_map<const xercesc::DOMNode*, std::unique_ptr<PYXIDOM_Node>> nodes;
    std::unordered_map<const xercesc::DOMNodeList*, std::unique_ptr<PYXIDOM_NodeList>> lists;
    std::unordered_map<const xercesc::DOMNamedNodeMap*, std::unique_ptr<PYXIDOM_NamedNodeMap>> maps;
};

PYXIDOM_Document::PYXIDOM_Document(xercesc::DOMDocument* adopted) : PYXIDOM_Node(adopted, this) {
    OwnedDocument owned(adopted);
    m_impl = std::make_unique<Impl>();
    m_impl->document = std::move(owned);
}

PYXIDOM_Document::~PYXIDOM_Document() = default;

std::unique_ptr<PYXIDOM_Document> PYXIDOM_Document::create(const I18NString& namespaceURI,
                                                           const I18NString& qualifiedName) {
    const char* operation = "PYXIDOM_Document::create";
    PYXXercesInit xerces;  // keeps Xerces up until the document holds its own
    return domCall(operation, [&] {
        static const XMLCh core[] = {u'C', u'o', u'r', u'e', 0};
        xercesc::DOMImplementation* implementation =
            xercesc::DOMImplementationRegistry::getDOMImplementation(core);
        if (implementation == nullptr) {
            throwDomFailure(operation, "no DOM implementation is available");
        }
        OwnedDocument document(
            implementation->createDocument(orNull(namespaceURI), xml(qualifiedName), nullptr));
        return std::make_unique<PYXIDOM_Document>(document.release());
    });
}

xercesc::DOMDocument* PYXIDOM_Document::xercesDocument() const {
    return m_impl->document.get();
}

PYXIDOM_Node* PYXIDOM_Document::wrapNode(xercesc::DOMNode* node) const {
    if (node == nullptr) {
        return nullptr;
    }
    if (node == m_impl->document.get()) {
        return const_cast<PYXIDOM_Document*>(this);
    }
    std::unique_ptr<PYXIDOM_Node>& slot = m_impl->nodes[node];
    if (slot) {
        return slot.get();
    }
    auto* self = const_cast<PYXIDOM_Document*>(this);
    switch (node->getNodeType()) {
        case xercesc::DOMNode::ELEMENT_NODE:
            slot.reset(new PYXIDOM_Element(node, self));
            break;
        case xercesc::DOMNode::ATTRIBUTE_NODE:
            slot.reset(new PYXIDOM_Attr(node, self));
            break;
        case xercesc::DOMNode::TEXT_NODE:
            slot.reset(new PYXIDOM_Text(node, self));
            break;
        case xercesc::DOMNode::CDATA_SECTION_NODE:
            slot.reset(new PYXIDOM_CDATASection(node, self));
            break;
        case xercesc::DOMNode::ENTITY_REFERENCE_NODE:
            slot.reset(new PYXIDOM_EntityReference(node, self));
            break;
        case xercesc::DOMNode::ENTITY_NODE:
            slot.reset(new PYXIDOM_Entity(node, self));
            break;
        case xercesc::DOMNode::PROCESSING_INSTRUCTION_NODE:
            slot.reset(new PYXIDOM_ProcessingInstruction(node, self));
            break;
        case xercesc::DOMNode::COMMENT_NODE:
            slot.reset(new PYXIDOM_Comment(node, self));
            break;
        case xercesc::DOMNode::DOCUMENT_TYPE_NODE:
            slot.reset(new PYXIDOM_DocumentType(node, self));
            break;
        case xercesc::DOMNode::DOCUMENT_FRAGMENT_NODE:
            slot.reset(new PYXIDOM_DocumentFragment(node, self));
            break;
        case xercesc::DOMNode::NOTATION_NODE:
            slot.reset(new PYXIDOM_Notation(node, self));
            break;
        default:
            // Another document's node never reaches here: Xerces keeps nodes in their document.
            m_impl->nodes.erase(node);
            throwDomFailure("PYXIDOM_Document::wrapNode", "a node of an unexpected type");
    }
    return slot.get();
}

PYXIDOM_NodeList* PYXIDOM_Document::wrapList(xercesc::DOMNodeList* list) const {
    if (list == nullptr) {
        return nullptr;
    }
    std::unique_ptr<PYXIDOM_NodeList>& slot = m_impl->lists[list];
    if (!slot) {
        slot.reset(new PYXIDOM_NodeList(list, const_cast<PYXIDOM_Document*>(this)));
    }
    return slot.get();
}

PYXIDOM_NamedNodeMap* PYXIDOM_Document::wrapMap(xercesc::DOMNamedNodeMap* map) const {
    if (map == nullptr) {
        return nullptr;
    }
    std::unique_ptr<PYXIDOM_NamedNodeMap>& slot = m_impl->maps[map];
    if (!slot) {
        slot.reset(new PYXIDOM_NamedNodeMap(map, const_cast<PYXIDOM_Document*>(this)));
    }
    return slot.get();
}

PYXIDOM_Element* PYXIDOM_Document::getDocumentElement() const {
    return static_cast<PYXIDOM_Element*>(wrapNode(xercesDocument()->getDocumentElement()));
}

PYXIDOM_DocumentType* PYXIDOM_Document::getDoctype() const {
    return static_cast<PYXIDOM_DocumentType*>(wrapNode(xercesDocument()->getDoctype()));
}

PYXIDOM_Element* PYXIDOM_Document::createElement(const I18NString& tagName) {
    return domCall("PYXIDOM_Document::createElement", [&] {
        return static_cast<PYXIDOM_Element*>(
            wrapNode(xercesDocument()->createElement(xml(tagName))));
    });
}

PYXIDOM_Element* PYXIDOM_Document::createElementNS(const I18NString& namespaceURI,
                                                   const I18NString& qualifiedName) {
    return domCall("PYXIDOM_Document::createElementNS", [&] {
        return static_cast<PYXIDOM_Element*>(
            wrapNode(xercesDocument()->createElementNS(orNull(namespaceURI), xml(qualifiedName))));
    });
}

PYXIDOM_Text* PYXIDOM_Document::createTextNode(const I18NString& data) {
    return domCall("PYXIDOM_Document::createTextNode", [&] {
        return static_cast<PYXIDOM_Text*>(wrapNode(xercesDocument()->createTextNode(xml(data))));
    });
}

PYXIDOM_Comment* PYXIDOM_Document::createComment(const I18NString& data) {
    return domCall("PYXIDOM_Document::createComment", [&] {
        return static_cast<PYXIDOM_Comment*>(wrapNode(xercesDocument()->createComment(xml(data))));
    });
}

PYXIDOM_CDATASection* PYXIDOM_Document::createCDATASection(const I18NString& data) {
    return domCall("PYXIDOM_Document::createCDATASection", [&] {
        return static_cast<PYXIDOM_CDATASection*>(
            wrapNode(xercesDocument()->createCDATASection(xml(data))));
    });
}

PYXIDOM_DocumentFragment* PYXIDOM_Document::createDocumentFragment() {
    return domCall("PYXIDOM_Document::createDocumentFragment", [&] {
        return static_cast<PYXIDOM_DocumentFragment*>(
            wrapNode(xercesDocument()->createDocumentFragment()));
    });
}

PYXIDOM_Attr* PYXIDOM_Document::createAttribute(const I18NString& name) {
    return domCall("PYXIDOM_Document::createAttribute", [&] {
        return static_cast<PYXIDOM_Attr*>(wrapNode(xercesDocument()->createAttribute(xml(name))));
    });
}

PYXIDOM_Node* PYXIDOM_Document::importNode(const PYXIDOM_Node* node, bool deep) {
    const char* operation = "PYXIDOM_Document::importNode";
    required(node, operation);
    return domCall(operation,
                   [&] { return wrapNode(xercesDocument()->importNode(node->m_node, deep)); });
}

PYXIDOM_NodeList* PYXIDOM_Document::getElementsByTagName(const I18NString& name) const {
    return wrapList(xercesDocument()->getElementsByTagName(xml(name)));
}

PYXIDOM_NodeList* PYXIDOM_Document::getElementsByTagNameNS(const I18NString& namespaceURI,
                                                           const I18NString& localName) const {
    return wrapList(xercesDocument()->getElementsByTagNameNS(xml(namespaceURI), xml(localName)));
}

PYXIDOM_Element* PYXIDOM_Document::getElementById(const I18NString& elementId) const {
    return static_cast<PYXIDOM_Element*>(
        wrapNode(xercesDocument()->getElementById(xml(elementId))));
}
