#pragma once

#include <cstddef>

#include "PYXIDOM_Node.h"

// Text-bearing nodes: texts, CDATA sections and comments. Offsets and counts are in UTF-16
// code units, as everywhere in I18NString.
class PYXIDOM_CharacterData : public PYXIDOM_Node {
public:
    I18NString getData() const;
    void setData(const I18NString& data);
    std::size_t getLength() const;
    // Throws PYXException when offset is beyond the end; count is clamped.
    I18NString substringData(std::size_t offset, std::size_t count) const;
    void appendData(const I18NString& data);

protected:
    friend class PYXIDOM_Document;
    using PYXIDOM_Node::PYXIDOM_Node;
};

class PYXIDOM_Text : public PYXIDOM_CharacterData {
protected:
    friend class PYXIDOM_Document;
    using PYXIDOM_CharacterData::PYXIDOM_CharacterData;
};

class PYXIDOM_CDATASection : public PYXIDOM_Text {
    friend class PYXIDOM_Document;
    using PYXIDOM_Text::PYXIDOM_Text;
};

class PYXIDOM_Comment : public PYXIDOM_CharacterData {
    friend class PYXIDOM_Document;
    using PYXIDOM_CharacterData::PYXIDOM_CharacterData;
};
