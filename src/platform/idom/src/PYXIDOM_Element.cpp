#include "PYXIDOM_Element.h"

#include "PYXIDOM_Document.h"
#include "PYXIDOM_Internal.h"

using namespace basalt::idom;

namespace {

xercesc::DOMElement* element(xercesc::DOMNode* node) {
    return static_cast<xercesc::DOMElement*>(node);
}

xercesc::DOMAttr* attr(xercesc::DOMNode* node) {
    return static_cast<xercesc::DOMAttr*>(node);
}

}  // namespace

I18NString PYXIDOM_Element::getTagName() const {
    return text(element(m_node)->getTagName());
}

I18NString PYXIDOM_Element::getAttribute(const I18NString& name) const {
    return text(element(m_node)->getAttribute(xml(name)));
}

I18NString PYXIDOM_Element::getAttributeNS(const I18NString& namespaceURI,
                                           const I18NString& localName) const {
    return text(element(m_node)->getAttributeNS(xml(namespaceURI), xml(localName)));
}

bool PYXIDOM_Element::hasAttribute(const I18NString& name) const {
    return element(m_node)->hasAttribute(xml(name));
}

bool PYXIDOM_Element::hasAttributeNS(const I18NString& namespaceURI,
                                     const I18NString& localName) const {
    return element(m_node)->hasAttributeNS(xml(namespaceURI), xml(localName));
}

PYXIDOM_Attr* PYXIDOM_Element::getAttributeNode(const I18NString& name) const {
    return static_cast<PYXIDOM_Attr*>(wrap(element(m_node)->getAttributeNode(xml(name))));
}

PYXIDOM_Attr* PYXIDOM_Element::getAttributeNodeNS(const I18NString& namespaceURI,
                                                  const I18NString& localName) const {
    return static_cast<PYXIDOM_Attr*>(
        wrap(element(m_node)->getAttributeNodeNS(xml(namespaceURI), xml(localName))));
}

void PYXIDOM_Element::setAttribute(const I18NString& name, const I18NString& value) {
    domCall("PYXIDOM_Element::setAttribute",
            [&] { element(m_node)->setAttribute(xml(name), xml(value)); });
}

void PYXIDOM_Element::setAttributeNS(const I18NString& namespaceURI,
                                     const I18NString& qualifiedName, const I18NString& value) {
    domCall("PYXIDOM_Element::setAttributeNS", [&] {
        element(m_node)->setAttributeNS(namespaceURI.empty() ? nullptr : xml(namespaceURI),
                                        xml(qualifiedName), xml(value));
    });
}

void PYXIDOM_Element::removeAttribute(const I18NString& name) {
    domCall("PYXIDOM_Element::removeAttribute",
            [&] { element(m_node)->removeAttribute(xml(name)); });
}

void PYXIDOM_Element::removeAttributeNS(const I18NString& namespaceURI,
                                        const I18NString& localName) {
    domCall("PYXIDOM_Element::removeAttributeNS",
            [&] { element(m_node)->removeAttributeNS(xml(namespaceURI), xml(localName)); });
}

PYXIDOM_NodeList* PYXIDOM_Element::getElementsByTagName(const I18NString& name) const {
    return document()->wrapList(element(m_node)->getElementsByTagName(xml(name)));
}

PYXIDOM_NodeList* PYXIDOM_Element::getElementsByTagNameNS(const I18NString& namespaceURI,
                                                          const I18NString& localName) const {
    return document()->wrapList(
        element(m_node)->getElementsByTagNameNS(xml(namespaceURI), xml(localName)));
}

I18NString PYXIDOM_Attr::getName() const {
    return text(attr(m_node)->getName());
}
I18NString PYXIDOM_Attr::getValue() const {
    return text(attr(m_node)->getValue());
}
void PYXIDOM_Attr::setValue(const I18NString& value) {
    domCall("PYXIDOM_Attr::setValue", [&] { attr(m_node)->setValue(xml(value)); });
}
bool PYXIDOM_Attr::getSpecified() const {
    return attr(m_node)->getSpecified();
}
PYXIDOM_Element* PYXIDOM_Attr::getOwnerElement() const {
    return static_cast<PYXIDOM_Element*>(wrap(attr(m_node)->getOwnerElement()));
}
