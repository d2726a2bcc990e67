#include "PYXIDOM_Parser.h"

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/internal/XMLScanner.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/sax/ErrorHandler.hpp>
#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLResourceIdentifier.hpp>

#include <string>

#include "PYXIDOM_Internal.h"
#include "PYXXercesInit.h"

using namespace basalt::idom;

namespace {

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
// external DTD subsets are not loaded at all (they are skipped, not refused).
class SafeDOMParser : public xercesc::XercesDOMParser {
public:
    // The scanner asks its entity handler only when one is installed.
    SafeDOMParser() { getScanner()->setEntityHandler(this); }

    xercesc::InputSource* resolveEntity(xercesc::XMLResourceIdentifier* resource) override {
        I18NString name = text(resource->getSystemId());
        if (name.empty()) {
            name = text(resource->getPublicId());
        }
        I18NString where;
        if (const xercesc::Locator* locator = getScanner()->getLocator()) {
            where = I18NString("line ") + std::to_string(locator->getLineNumber()).c_str() +
                    ", column " + std::to_string(locator->getColumnNumber()).c_str() + ": ";
        }
        m_refusal = where + "external entity \"" + name + "\" is not allowed";
        throw xercesc::SAXException(xml(m_refusal));
    }

    const I18NString& refusal() const { return m_refusal; }

private:
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
    FirstErrorHandler errors;
    try {
        SafeDOMParser parser;
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
        xercesc::SecurityManager security;
        security.setEntityExpansionLimit(m_entityExpansionLimit);
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
    } catch (const xercesc::XMLException& problem) {
        errors.record(text(problem.getMessage()));
    } catch (const xercesc::DOMException& problem) {
        errors.record(text(problem.getMessage()));
    } catch (const xercesc::OutOfMemoryException&) {
        errors.record("out of memory while parsing");
    }
    error = errors.message();
    return nullptr;
}
