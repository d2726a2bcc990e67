// The namespace's answers that need no user session: whether a document sent to the generic
// identifier designates it, and the namespace object itself.
#include "common/ProviderErrors.h"
#include "common/ProviderMessages.h"
#include "namespace/BasaltNamespace.h"
#include "namespace/DirectoryDN.h"
#include "namespace/RuntimeConfiguration.h"

#include <PYXIDOM_Document.h>
#include <PYXIDOM_Element.h>
#include <PYXIDOM_Parser.h>
#include <PYXThrowable.h>
#include <VOR_AAA_BiBusHeader.h>
#include <VOR_AAA_Namespace.h>
#include <VOR_AAA_QueryDoc.h>
#include <VOR_AAA_QueryResponse.h>
#include <VOR_AAA_SearchPath.h>
#include <VOR_AAA_VORID.h>

#include <algorithm>

namespace {

const PYXIDOM_Element* ChildElement(const PYXIDOM_Node& parent, const char* name) {
    const I18NString wanted(name);
    for (PYXIDOM_Node* child = parent.getFirstChild(); child != nullptr;
         child = child->getNextSibling()) {
        if (child->getNodeType() == PYXIDOM_Node::ELEMENT_NODE &&
            (child->getLocalName() == wanted || child->getNodeName() == wanted)) {
            return static_cast<const PYXIDOM_Element*>(child);
        }
    }
    return nullptr;
}

// The text of a child element; false when there is no such child.
bool ChildText(const PYXIDOM_Node& parent, const char* name, I18NString& text) {
    const PYXIDOM_Element* child = ChildElement(parent, name);
    if (child == nullptr) {
        return false;
    }
    text = child->getTextContent();
    return true;
}

bool ChildTextEquals(const PYXIDOM_Node& parent, const char* name, const char* expected) {
    I18NString text;
    return ChildText(parent, name, text) && text == I18NString(expected);
}

bool ChildTextEqualsIgnoreCase(const PYXIDOM_Node& parent, const char* name,
                               const I18NString& expected) {
    I18NString text;
    return ChildText(parent, name, text) && text.equalsIgnoreCase(expected);
}

const std::set<std::string> kNamespaceProperties = {"objectClass", "searchPath",  "defaultName",
                                                    "name",        "hasChildren", "capabilities"};

}  // namespace

bool BasaltNamespace::NamespaceConfigurationMatch(VOR_AAA_BiBusHeader& document) {
    VOR_AAA_CredentialsDoc& credentials = document.GetCredentials();
    if (!credentials.HasCredentials()) {
        return false;
    }
    I18NString ridgeNamespace;
    if (credentials.GetValue("ridgenamespace", ridgeNamespace) &&
        !ridgeNamespace.equalsIgnoreCase(m_directoryNamespace)) {
        return false;
    }
    I18NString runtimeBlob;
    if (!credentials.GetValue("runtimeblob", runtimeBlob) || runtimeBlob.empty()) {
        return false;
    }
    PYXIDOM_Parser parser;
    I18NString error;
    const std::string blobText = runtimeBlob.utf8();
    const std::unique_ptr<PYXIDOM_Document> blob = parser.parse(blobText, error);
    if (!blob || blob->getDocumentElement() == nullptr) {
        PYX_THROW(ProviderError(-32, {ProviderMessage(kMsgDocumentParseFailed, {"runtimeblob"}),
                                      ProviderMessage(kMsgDetailLine, {error})}),
                  "NamespaceConfigurationMatch");
    }
    const PYXIDOM_Element& root = *blob->getDocumentElement();
    if (!ChildTextEquals(root, "GENERATION", "4") || !ChildTextEquals(root, "STORAGE_TYPE", "2") ||
        !ChildTextEqualsIgnoreCase(root, "DEFAULT_NAMESPACE", m_directoryNamespace)) {
        return false;
    }
    const PYXIDOM_Element* ldap = ChildElement(root, "LDAP");
    if (ldap == nullptr || !ChildTextEqualsIgnoreCase(*ldap, "HOST", m_host)) {
        return false;
    }
    I18NString port;
    if (!ChildText(*ldap, "PORT", port) ||
        static_cast<uint32_t>(AtoiValue(port.utf8())) != m_port) {
        return false;
    }
    I18NString baseDN;
    if (!ChildText(*ldap, "BASE_DN", baseDN) && !ChildText(root, "BASE_DN", baseDN)) {
        return false;
    }
    if (!DirectoryDNsEqual(baseDN.utf8(), m_baseDN.utf8())) {
        return false;
    }
    I18NString sslEnabled;
    if (ChildText(root, "SSL_ENABLED", sslEnabled) && sslEnabled.equalsIgnoreCase("true") &&
        m_sslCertificateDatabase.empty()) {
        return false;
    }

    // Re-address the claimed credential entry to this namespace.
    auto& entries = credentials.GetCredentials();
    const I18NString looked =
        credentials.GetNamespaces().empty() ? I18NString() : credentials.GetNamespaces()[0];
    const auto it = std::find_if(entries.begin(), entries.end(),
                                 [&](const auto& e) { return e.namespaceID == looked; });
    if (it == entries.end()) {
        return false;
    }
    VOR_AAA_CredentialsDoc::Credential entry = *it;
    entry.values.erase("ridgenamespace");
    entry.values.erase("runtimeblob");
    entry.namespaceID = GetIdentifier();
    credentials.RemoveCredential(static_cast<std::size_t>(it - entries.begin()));
    credentials.AddCredential(std::move(entry));
    // Lookups of this request now use the re-addressed entry.
    std::vector<I18NString> order = credentials.GetNamespaces();
    order.erase(std::remove(order.begin(), order.end(), GetIdentifier()), order.end());
    order.insert(order.begin(), GetIdentifier());
    credentials.SetNamespaces(std::move(order));
    return true;
}

