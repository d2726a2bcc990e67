#include "QueryDocuments.h"

#include "HostDocuments.h"
#include "SchemaNames.h"
#include "XmlTree.h"

namespace basalt_host {

std::string queryDocument(const QuerySpec& query) {
    std::string properties;
    for (const std::string& name : query.properties) {
        properties += "<item xsi:type=\"cm:propEnum\">" + xmlEscape(name) + "</item>";
    }
    std::string options;
    if (query.skip > 0) {
        options +=
            "<skipObjects xsi:type=\"xsd:long\">" + std::to_string(query.skip) + "</skipObjects>";
    }
    if (query.max > 0) {
        options +=
            "<maxObjects xsi:type=\"xsd:long\">" + std::to_string(query.max) + "</maxObjects>";
    }
    if (!options.empty()) {
        options = "<options xsi:type=\"cm:queryOptions\">" + options + "</options>";
    }
    return std::string("<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"") + names::kSOAPEnvelopeNamespaceURI +
           "\" xmlns:bus=\"" + names::kBusNamespaceURI + "\" xmlns:xsd=\"" +
           names::kXMLSchemaNamespaceURI + "\" xmlns:xsi=\"" +
           names::kXMLSchemaInstanceNamespaceURI + "\" xmlns:SOAP-ENC=\"" +
           names::kSOAPEncodingNamespaceURI + "\"><SOAP-ENV:Header><bus:biBusHeader>" +
           additionalInfoDocument(query.productLocale, query.contentLocale) +
           "<VOR xsi:type=\"bus:VOR\"></VOR></bus:biBusHeader></SOAP-ENV:Header><SOAP-ENV:Body>"
           "<query xmlns=\"" +
           names::kAAANamespaceURI + "\" xmlns:cm=\"" + names::kAAANamespaceURI +
           "\"><search xsi:type=\"SOAP-ENC:Array\">" + xmlEscape(query.searchPath) +
           "</search><properties xsi:type=\"SOAP-ENC:Array\">" + properties + "</properties>" +
           options + "</query></SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

std::string withFilters(const std::string& searchPath, const std::vector<std::string>& filters) {
    std::string path = searchPath;
    for (const std::string& filter : filters) {
        path += "[" + filter + "]";
    }
    return path;
}

}  // namespace basalt_host
