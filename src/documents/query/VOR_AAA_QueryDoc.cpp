#include "VOR_AAA_QueryDoc.h"

#include "VOR_AAA_Const.h"
#include "VOR_AAA_ParseDocument.h"

using C = VOR_AAA_Const;

void VOR_AAA_QueryDoc::Write(std::ostream& out) const {
    out << "<SOAP-ENV:Envelope "
        << "xmlns:SOAP-ENV=\"" << C::Text::kSOAPEnvelopeNamespaceURI << "\" "
        << "xmlns:bus=\"" << C::Text::kBusNamespaceURI << "\" "
        << "xmlns:xsd=\"" << C::Text::kXMLSchemaNamespaceURI << "\" "
        << "xmlns:xsi=\"" << C::Text::kXMLSchemaInstanceNamespaceURI << "\" "
        << "xmlns:SOAP-ENC=\"" << C::Text::kSOAPEncodingNamespaceURI << "\">"
        << "<SOAP-ENV:Header>";
    m_header.Write(out);
    out << "</SOAP-ENV:Header><SOAP-ENV:Body>";
    m_query.Write(out);
    out << "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

void VOR_AAA_QueryDoc::Load(const char* text, size_t length) {
    m_header = VOR_AAA_BiBusHeader();
    m_query = VOR_AAA_Query();
    VOR_AAA_QueryDocHandler handler(*this);
    VOR_AAA_ParseDocument(handler, "queryDoc", text, length);
}

xercesc::ContentHandler* VOR_AAA_QueryDocHandler::delegate() {
    switch (m_state) {
        case 3:
            return &m_headerHandler;
        case 5:
            return &m_queryHandler;
        default:
            return nullptr;
    }
}

void VOR_AAA_QueryDocHandler::startDocument() {
    m_state = 0;
    m_depth = 0;
}

void VOR_AAA_QueryDocHandler::startElement(const XMLCh* const uri, const XMLCh* const localname,
                                           const XMLCh* const qname,
                                           const xercesc::Attributes& attrs) {
    auto is = [localname](const XMLCh* name) { return C::Equals(localname, name); };
    int next = -1;
    if (m_state == 0 && m_depth == 0) {
        if (is(C::kEnvelope))
            next = 1;
        else if (is(C::kQuery))
            next = 5;
    } else if (m_state == 1 && m_depth == 1) {
        if (is(C::kHeader))
            next = 2;
        else if (is(C::kBody))
            next = 4;
    } else if (m_state == 2 && m_depth == 2 && is(C::kBiBusHeader)) {
        next = 3;
    } else if (m_state == 4 && m_depth == 2 && is(C::kQuery)) {
        next = 5;
    }
    if (next >= 0) {
        m_state = next;
        if (xercesc::ContentHandler* handler = delegate()) {
            m_delegateLevel = m_depth;
            handler->startDocument();
        }
    }
    if (xercesc::ContentHandler* handler = delegate()) {
        handler->startElement(uri, localname, qname, attrs);
    }
    ++m_depth;
}

void VOR_AAA_QueryDocHandler::characters(const XMLCh* const chars, const XMLSize_t length) {
    if (xercesc::ContentHandler* handler = delegate()) {
        handler->characters(chars, length);
    }
}

void VOR_AAA_QueryDocHandler::endElement(const XMLCh* const uri, const XMLCh* const localname,
                                         const XMLCh* const qname) {
    --m_depth;
    if (xercesc::ContentHandler* handler = delegate()) {
        handler->endElement(uri, localname, qname);
        if (m_depth == m_delegateLevel) {
            handler->endDocument();
            m_state = m_state == 3 ? 2 : (m_depth == 0 ? 0 : 4);
        }
        return;
    }
    if ((m_state == 2 || m_state == 4) && m_depth < 2) {
        m_state = 1;
    } else if (m_state == 1 && m_depth == 0) {
        m_state = 0;
    }
}
