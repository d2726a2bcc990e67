// The parse recipe every document's Load uses:
//
//     void VOR_AAA_Visa::Load(const char* text, size_t length) {
//         VOR_AAA_VisaHandler handler(*this);
//         VOR_AAA_ParseDocument(handler, "visa", text, length);
//     }
//
// It takes a pooled SAX reader, parses exactly length bytes (no NUL needed) with the handler
// and the default error handler named after the document, and returns or discards the reader.
// Malformed text, and a text the document bounds refuse (PYXDocumentLimits: size, element depth,
// a DOCTYPE), throw VOR_AAA_Exception code -19 (VOR_AAA_DefaultErrorHandler) with the reason as
// its innermost message; whatever the handler throws passes on unchanged.
//
// Text helpers for handlers: VOR_AAA_AppendText appends parser characters to an I18NString;
// VOR_AAA_LeadingInt reads the leading decimal number of a text (0 when there is none).
#pragma once

#include <xercesc/sax2/ContentHandler.hpp>

#include <cstddef>
#include <cstdint>

class I18NString;

void VOR_AAA_ParseDocument(xercesc::ContentHandler& handler, const char* documentName,
                           const char* text, size_t length);

void VOR_AAA_AppendText(I18NString& target, const XMLCh* chars, XMLSize_t length);

int32_t VOR_AAA_LeadingInt(const I18NString& text);
