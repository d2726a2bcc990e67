#include "PYXIDOM_Document.h"
#include "PYXIDOM_Internal.h"
#include "PYXIDOM_NamedNodeMap.h"
#include "PYXIDOM_NodeList.h"

using namespace basalt::idom;

std::size_t PYXIDOM_NodeList::getLength() const {
    return m_list->getLength();
}

PYXIDOM_Node* PYXIDOM_NodeList::item(std::size_t index) const {
    return m_document->wrapNode(m_list->item(index));
}

std::size_t PYXIDOM_NamedNodeMap::getLength() const {
    return m_map->getLength();
}

PYXIDOM_Node* PYXIDOM_NamedNodeMap::item(std::size_t index) const {
    return m_document->wrapNode(m_map->item(index));
}

PYXIDOM_Node* PYXIDOM_NamedNodeMap::getNamedItem(const I18NString& name) const {
    return m_document->wrapNode(m_map->getNamedItem(xml(name)));
}

PYXIDOM_Node* PYXIDOM_NamedNodeMap::getNamedItemNS(const I18NString& namespaceURI,
                                                   const I18NString& localName) const {
    return m_document->wrapNode(m_map->getNamedItemNS(xml(namespaceURI), xml(localName)));
}
