#pragma once

#include "PYXIDOM_Node.h"

// A processing instruction: <?target data?>.
class PYXIDOM_ProcessingInstruction : public PYXIDOM_Node {
public:
    I18NString getTarget() const;
    I18NString getData() const;

private:
    friend class PYXIDOM_Document;
    using PYXIDOM_Node::PYXIDOM_Node;
};