void BasaltNamespace::BuildNamespaceObject(VOR_AAA_Namespace& object,
                                           const std::set<std::string>& requested,
                                           const I18NString& contentLocale) const {
    const auto wants = [&](const char* name) { return requested.count(name) != 0; };
    if (wants("objectClass")) {
        object.SetObjectClass();
    }
    if (wants("searchPath")) {
        object.SearchPath().Set(VOR_AAA_VORID::Wrap(GetIdentifierUtf8()), true);
    }
    if (wants("defaultName")) {
        object.DefaultName().Set(m_displayName.utf8());
    }
    if (wants("name")) {
        object.Name().Add(contentLocale.utf8(), m_displayName.utf8());
    }
    if (wants("hasChildren")) {
        object.HasChildren().Set(true);
    }
    if (wants("capabilities")) {
        object.Capabilities().Set(
            {"startsWith", "endsWith", "contains", "equals", "caseSensitive"});
    }
}

bool BasaltNamespace::QueryNamespaceProperties(VOR_AAA_QueryDoc& query,
                                               VOR_AAA_QueryResponse& response) {
    const std::string& pathText = query.GetQuery().GetSearchPath();
    const VOR_AAA_SearchPath path(pathText);
    if (path.GetKind() == VOR_AAA_SearchPath::eSPVORID) {
        const VOR_AAA_VORID::Decoded decoded = VOR_AAA_VORID::Decode(path.GetObjectID());
        if (I18NString(decoded.namespacePart) != GetIdentifier()) {
            PYX_THROW(
                ProviderError(kVOR_AAA_DirectoryProcessFailure,
                              {ProviderMessage(kMsgNoSessionForVisa, {decoded.namespacePart})}),
                "BasaltNamespace::QueryNamespaceProperties");
        }
    }
    if (path.GetKind() != VOR_AAA_SearchPath::eSPVORID ||
        path.GetAxis() != VOR_AAA_SearchPath::eAxisSelf) {
        PYX_THROW(ProviderError(kVOR_AAA_GeneralFailure,
                                {ProviderMessage(kMsgQueryNotAnswered, {pathText})}),
                  "BasaltNamespace::QueryNamespaceProperties");
    }
    // Without a session only the namespace object itself can be served.
    if (I18NString(path.GetObjectID()) != GetIdentifier()) {
        return false;
    }
    const I18NString contentLocale = query.GetBiBusHeader().GetAdditionalInfo().GetContentLocale();
    // Filters look at every property the object has, requested or not.
    VOR_AAA_Namespace complete;
    BuildNamespaceObject(complete, kNamespaceProperties, contentLocale);
    if (!complete.PassesFilters(path.GetPredicates(), contentLocale.utf8())) {
        return true;
    }
    auto object = std::make_unique<VOR_AAA_Namespace>();
    BuildNamespaceObject(*object, query.GetQuery().GetProperties(), contentLocale);
    response.AddObject(std::move(object));
    return true;
}
