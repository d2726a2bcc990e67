// PrintDOM: writes a DOM node (and everything below it) as UTF-8 XML text.
//
//     PYXIDOM_Parser parser; ... PrintDOM(document, out);
//
// Text is escaped (character references for what UTF-8 cannot hold), attribute values are
// written in double quotes, an element's namespace declaration is written once where its
// namespace starts, empty elements are self-closed.
#pragma once

#include <ostream>

#include <xercesc/dom/DOMNode.hpp>

class PYXIDOM_Node;

void PrintDOM(const PYXIDOM_Node* node, std::ostream& out);
void PrintDOM(const xercesc::DOMNode* node, std::ostream& out);
