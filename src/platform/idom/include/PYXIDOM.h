#pragma once

// Everything of the DOM library in one include.
#include "PYXDocumentLimits.h"
#include "PYXIDOM_CharacterData.h"
#include "PYXIDOM_Document.h"
#include "PYXIDOM_DocumentType.h"
#include "PYXIDOM_Element.h"
#include "PYXIDOM_NamedNodeMap.h"
#include "PYXIDOM_Node.h"
#include "PYXIDOM_NodeList.h"
#include "PYXIDOM_Parser.h"
#include "PYXIDOM_ProcessingInstruction.h"
#include "PYXXercesInit.h"
