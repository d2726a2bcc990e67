#include "PYXIDOM_DocumentType.h"

#include "PYXIDOM_Document.h"
#include "PYXIDOM_Internal.h"
#include "PYXIDOM_ProcessingInstruction.h"

using namespace basalt::idom;

namespace {

template <typename T>
T* as(xercesc::DOMNode* node) {
    return static_cast<T*>(node);
}

}  // namespace

I18NString PYXIDOM_DocumentType::getName() const {
    return text(as<xercesc::DOMDocumentType>(m_node)->getName());
}
PYXIDOM_NamedNodeMap* PYXIDOM_DocumentType::getEntities() const {
    return document()->wrapMap(as<xercesc::DOMDocumentType>(m_node)->getEntities());
}
PYXIDOM_NamedNodeMap* PYXIDOM_DocumentType::getNotations() const {
    return document()->wrapMap(as<xercesc::DOMDocumentType>(m_node)->getNotations());
}
I18NString PYXIDOM_DocumentType::getPublicId() const {
    return text(as<xercesc::DOMDocumentType>(m_node)->getPublicId());
}
I18NString PYXIDOM_DocumentType::getSystemId() const {
    return text(as<xercesc::DOMDocumentType>(m_node)->getSystemId());
}
I18NString PYXIDOM_DocumentType::getInternalSubset() const {
    return text(as<xercesc::DOMDocumentType>(m_node)->getInternalSubset());
}

I18NString PYXIDOM_Entity::getPublicId() const {
    return text(as<xercesc::DOMEntity>(m_node)->getPublicId());
}
I18NString PYXIDOM_Entity::getSystemId() const {
    return text(as<xercesc::DOMEntity>(m_node)->getSystemId());
}
I18NString PYXIDOM_Entity::getNotationName() const {
    return text(as<xercesc::DOMEntity>(m_node)->getNotationName());
}

I18NString PYXIDOM_Notation::getPublicId() const {
    return text(as<xercesc::DOMNotation>(m_node)->getPublicId());
}
I18NString PYXIDOM_Notation::getSystemId() const {
    return text(as<xercesc::DOMNotation>(m_node)->getSystemId());
}

I18NString PYXIDOM_ProcessingInstruction::getTarget() const {
    return text(as<xercesc::DOMProcessingInstruction>(m_node)->getTarget());
}
I18NString PYXIDOM_ProcessingInstruction::getData() const {
    return text(as<xercesc::DOMProcessingInstruction>(m_node)->getData());
}
