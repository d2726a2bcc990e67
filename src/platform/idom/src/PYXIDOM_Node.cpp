#include "PYXIDOM_Node.h"

#include "PYXIDOM_Document.h"
#include "PYXIDOM_Internal.h"

using namespace basalt::idom;

namespace basalt::idom {

void throwDomFailure(const char* operation, const I18NString& reason) {
    PYXException failure(kPYXSeverityError, I18NString(operation) + ": " + reason);
    failure.setErrorCode(kPYXErrorGeneral);
    PYX_THROW(failure, operation);
}

}  // namespace basalt::idom

PYXIDOM_Node::PYXIDOM_Node(xercesc::DOMNode* node, PYXIDOM_Document* document)
    : m_node(node), m_document(document) {}

PYXIDOM_Node::~PYXIDOM_Node() = default;

PYXIDOM_Node* PYXIDOM_Node::wrap(xercesc::DOMNode* node) const {
    return m_document->wrapNode(node);
}

I18NString PYXIDOM_Node::getNodeName() const {
    return text(m_node->getNodeName());
}
I18NString PYXIDOM_Node::getNodeValue() const {
    return text(m_node->getNodeValue());
}
PYXIDOM_Node::NodeType PYXIDOM_Node::getNodeType() const {
    return static_cast<NodeType>(m_node->getNodeType());
}
PYXIDOM_Node* PYXIDOM_Node::getParentNode() const {
    return wrap(m_node->getParentNode());
}
PYXIDOM_NodeList* PYXIDOM_Node::getChildNodes() const {
    return m_document->wrapList(m_node->getChildNodes());
}
PYXIDOM_Node* PYXIDOM_Node::getFirstChild() const {
    return wrap(m_node->getFirstChild());
}
PYXIDOM_Node* PYXIDOM_Node::getLastChild() const {
    return wrap(m_node->getLastChild());
}
PYXIDOM_Node* PYXIDOM_Node::getPreviousSibling() const {
    return wrap(m_node->getPreviousSibling());
}
PYXIDOM_Node* PYXIDOM_Node::getNextSibling() const {
    return wrap(m_node->getNextSibling());
}
PYXIDOM_NamedNodeMap* PYXIDOM_Node::getAttributes() const {
    return m_document->wrapMap(m_node->getAttributes());
}
PYXIDOM_Document* PYXIDOM_Node::getOwnerDocument() const {
    return getNodeType() == DOCUMENT_NODE ? nullptr : m_document;
}
bool PYXIDOM_Node::hasChildNodes() const {
    return m_node->hasChildNodes();
}
bool PYXIDOM_Node::hasAttributes() const {
    return m_node->hasAttributes();
}
I18NString PYXIDOM_Node::getNamespaceURI() const {
    return text(m_node->getNamespaceURI());
}
I18NString PYXIDOM_Node::getPrefix() const {
    return text(m_node->getPrefix());
}
I18NString PYXIDOM_Node::getLocalName() const {
    return text(m_node->getLocalName());
}
bool PYXIDOM_Node::isSupported(const I18NString& feature, const I18NString& version) const {
    return m_node->isSupported(xml(feature), xml(version));
}
I18NString PYXIDOM_Node::getTextContent() const {
    return domCall("PYXIDOM_Node::getTextContent", [&] { return text(m_node->getTextContent()); });
}

PYXIDOM_Node* PYXIDOM_Node::appendChild(PYXIDOM_Node* newChild) {
    const char* operation = "PYXIDOM_Node::appendChild";
    required(newChild, operation);
    return domCall(operation, [&] { return wrap(m_node->appendChild(newChild->m_node)); });
}

PYXIDOM_Node* PYXIDOM_Node::insertBefore(PYXIDOM_Node* newChild, PYXIDOM_Node* refChild) {
    const char* operation = "PYXIDOM_Node::insertBefore";
    required(newChild, operation);
    return domCall(operation, [&] {
        return wrap(m_node->insertBefore(newChild->m_node,
                                         refChild != nullptr ? refChild->m_node : nullptr));
    });
}

PYXIDOM_Node* PYXIDOM_Node::replaceChild(PYXIDOM_Node* newChild, PYXIDOM_Node* oldChild) {
    const char* operation = "PYXIDOM_Node::replaceChild";
    required(newChild, operation);
    required(oldChild, operation);
    return domCall(operation,
                   [&] { return wrap(m_node->replaceChild(newChild->m_node, oldChild->m_node)); });
}

PYXIDOM_Node* PYXIDOM_Node::removeChild(PYXIDOM_Node* oldChild) {
    const char* operation = "PYXIDOM_Node::removeChild";
    required(oldChild, operation);
    // The removed node stays owned by the document, so its wrapper stays valid.
    return domCall(operation, [&] { return wrap(m_node->removeChild(oldChild->m_node)); });
}

void PYXIDOM_Node::setNodeValue(const I18NString& value) {
    domCall("PYXIDOM_Node::setNodeValue", [&] { m_node->setNodeValue(xml(value)); });
}

PYXIDOM_Node* PYXIDOM_Node::cloneNode(bool deep) const {
    return domCall("PYXIDOM_Node::cloneNode", [&] { return wrap(m_node->cloneNode(deep)); });
}

void PYXIDOM_Node::normalize() {
    domCall("PYXIDOM_Node::normalize", [&] { m_node->normalize(); });
}
