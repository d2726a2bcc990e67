// Small helpers shared by the document handlers (not a public header).
#pragma once

#include <xercesc/sax2/Attributes.hpp>

#include <string>

// The UTF-8 form of a parser text; null gives "".
std::string VOR_AAA_ToUTF8(const XMLCh* text);
std::string VOR_AAA_ToUTF8(const XMLCh* text, XMLSize_t length);

// The value of an unqualified attribute, or null.
const XMLCh* VOR_AAA_GetAttribute(const xercesc::Attributes& attributes, const XMLCh* name);
// The value of an XML Schema instance attribute ("type", "nil"), found by namespace and local
// name, or by its usual "xsi:" name when the prefix was not declared; null when absent.
const XMLCh* VOR_AAA_GetXsiAttribute(const xercesc::Attributes& attributes, const XMLCh* localName);
