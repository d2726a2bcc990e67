#include "PYXIDOM_Parser.h"

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/internal/XMLScanner.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/sax/ErrorHandler.hpp>
#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLResourceIdentifier.hpp>

#include <new>
#include <string>

#include "PYXDocumentLimits.h"
#include "PYXIDOM_Internal.h"
#include "PYXXercesInit.h"

using namespace basalt::idom;

namespace {

constexpr XMLSize_t kEntityExpansionLimit = 1000;

// Keeps the first problem the parser reports and stops the parse there. Recoverable errors
// count too: a document that is only partly understood is not handed out.
class FirstErrorHandler : public xercesc::ErrorHandler {
public:
    void warning(const xercesc::SAXParseException&) override {}
    void error(const xercesc::SAXParseException& problem) override { stop(problem); }
    void fatalError(const xercesc::SAXParseException& problem) override { stop(problem); }
    void resetErrors() override {}

    bool failed() const { return m_failed; }
    const I18NString& message() const { return m_message; }

    void record(const I18NString& message) {
        if (!m_failed) {
            m_failed = true;
            m_message = message;
        }
    }

private:
    [[noreturn]] void stop(const xercesc::SAXParseException& problem) {
        record(I18NString("line ") + std::to_string(problem.getLineNumber()).c_str() + ", column " +
               std::to_string(problem.getColumnNumber()).c_str() + ": " +
               text(problem.getMessage()));
        throw problem;
    }

    bool m_failed = false;
    I18NString m_message;
};

// Refuses every external entity (general or parameter) at the point where it is referenced,
// so nothing outside the text is ever opened. Default resolution is disabled as well and
// external DTD subsets are not loaded at all. A document type declaration, and elements nested
// deeper than the document bounds allow, are refused as soon as the scanner reaches them.
class SafeDOMParser : public xercesc::XercesDOMParser {
public:
    // The scanner asks its entity handler only when one is installed.
    explicit SafeDOMParser(const PYXDocumentLimits& limits) : m_limits(limits) {
        getScanner()->setEntityHandler(this);
    }

    xercesc::InputSource* resolveEntity(xercesc::XMLResourceIdentifier* resource) override {
        I18NString name = text(resource->getSystemId());
        if (name.empty()) {
            name = text(resource->getPublicId());
        }
        refuse(I18NString("external entity \"") + name + "\" is not allowed");
    }

    void doctypeDecl(const xercesc::DTDElementDecl&, const XMLCh* const, const XMLCh* const,
                     const bool, const bool) override {
        refuse(I18NString(PYXDocumentLimits::DoctypeRefusal().c_str()));
    }

    void startElement(const xercesc::XMLElementDecl& elemDecl, const unsigned int urlId,
                      const XMLCh* const elemPrefix,
                      const xercesc::RefVectorOf<xercesc::XMLAttr>& attrList,
                      const XMLSize_t attrCount, const bool isEmpty, const bool isRoot) override {
        if (!m_limits.DepthAllowed(m_depth + 1)) {
            refuse(I18NString(m_limits.DepthRefusal().c_str()));
        }
        ++m_depth;  // the base class ends an empty element itself, through endElement
        XercesDOMParser::startElement(elemDecl, urlId, elemPrefix, attrList, attrCount, isEmpty,
                                      isRoot);
    }

    void endElement(const xercesc::XMLElementDecl& elemDecl, const unsigned int urlId,
                    const bool isRoot, const XMLCh* const elemPrefix) override {
        if (m_depth > 0) {
            --m_depth;
        }
        XercesDOMParser::endElement(elemDecl, urlId, isRoot, elemPrefix);
    }

    const I18NString& refusal() const { return m_refusal; }

private:
    [[noreturn]] void refuse(const I18NString& reason) {
        I18NString where;
        if (const xercesc::Locator* locator = getScanner()->getLocator()) {
            where = I18NString("line ") + std::to_string(locator->getLineNumber()).c_str() +
                    ", column " + std::to_string(locator->getColumnNumber()).c_str() + ": ";
        }
        m_refusal = where + reason;
        throw xercesc::SAXException(xml(m_refusal));
    }

    const PYXDocumentLimits& m_limits;
    unsigned m_depth = 0;
    I18NString m_refusal;
};

}  // namespace

struct PYXIDOM_Parser::Impl {
    PYXXercesInit xerces;
};

PYXIDOM_Parser::PYXIDOM_Parser() : m_impl(std::make_unique<Impl>()) {}
PYXIDOM_Parser::~PYXIDOM_Parser() = default;

std::unique_ptr<PYXIDOM_Document> PYXIDOM_Parser::parse(const char* bytes, std::size_t length,
                                                        I18NString& error) {
    error.clear();
    m_refusedByBound = false;
    const PYXDocumentLimits limits = PYXDocumentLimits::Current();
    if (!limits.SizeAllowed(length)) {
        error = I18NString(limits.SizeRefusal(length).c_str());
        m_refusedByBound = true;
        return nullptr;
    }
    FirstErrorHandler errors;
    try {
        SafeDOMParser parser(limits);
        parser.setValidationScheme(xercesc::XercesDOMParser::Val_Never);
        parser.setDoNamespaces(true);
        parser.setDoSchema(false);
        parser.setValidationSchemaFullChecking(false);
        parser.setLoadExternalDTD(false);
        parser.setLoadSchema(false);
        parser.setSkipDTDValidation(true);
        parser.setDisableDefaultEntityResolution(true);
        parser.setCreateEntityReferenceNodes(false);
        parser.setCreateCommentNodes(true);
        // Unreachable while a DOCTYPE is refused; kept so that no change there can reopen
        // unbounded entity expansion.
        xercesc::SecurityManager security;
        security.setEntityExpansionLimit(kEntityExpansionLimit);
        parser.setSecurityManager(&security);
        parser.setErrorHandler(&errors);

        static const char kBufferId[] = "PYXIDOM_Parser";
        xercesc::MemBufInputSource source(
            reinterpret_cast<const XMLByte*>(bytes != nullptr ? bytes : ""),
            bytes != nullptr ? length : 0, kBufferId, false);
        parser.parse(source);
        if (errors.failed()) {
            error = errors.message();
            return nullptr;
        }
        xercesc::DOMDocument* adopted = parser.adoptDocument();
        if (adopted == nullptr) {
            error = "the text holds no document";
            return nullptr;
        }
        return std::make_unique<PYXIDOM_Document>(adopted);
    } catch (const xercesc::SAXParseException&) {
        errors.record("the text could not be parsed");
    } catch (const xercesc::SAXException& problem) {
        errors.record(text(problem.getMessage()));
        m_refusedByBound = true;
    } catch (const xercesc::XMLException& problem) {
        errors.record(text(problem.getMessage()));
    } catch (const xercesc::DOMException& problem) {
        errors.record(text(problem.getMessage()));
    } catch (const xercesc::OutOfMemoryException&) {
        errors.record("out of memory while parsing");
    } catch (const std::bad_alloc&) {
        errors.record("out of memory while parsing");
    }
    error = errors.message();
    return nullptr;
}
