#include "HostDocuments.h"

#include <algorithm>
#include <cctype>

#include "HostError.h"
#include "HostText.h"
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
    QuerySpec query;
    query.searchPath = voridPath(namespaceId);
    query.properties = {names::kHasChildren,        names::kDefaultName, names::kName,
                        names::kObjectClass,        names::kAncestors,   names::kSearchPath,
                        names::kDefaultDescription, names::kDescription, names::kCapabilities};
    query.productLocale = productLocale;
    query.contentLocale = contentLocale;
    return queryDocument(query);
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
    // The provider stores version 0 for a URI it does not know and still answers success, so
    // only the three formats are sent.
    for (const char* uri :
         {names::kNamespaceFormatURI1, names::kNamespaceFormatURI2, names::kNamespaceFormatURI3}) {
        if (version == uri) {
            return version;
        }
    }
    throw HostError(
        say("'{1}' is not a namespace version: give 1, 2 or 3, or one of the URIs {2}, "
            "{3}, {4}",
            {version, names::kNamespaceFormatURI1, names::kNamespaceFormatURI2,
             names::kNamespaceFormatURI3}));
}

std::vector<std::string> unfilledPlaceholders(const std::string& text) {
    std::vector<std::string> found;
    std::size_t at = 0;
    while (at < text.size()) {
        if (text.compare(at, 4, "<!--") == 0) {  // comments may talk about placeholders
            std::size_t end = text.find("-->", at + 4);
            if (end == std::string::npos) {
                break;
            }
            at = end + 3;
            continue;
        }
        if (text[at] != '@') {
            ++at;
            continue;
        }
        std::size_t end = at + 1;
        while (end < text.size() &&
               (std::isupper(static_cast<unsigned char>(text[end])) ||
                std::isdigit(static_cast<unsigned char>(text[end])) || text[end] == '_')) {
            ++end;
        }
        if (end < text.size() && text[end] == '@' && end > at + 1) {
            std::string name = text.substr(at, end - at + 1);
            if (std::find(found.begin(), found.end(), name) == found.end()) {
                found.push_back(name);
            }
            at = end + 1;
        } else {
            at = end;
        }
    }
    return found;
}

std::optional<std::string> configurationId(const std::string& configuration) {
    return configurationParameter(configuration, "id");
}

std::optional<std::string> configurationParameter(const std::string& configuration,
                                                  const std::string& name) {
    std::unique_ptr<XmlElement> root;
    try {
        root = parseXml(configuration, "namespace configuration");
    } catch (const HostError&) {
        return std::nullopt;  // the provider reports what is wrong with it
    }
    std::optional<std::string> found;
    for (const XmlElement* parameter : root->childrenNamed("parameter")) {
        if (parameter->attribute("name") == name) {
            const XmlElement* value = parameter->child("value");
            found = value ? std::optional<std::string>(value->text) : std::nullopt;
        }
    }
    return found;
}

}  // namespace basalt_host
