#pragma once

#include "PYXIDOM_Node.h"

// The document type declaration and what it declares. Only the internal subset of a parsed
// document is ever read: external DTDs and external entities are never loaded.
class PYXIDOM_DocumentType : public PYXIDOM_Node {
public:
    I18NString getName() const;
    PYXIDOM_NamedNodeMap* getEntities() const;
    PYXIDOM_NamedNodeMap* getNotations() const;
    I18NString getPublicId() const;
    I18NString getSystemId() const;
    I18NString getInternalSubset() const;

private:
    friend class PYXIDOM_Document;
    using PYXIDOM_Node::PYXIDOM_Node;
};

class PYXIDOM_Entity : public PYXIDOM_Node {
public:
    I18NString getPublicId() const;
    I18NString getSystemId() const;
    I18NString getNotationName() const;

private:
    friend class PYXIDOM_Document;
    using PYXIDOM_Node::PYXIDOM_Node;
};

class PYXIDOM_Notation : public PYXIDOM_Node {
public:
    I18NString getPublicId() const;
    I18NString getSystemId() const;

private:
    friend class PYXIDOM_Document;
    using PYXIDOM_Node::PYXIDOM_Node;
};
