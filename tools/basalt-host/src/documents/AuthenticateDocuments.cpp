#include "AuthenticateDocuments.h"

#include "HostDocuments.h"
#include "SchemaNames.h"
#include "XmlTree.h"

namespace basalt_host {
namespace {

// One SOAP array of the bus header's session part; nothing when there are no pairs.
std::string headerArray(const char* element, const char* itemType, const NameValues& pairs) {
    if (pairs.empty()) {
        return "";
    }
    std::string text = std::string("<bus:") + element +
                       " xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"bus:" + itemType + "[" +
                       std::to_string(pairs.size()) + "]\">";
    for (const auto& [name, value] : pairs) {
        text += "<item><name xsi:type=\"xsd:string\" xml:space=\"preserve\">" + xmlEscape(name) +
                "</name><value xsi:type=\"xsd:string\" xml:space=\"preserve\">" + xmlEscape(value) +
                "</value></item>";
    }
    return text + "</bus:" + element + ">";
}

}  // namespace

std::string authenticateDocument(const AuthenticateRequest& request) {
    std::string session;
    if (!request.environment.empty() || !request.formFields.empty() || !request.cookies.empty()) {
        session = "<bus:hdrSession xsi:type=\"bus:hdrSession\">" +
                  headerArray("environmentVars", "environmentVar", request.environment) +
                  headerArray("formFieldVars", "formFieldVar", request.formFields) +
                  headerArray("cookieVars", "cookieVar", request.cookies) + "</bus:hdrSession>";
    }
    return std::string("<authenticateDocument xmlns:bus=\"") + names::kBusNamespaceURI +
           "\" xmlns:xsd=\"" + names::kXMLSchemaNamespaceURI + "\" xmlns:xsi=\"" +
           names::kXMLSchemaInstanceNamespaceURI + "\" xmlns:SOAP-ENC=\"" +
           names::kSOAPEncodingNamespaceURI + "\"><bus:biBusHeader>" +
           (request.additionalInfo.empty()
                ? additionalInfoDocument(request.productLocale, request.contentLocale)
                : request.additionalInfo) +
           "<VOR xsi:type=\"bus:VOR\"><action>" + xmlEscape(request.action) + "</action>" +
           (request.securityBlob.empty()
                ? std::string()
                : "<securityBlob>" + xmlEscape(request.securityBlob) + "</securityBlob>") +
           "</VOR>" + session + "</bus:biBusHeader>" + request.visa + "</authenticateDocument>";
}

}  // namespace basalt_host
