// VOR_AAA_QueryDoc: a search request as the framework sends it: a SOAP 1.1 envelope whose
// header holds the bus header and whose body holds the query.
//
// Usage:
//   VOR_AAA_QueryDoc doc;
//   doc.Load(text, length);                 // document name "queryDoc"
//   session.Query(doc.GetQuery(), doc.GetBiBusHeader(), response);
// Written form (no line breaks): <SOAP-ENV:Envelope xmlns:SOAP-ENV xmlns:bus xmlns:xsd
// xmlns:xsi xmlns:SOAP-ENC><SOAP-ENV:Header>header</SOAP-ENV:Header><SOAP-ENV:Body>query
// </SOAP-ENV:Body></SOAP-ENV:Envelope>. A bare "query" root is read as well.
#pragma once

#include "VOR_AAA_BiBusHeader.h"
#include "VOR_AAA_DefaultHandlers.h"
#include "VOR_AAA_Query.h"
#include "VOR_AAA_Serializable.h"

class VOR_AAA_QueryDoc : public VOR_AAA_Serializable {
public:
    void Write(std::ostream& out) const override;
    // Replaces the whole content.
    void Load(const char* text, size_t length) override;

    VOR_AAA_BiBusHeader& GetBiBusHeader() { return m_header; }
    const VOR_AAA_BiBusHeader& GetBiBusHeader() const { return m_header; }
    VOR_AAA_Query& GetQuery() { return m_query; }
    const VOR_AAA_Query& GetQuery() const { return m_query; }

private:
    VOR_AAA_BiBusHeader m_header;
    VOR_AAA_Query m_query;
};

class VOR_AAA_QueryDocHandler : public virtual VOR_AAA_DefaultContentHandler {
public:
    explicit VOR_AAA_QueryDocHandler(VOR_AAA_QueryDoc& target)
        : m_headerHandler(target.GetBiBusHeader()), m_queryHandler(target.GetQuery()) {}

    void startDocument() override;
    void startElement(const XMLCh* const uri, const XMLCh* const localname,
                      const XMLCh* const qname, const xercesc::Attributes& attrs) override;
    void endElement(const XMLCh* const uri, const XMLCh* const localname,
                    const XMLCh* const qname) override;
    void characters(const XMLCh* const chars, const XMLSize_t length) override;

private:
    xercesc::ContentHandler* delegate();

    // 0 outside; 1 Envelope; 2 Header; 3 the bus header (forwarded); 4 Body; 5 the query
    // (forwarded).
    int m_state = 0;
    int m_depth = 0;
    int m_delegateLevel = 0;  // depth of the forwarded element
    VOR_AAA_BiBusHeaderHandler m_headerHandler;
    VOR_AAA_QueryHandler m_queryHandler;
};
