#include "HostDocuments.h"

#include "HostError.h"
#include "QueryDocuments.h"
#include "SchemaNames.h"
#include "XmlTree.h"

namespace basalt_host {

std::string additionalInfoDocument(const std::string& productLocale,
                                   const std::string& contentLocale) {
    return std::string("<additionalInfo xmlns=\"") + names::kBusNamespaceURI +
           "\"><typedLogger>Audit.RTUsage</typedLogger><productLocale>" + xmlEscape(productLocale) +
           "</productLocale><contentLocale>" + xmlEscape(contentLocale) +
           "</contentLocale><tracking><hopCount></hopCount><requestContext>basalt-host"
           "</requestContext><sessionContext></sessionContext><stepContext></stepContext>"
           "</tracking></additionalInfo>";
}

std::string setNamespaceVersionDocument(const std::string& namespaceId,
                                        const std::string& versionUri) {
    // The root element's spelling is the schema's own.
    return "<setNamespceVersionDocument><namespaceID>" + xmlEscape(namespaceId) +
           "</namespaceID><namespaceVersion>" + xmlEscape(versionUri) +
           "</namespaceVersion></setNamespceVersionDocument>";
}

std::string voridPath(const std::string& identifier) {
    std::string body;
    for (char c : identifier) {
        body += c == '"' ? std::string("&quot;") : std::string(1, c);
    }
    return "VORID(\"" + body + "\")";
}

std::string namespaceVisaDocument(const std::string& namespaceId) {
    return std::string("<visa xmlns=\"") + names::kAAANamespaceURI + "\" namespaceID=\"" +
           xmlEscape(namespaceId) +
           "\"><object id=\"\" class=\"visa\"><object id=\"\" class=\"user\"/></object>"
           "<providerSpecificData></providerSpecificData></visa>";
}

std::string namespaceQueryDocument(const std::string& namespaceId, const std::string& productLocale,
                                   const std::string& contentLocale) {
    QuerySpec spec;
    spec.searchPath = voridPath(namespaceId);
    spec.properties = {names::kHasChildren,        names::kDefaultName, names::kName,
                       names::kObjectClass,        names::kAncestors,   names::kSearchPath,
                       names::kDefaultDescription, names::kDescription, names::kCapabilities};
    spec.productLocale = productLocale;
    spec.contentLocale = contentLocale;
    return queryDocument(spec);
}

std::string namespaceFormatUri(const std::string& version) {
    if (version == "1") {
        return names::kNamespaceFormatURI1;
    }
    if (version == "2") {
        return names::kNamespaceFormatURI2;
    }
    if (version == "3") {
        return names::kNamespaceFormatURI3;
    }
    if (version.find("://") != std::string::npos) {
        return version;
    }
    throw HostError("'" + version +
                    "' is not a namespace version: give 1, 2, 3 or a namespace-format URI");
}

std::optional<std::string> configurationId(const std::string& configuration) {
    std::unique_ptr<XmlElement> root;
    try {
        root = parseXml(configuration, "namespace configuration");
    } catch (const HostError&) {
        return std::nullopt;  // the provider reports what is wrong with it
    }
    std::optional<std::string> id;
    for (const XmlElement* parameter : root->childrenNamed("parameter")) {
        if (parameter->attribute("name") == "id") {
            const XmlElement* value = parameter->child("value");
            id = value ? std::optional<std::string>(value->text) : std::nullopt;
        }
    }
    return id;
}

}  // namespace basalt_host
