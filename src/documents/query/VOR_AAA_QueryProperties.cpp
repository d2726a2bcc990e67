#include "VOR_AAA_QueryProperties.h"

#include "VOR_AAA_Const.h"
#include "VOR_AAA_ParseDocument.h"
#include "VOR_AAA_WriteEscapedText.h"

using C = VOR_AAA_Const;

void VOR_AAA_QueryProperties::Write(std::ostream& out) const {
    out << "<properties xmlns:xsi=\"" << C::Text::kXMLSchemaInstanceNamespaceURI
        << "\" xmlns:SOAP-ENC=\"" << C::Text::kSOAPEncodingNamespaceURI
        << "\" xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"cm:propEnum[" << m_properties.size()
        << "]\">";
    for (const std::string& name : m_properties) {
        out << "<item xsi:type=\"cm:propEnum\">";
        WriteEscapedText(name, out);
        out << "</item>";
    }
    out << "</properties>";
}

void VOR_AAA_QueryProperties::Load(const char* text, size_t length) {
    VOR_AAA_QueryPropertiesHandler handler(*this);
    VOR_AAA_ParseDocument(handler, "properties", text, length);
}

void VOR_AAA_QueryPropertiesHandler::startDocument() {
    m_state = 0;
    m_depth = 0;
}

void VOR_AAA_QueryPropertiesHandler::startElement(const XMLCh* const, const XMLCh* const localname,
                                                  const XMLCh* const, const xercesc::Attributes&) {
    if (m_state == 0 && m_depth == 0 && C::Equals(localname, C::kProperties)) {
        m_state = 1;
    } else if (m_state == 1 && m_depth == 1 && C::Equals(localname, C::kItem)) {
        m_text.clear();
        m_state = 2;
    }
    ++m_depth;
}

void VOR_AAA_QueryPropertiesHandler::characters(const XMLCh* const chars, const XMLSize_t length) {
    if (m_state == 2) {
        VOR_AAA_AppendText(m_text, chars, length);
    }
}

void VOR_AAA_QueryPropertiesHandler::endElement(const XMLCh* const, const XMLCh* const,
                                                const XMLCh* const) {
    --m_depth;
    if (m_state == 2 && m_depth < 2) {
        if (!m_text.empty()) {
            m_target.AddProperty(m_text.utf8());
        }
        m_state = 1;
    } else if (m_state == 1 && m_depth == 0) {
        m_state = 0;
    }
}
