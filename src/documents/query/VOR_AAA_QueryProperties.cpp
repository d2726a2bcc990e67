#include "VOR_AAA_QueryProperties.h"

#include "VOR_AAA_Const.h"
#include "VOR_AAA_ParseDocument.h"
#include "VOR_AAA_WriteEscapedText.h"

using C = VOR_AAA_Const;

void WritePropertyArray(std::ostream& out, const std::set<std::string>& properties,
                        const char* arrayType, const std::string& namespaceDeclarations) {
    out << "<properties" << namespaceDeclarations
        << " xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"" << arrayType << '['
        << properties.size() << "]\">";
    for (const std::string& name : properties) {
        out << "<item xsi:type=\"cm:propEnum\">";
        WriteEscapedText(name, out);
        out << "</item>";
    }
    out << "</properties>";
}

void VOR_AAA_QueryProperties::Write(std::ostream& out) const {
    WritePropertyArray(out, m_properties, "cm:propEnum",
                       std::string(" xmlns:xsi=\"") + C::Text::kXMLSchemaInstanceNamespaceURI +
                           "\" xmlns:SOAP-ENC=\"" + C::Text::kSOAPEncodingNamespaceURI + "\"");
}

void VOR_AAA_QueryProperties::Load(const char* text, size_t length) {
    VOR_AAA_QueryPropertiesHandler handler(*this);
    VOR_AAA_ParseDocument(handler, "properties", text, length);
}

namespace {

enum State { kOutside, kProperties, kProperty };

}  // namespace

std::span<const VOR_AAA_QueryPropertiesHandler::Rule> VOR_AAA_QueryPropertiesHandler::Rules() {
    using H = VOR_AAA_QueryPropertiesHandler;
    static const Rule kRules[] = {
        {.parent = kOutside, .name = C::kProperties, .state = kProperties},
        {.parent = kProperties,
         .name = C::kItem,
         .state = kProperty,
         .text = [](H& h) { return &h.m_text; },
         .replace = true,
         .leave =
             [](H& h) {
                 if (!h.m_text.empty()) {
                     h.m_target.AddProperty(h.m_text.utf8());
                 }
             }},
    };
    return kRules;
}
