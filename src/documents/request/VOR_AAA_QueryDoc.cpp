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

namespace {

// A query document is a SOAP envelope (header with the bus header, body with the query) or
// the bare query.
enum State { kOutside, kEnvelope, kHeader, kBusHeader, kBody, kQuery };

}  // namespace

std::span<const VOR_AAA_QueryDocHandler::Rule> VOR_AAA_QueryDocHandler::Rules() {
    using H = VOR_AAA_QueryDocHandler;
    constexpr auto query = [](H& h) -> xercesc::ContentHandler* { return &h.m_queryHandler; };
    static const Rule kRules[] = {
        {.parent = kOutside, .name = C::kEnvelope, .state = kEnvelope},
        {.parent = kOutside, .name = C::kQuery, .state = kQuery, .embedded = query},
        {.parent = kEnvelope, .name = C::kHeader, .state = kHeader},
        {.parent = kEnvelope, .name = C::kBody, .state = kBody},
        {.parent = kHeader,
         .name = C::kBiBusHeader,
         .state = kBusHeader,
         .embedded = [](H& h) -> xercesc::ContentHandler* { return &h.m_headerHandler; }},
        {.parent = kBody, .name = C::kQuery, .state = kQuery, .embedded = query},
    };
    return kRules;
}
