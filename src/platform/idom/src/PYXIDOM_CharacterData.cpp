#include "PYXIDOM_CharacterData.h"

#include "PYXIDOM_Internal.h"

using namespace basalt::idom;

namespace {

xercesc::DOMCharacterData* data(xercesc::DOMNode* node) {
    return static_cast<xercesc::DOMCharacterData*>(node);
}

}  // namespace

I18NString PYXIDOM_CharacterData::getData() const {
    return text(data(m_node)->getData());
}

void PYXIDOM_CharacterData::setData(const I18NString& value) {
    domCall("PYXIDOM_CharacterData::setData", [&] { data(m_node)->setData(xml(value)); });
}

std::size_t PYXIDOM_CharacterData::getLength() const {
    return data(m_node)->getLength();
}

I18NString PYXIDOM_CharacterData::substringData(std::size_t offset, std::size_t count) const {
    return domCall("PYXIDOM_CharacterData::substringData",
                   [&] { return text(data(m_node)->substringData(offset, count)); });
}

void PYXIDOM_CharacterData::appendData(const I18NString& value) {
    domCall("PYXIDOM_CharacterData::appendData", [&] { data(m_node)->appendData(xml(value)); });
}
