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
#include "VOR_AAA_ElementReader.h"
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

class VOR_AAA_QueryDocHandler : public VOR_AAA_ElementReader<VOR_AAA_QueryDocHandler> {
public:
    explicit VOR_AAA_QueryDocHandler(VOR_AAA_QueryDoc& target)
        : m_headerHandler(target.GetBiBusHeader()), m_queryHandler(target.GetQuery()) {}

private:
    friend class VOR_AAA_ElementReader<VOR_AAA_QueryDocHandler>;
    static std::span<const Rule> Rules();
    void Reset() {}

    VOR_AAA_BiBusHeaderHandler m_headerHandler;
    VOR_AAA_QueryHandler m_queryHandler;
};
