#include "XmlTree.h"

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLString.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <set>

#include "HostError.h"
#include "Utf8.h"

namespace basalt_host {

using namespace xercesc;

namespace {

// UTF-16 to UTF-8 by hand: a transcoder made for every name and value cost the gateway more
// than the parse itself. A lone surrogate becomes U+FFFD.
void appendUtf8(std::string& out, const XMLCh* text, std::size_t length) {
    out.reserve(out.size() + length);
    for (std::size_t i = 0; i < length; ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        ::appendUtf8(out, c);
    }
}

std::string utf8(const XMLCh* text) {
    std::string out;
    if (text != nullptr) {
        appendUtf8(out, text, XMLString::stringLen(text));
    }
    return out;
}

std::string_view localPart(std::string_view qualified) {
    std::size_t colon = qualified.find(':');
    return colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
}

struct DoctypeRejected {};

class TreeBuilder : public DefaultHandler {
public:
    std::unique_ptr<XmlElement> root;

    void startElement(const XMLCh*, const XMLCh*, const XMLCh* qname,
                      const Attributes& attrs) override {
        auto element = std::make_unique<XmlElement>();
        element->qualifiedName = utf8(qname);
        element->localName = std::string(localPart(element->qualifiedName));
        for (XMLSize_t i = 0; i < attrs.getLength(); ++i) {
            element->attributes.emplace_back(utf8(attrs.getQName(i)), utf8(attrs.getValue(i)));
        }
        XmlElement* raw = element.get();
        if (m_open.empty()) {
            root = std::move(element);
        } else {
            raw->parent = m_open.back();
            m_open.back()->children.push_back(std::move(element));
        }
        m_open.push_back(raw);
    }

    void endElement(const XMLCh*, const XMLCh*, const XMLCh*) override { m_open.pop_back(); }

    void characters(const XMLCh* chars, const XMLSize_t length) override {
        if (m_open.empty()) {
            return;
        }
        appendUtf8(m_open.back()->text, chars, length);
    }

    // A DOCTYPE may declare entities; the provider's documents never carry one.
    void startDTD(const XMLCh*, const XMLCh*, const XMLCh*) override { throw DoctypeRejected{}; }

    void fatalError(const SAXParseException& error) override { throw error; }
    void error(const SAXParseException& error) override { throw error; }

private:
    std::vector<XmlElement*> m_open;
};

void appendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '&':
                out += "&amp;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            case '\r':
                // Written as it is, a reader would take it for a line end and make it '\n'.
                out += "&#13;";
                break;
            default:
                out += c;
        }
    }
}

void writeElement(std::string& out, const XmlElement& element,
                  const std::vector<std::pair<std::string, std::string>>& extraAttributes) {
    out += '<';
    out += element.qualifiedName;
    auto writeAttribute = [&out](const std::pair<std::string, std::string>& attribute) {
        out += ' ';
        out += attribute.first;
        out += "=\"";
        appendEscaped(out, attribute.second);
        out += '"';
    };
    for (const auto& attribute : extraAttributes) {
        writeAttribute(attribute);
    }
    for (const auto& attribute : element.attributes) {
        writeAttribute(attribute);
    }
    if (element.text.empty() && element.children.empty()) {
        out += "/>";
        return;
    }
    out += '>';
    appendEscaped(out, element.text);
    for (const auto& child : element.children) {
        writeElement(out, *child, {});
    }
    out += "</";
    out += element.qualifiedName;
    out += '>';
}

bool isNamespaceDeclaration(const std::string& name) {
    return name == "xmlns" || name.rfind("xmlns:", 0) == 0;
}

}  // namespace

const XmlElement* XmlElement::child(std::string_view local) const {
    for (const auto& element : children) {
        if (element->localName == local) {
            return element.get();
        }
    }
    return nullptr;
}

std::vector<const XmlElement*> XmlElement::childrenNamed(std::string_view local) const {
    std::vector<const XmlElement*> found;
    for (const auto& element : children) {
        if (element->localName == local) {
            found.push_back(element.get());
        }
    }
    return found;
}

std::string XmlElement::childText(std::string_view local) const {
    const XmlElement* element = child(local);
    return element ? element->text : std::string();
}

std::optional<std::string> XmlElement::attribute(std::string_view local) const {
    for (const auto& [name, value] : attributes) {
        if (!isNamespaceDeclaration(name) && localPart(name) == local) {
            return value;
        }
    }
    return std::nullopt;
}

const XmlElement* XmlElement::find(std::string_view local) const {
    if (localName == local) {
        return this;
    }
    for (const auto& element : children) {
        if (const XmlElement* found = element->find(local)) {
            return found;
        }
    }
    return nullptr;
}

std::unique_ptr<XmlElement> parseXml(const std::string& text, const std::string& what) {
    std::unique_ptr<SAX2XMLReader> reader(XMLReaderFactory::createXMLReader());
    // Names are matched by local name with the prefix ignored, as the provider reads them;
    // without namespace processing a prefix the writer forgot to declare does not hide the
    // content, and declarations stay plain attributes that a copied element can carry.
    reader->setFeature(XMLUni::fgSAX2CoreNameSpaces, false);
    reader->setFeature(XMLUni::fgSAX2CoreValidation, false);
    reader->setFeature(XMLUni::fgXercesSchema, false);
    reader->setFeature(XMLUni::fgXercesLoadExternalDTD, false);
    reader->setFeature(XMLUni::fgXercesDisableDefaultEntityResolution, true);
    TreeBuilder builder;
    reader->setContentHandler(&builder);
    reader->setErrorHandler(&builder);
    reader->setLexicalHandler(&builder);
    MemBufInputSource source(reinterpret_cast<const XMLByte*>(text.data()), text.size(),
                             what.c_str(), false);
    try {
        reader->parse(source);
    } catch (const SAXParseException& error) {
        throw HostError("the " + what + " is not well-formed XML (line " +
                        std::to_string(error.getLineNumber()) + ", column " +
                        std::to_string(error.getColumnNumber()) + "): " + utf8(error.getMessage()));
    } catch (const XMLException& error) {
        throw HostError("the " + what + " could not be read as XML: " + utf8(error.getMessage()));
    } catch (const DoctypeRejected&) {
        throw HostError("the " + what + " contains a DOCTYPE declaration, which is not accepted");
    }
    if (!builder.root) {
        throw HostError("the " + what + " holds no XML element");
    }
    return std::move(builder.root);
}

std::string serializeXml(const XmlElement& element) {
    // Declarations made on ancestors and not redeclared below them must travel with the copy.
    std::vector<std::pair<std::string, std::string>> inherited;
    std::set<std::string> declared;
    for (const auto& [name, value] : element.attributes) {
        if (isNamespaceDeclaration(name)) {
            declared.insert(name);
        }
    }
    for (const XmlElement* ancestor = element.parent; ancestor; ancestor = ancestor->parent) {
        for (const auto& [name, value] : ancestor->attributes) {
            if (isNamespaceDeclaration(name) && declared.insert(name).second) {
                inherited.emplace_back(name, value);
            }
        }
    }
    std::string out;
    writeElement(out, element, inherited);
    return out;
}

std::string xmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendEscaped(out, text);
    return out;
}

XercesSession::XercesSession() {
    try {
        XMLPlatformUtils::Initialize();
    } catch (const XMLException& error) {
        throw HostError("the XML parser could not be initialised: " + utf8(error.getMessage()));
    }
}

XercesSession::~XercesSession() {
    XMLPlatformUtils::Terminate();
}

}  // namespace basalt_host
