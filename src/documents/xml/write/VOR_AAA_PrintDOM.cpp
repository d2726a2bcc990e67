#include "VOR_AAA_PrintDOM.h"

#include "PYXIDOM_Node.h"
#include "PYXThrowable.h"

#include <xercesc/dom/DOM.hpp>
#include <xercesc/framework/XMLFormatter.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/XMLString.hpp>

#include <new>
#include <string>

using namespace xercesc;

namespace {

// Hands the formatter's bytes to the stream unchanged.
class DOMPrintFormatTarget : public XMLFormatTarget {
public:
    explicit DOMPrintFormatTarget(std::ostream& out) : m_out(out) {}
    ~DOMPrintFormatTarget() override = default;
    void writeChars(const XMLByte* const toWrite, const XMLSize_t count,
                    XMLFormatter* const) override {
        m_out.write(reinterpret_cast<const char*>(toWrite), static_cast<std::streamsize>(count));
    }

private:
    std::ostream& m_out;
};

bool isEmpty(const XMLCh* s) {
    return s == nullptr || *s == 0;
}

class Printer {
public:
    explicit Printer(XMLFormatter& f) : m_f(f) {}

    void print(const DOMNode* node) {
        switch (node->getNodeType()) {
            case DOMNode::ELEMENT_NODE:
                printElement(node);
                break;
            case DOMNode::TEXT_NODE:
                m_f << XMLFormatter::StdEscapes << node->getNodeValue();
                break;
            case DOMNode::CDATA_SECTION_NODE:
                raw(u"<![CDATA[") << node->getNodeValue() << u"]]>";
                break;
            case DOMNode::COMMENT_NODE:
                raw(u"<!--") << node->getNodeValue() << u"-->";
                break;
            case DOMNode::ENTITY_REFERENCE_NODE:
                raw(u"&") << node->getNodeName() << u";";
                break;
            case DOMNode::PROCESSING_INSTRUCTION_NODE: {
                auto* pi = static_cast<const DOMProcessingInstruction*>(node);
                raw(u"<?") << pi->getTarget();
                if (!isEmpty(pi->getData())) {
                    m_f << u" " << pi->getData();
                }
                m_f << u"?>";
                break;
            }
            case DOMNode::DOCUMENT_NODE:
                for (DOMNode* child = node->getFirstChild(); child;
                     child = child->getNextSibling()) {
                    print(child);
                }
                break;
            case DOMNode::DOCUMENT_TYPE_NODE:
                printDocumentType(node);
                break;
            case DOMNode::ENTITY_NODE:
                printEntity(node);
                break;
            default:
                break;
        }
    }

private:
    XMLFormatter& raw(const XMLCh* text) {
        m_f << XMLFormatter::NoEscapes << text;
        return m_f;
    }

    void printElement(const DOMNode* node) {
        const XMLCh* name = node->getNodeName();
        raw(u"<") << name;
        // The declaration is written where the element's namespace starts, not repeated below.
        std::u16string declared;
        const XMLCh* uri = node->getNamespaceURI();
        if (!isEmpty(uri)) {
            const DOMNode* parent = node->getParentNode();
            const XMLCh* prefix = node->getPrefix();
            const bool inherited =
                parent != nullptr && parent->getNodeType() != DOMNode::DOCUMENT_NODE &&
                XMLString::equals(parent->getNamespaceURI(), uri) &&
                (isEmpty(prefix) || XMLString::equals(prefix, parent->getPrefix()));
            if (!inherited) {
                declared = u"xmlns";
                if (!isEmpty(prefix)) {
                    declared += u":";
                    declared += prefix;
                }
                // A URI is an attribute value like any other: "&", "<" and quotes are escaped.
                m_f << u" " << declared.c_str() << u"=\"" << XMLFormatter::AttrEscapes << uri
                    << XMLFormatter::NoEscapes << u"\"";
            }
        }
        if (DOMNamedNodeMap* attributes = node->getAttributes()) {
            for (XMLSize_t i = 0; i < attributes->getLength(); ++i) {
                DOMNode* attribute = attributes->item(i);
                if (!declared.empty() &&
                    XMLString::equals(attribute->getNodeName(), declared.c_str())) {
                    continue;
                }
                raw(u" ") << attribute->getNodeName() << u"=\"" << XMLFormatter::AttrEscapes
                          << attribute->getNodeValue() << XMLFormatter::NoEscapes << u"\"";
            }
        }
        if (node->hasChildNodes()) {
            m_f << u">";
            for (DOMNode* child = node->getFirstChild(); child; child = child->getNextSibling()) {
                print(child);
            }
            raw(u"</") << name << u">";
        } else {
            m_f << u"/>";
        }
    }

    void quoted(const XMLCh* value) { m_f << u"\"" << value << u"\""; }

    void printDocumentType(const DOMNode* node) {
        auto* type = static_cast<const DOMDocumentType*>(node);
        raw(u"<!DOCTYPE ") << type->getName();
        if (!isEmpty(type->getPublicId())) {
            m_f << u" PUBLIC ";
            quoted(type->getPublicId());
            if (!isEmpty(type->getSystemId())) {
                m_f << u" ";
                quoted(type->getSystemId());
            }
        } else if (!isEmpty(type->getSystemId())) {
            m_f << u" SYSTEM ";
            quoted(type->getSystemId());
        }
        if (!isEmpty(type->getInternalSubset())) {
            m_f << u" [" << type->getInternalSubset() << u"]";
        }
        m_f << u">";
    }

    void printEntity(const DOMNode* node) {
        auto* entity = static_cast<const DOMEntity*>(node);
        raw(u"<!ENTITY ") << node->getNodeName();
        if (!isEmpty(entity->getPublicId())) {
            m_f << u"PUBLIC ";
            quoted(entity->getPublicId());
        }
        if (!isEmpty(entity->getSystemId())) {
            m_f << u"SYSTEM ";
            quoted(entity->getSystemId());
        }
        if (!isEmpty(entity->getNotationName())) {
            m_f << u"NDATA ";
            quoted(entity->getNotationName());
        }
        m_f << u">\r\n";
    }

    XMLFormatter& m_f;
};

}  // namespace

void PrintDOM(const DOMNode* node, std::ostream& out) {
    if (node == nullptr) {
        return;
    }
    try {
        DOMPrintFormatTarget target(out);
        XMLFormatter formatter("UTF-8", nullptr, &target, XMLFormatter::StdEscapes,
                               XMLFormatter::UnRep_CharRef);
        Printer(formatter).print(node);
    } catch (const OutOfMemoryException&) {
        PYX_THROW(PYXOutOfMemoryError(), "PrintDOM");
    } catch (const std::bad_alloc&) {
        PYX_THROW(PYXOutOfMemoryError(), "PrintDOM");
    }
}

void PrintDOM(const PYXIDOM_Node* node, std::ostream& out) {
    PrintDOM(node != nullptr ? node->getXercesNode() : nullptr, out);
}
