#include "BoundedSAX2XMLReader.h"

#include "I18NString.h"

#include <xercesc/sax/ErrorHandler.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/util/PlatformUtils.hpp>

using namespace xercesc;

BoundedSAX2XMLReader::BoundedSAX2XMLReader(MemoryManager* memory)
    : SAX2XMLReaderImpl(memory, nullptr) {
    setLexicalHandler(&m_lexicalEvents);
}

void BoundedSAX2XMLReader::Begin(const PYXDocumentLimits& limits) {
    m_limits = limits;
    m_depth = 0;
}

void BoundedSAX2XMLReader::Refuse(const std::string& reason) {
    const I18NString message(reason.c_str());
    const SAXParseException problem(message.data(), nullptr, nullptr, 0, 0);
    if (ErrorHandler* handler = getErrorHandler()) {
        handler->fatalError(problem);
    }
    throw problem;
}

void BoundedSAX2XMLReader::doctypeDecl(const DTDElementDecl&, const XMLCh* const,
                                       const XMLCh* const, const bool, const bool) {
    Refuse(PYXDocumentLimits::DoctypeRefusal());
}

void BoundedSAX2XMLReader::startElement(const XMLElementDecl& elemDecl, const unsigned int urlId,
                                        const XMLCh* const elemPrefix,
                                        const RefVectorOf<XMLAttr>& attrList,
                                        const XMLSize_t attrCount, const bool isEmpty,
                                        const bool isRoot) {
    if (!m_limits.DepthAllowed(m_depth + 1)) {
        Refuse(m_limits.DepthRefusal());
    }
    if (!isEmpty) {
        ++m_depth;  // an empty element gets no endElement
    }
    SAX2XMLReaderImpl::startElement(elemDecl, urlId, elemPrefix, attrList, attrCount, isEmpty,
                                    isRoot);
}

void BoundedSAX2XMLReader::endElement(const XMLElementDecl& elemDecl, const unsigned int urlId,
                                      const bool isRoot, const XMLCh* const elemPrefix) {
    if (m_depth > 0) {
        --m_depth;
    }
    SAX2XMLReaderImpl::endElement(elemDecl, urlId, isRoot, elemPrefix);
}

void BoundedSAX2XMLReader::resetDocument() {
    m_depth = 0;
    SAX2XMLReaderImpl::resetDocument();
}
