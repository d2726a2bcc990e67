// The default SAX callbacks of every document reader.
//
// VOR_AAA_DefaultContentHandler: every callback does nothing. A document's handler derives
// from it (virtually) and overrides what it needs, usually startDocument (reset the state),
// startElement, endElement and characters, as a state machine over local names and depth.
//
// VOR_AAA_DefaultErrorHandler: ignores warnings and recoverable errors; a fatal error throws
// VOR_AAA_Exception code -19 with three nested messages: kMsgDocumentNotParsed (document
// name), kMsgPublicIdentifier (public identifier), kMsgDetail (the parser's message).
//
// Both are used through VOR_AAA_ParseDocument (VOR_AAA_ParseDocument.h).
#pragma once

#include <xercesc/sax/ErrorHandler.hpp>
#include <xercesc/sax2/ContentHandler.hpp>

#include <string>

class VOR_AAA_DefaultContentHandler : public xercesc::ContentHandler {
public:
    ~VOR_AAA_DefaultContentHandler() override = default;

    void characters(const XMLCh* const, const XMLSize_t) override {}
    void endDocument() override {}
    void endElement(const XMLCh* const, const XMLCh* const, const XMLCh* const) override {}
    void ignorableWhitespace(const XMLCh* const, const XMLSize_t) override {}
    void processingInstruction(const XMLCh* const, const XMLCh* const) override {}
    void setDocumentLocator(const xercesc::Locator* const) override {}
    void startDocument() override {}
    void startElement(const XMLCh* const, const XMLCh* const, const XMLCh* const,
                      const xercesc::Attributes&) override {}
    void startPrefixMapping(const XMLCh* const, const XMLCh* const) override {}
    void endPrefixMapping(const XMLCh* const) override {}
    void skippedEntity(const XMLCh* const) override {}
};

class VOR_AAA_DefaultErrorHandler : public xercesc::ErrorHandler {
public:
    explicit VOR_AAA_DefaultErrorHandler(std::string documentName)
        : m_documentName(std::move(documentName)) {}
    ~VOR_AAA_DefaultErrorHandler() override = default;

    void warning(const xercesc::SAXParseException&) override {}
    void error(const xercesc::SAXParseException&) override {}
    [[noreturn]] void fatalError(const xercesc::SAXParseException& exception) override;
    void resetErrors() override {}

    const std::string& GetDocumentName() const { return m_documentName; }

private:
    std::string m_documentName;
};
