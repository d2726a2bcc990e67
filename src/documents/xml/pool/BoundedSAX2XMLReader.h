// BoundedSAX2XMLReader: the SAX2 reader of the pool. It is Xerces-C's own SAX2 reader (what
// XMLReaderFactory::createXMLReader makes) that also refuses, while it scans and whatever the
// document handler, what no document of the provider has:
//   - a document type declaration, where it starts: before its internal subset is read, so no
//     entity is ever declared or expanded;
//   - an element deeper than the document bounds, before the handler sees it: the scanner's
//     namespace lookup costs time in proportion to the depth for every element, so an unbounded
//     depth costs quadratic time.
// The size bound is checked before the parse starts (VOR_AAA_ParseDocument).
//
// A refusal goes to the reader's error handler as a fatal error whose message names the bound;
// the documents' error handler turns it into VOR_AAA_Exception -19.
#pragma once

#include "PYXDocumentLimits.h"

#include <xercesc/parsers/SAX2XMLReaderImpl.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>

#include <string>

class BoundedSAX2XMLReader : public xercesc::SAX2XMLReaderImpl {
public:
    // memory (not null) serves everything the reader allocates and must outlive it.
    explicit BoundedSAX2XMLReader(xercesc::MemoryManager* memory);

    // Takes the bounds for the next parse.
    void Begin(const PYXDocumentLimits& limits);

    // Refuses the document being parsed: the error handler gets a fatal error with the reason;
    // without one, the SAXParseException is thrown.
    [[noreturn]] void Refuse(const std::string& reason);

    void doctypeDecl(const xercesc::DTDElementDecl& elemDecl, const XMLCh* const publicId,
                     const XMLCh* const systemId, const bool hasIntSubset,
                     const bool hasExtSubset) override;
    void startElement(const xercesc::XMLElementDecl& elemDecl, const unsigned int urlId,
                      const XMLCh* const elemPrefix,
                      const xercesc::RefVectorOf<xercesc::XMLAttr>& attrList,
                      const XMLSize_t attrCount, const bool isEmpty, const bool isRoot) override;
    void endElement(const xercesc::XMLElementDecl& elemDecl, const unsigned int urlId,
                    const bool isRoot, const XMLCh* const elemPrefix) override;
    void resetDocument() override;

private:
    // The base reports document type declarations only while a lexical handler is installed.
    xercesc::DefaultHandler m_lexicalEvents;
    PYXDocumentLimits m_limits;
    unsigned m_depth = 0;
};
