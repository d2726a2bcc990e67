// The generic identifier: a logon addressed to it is offered to each namespace, and the one whose
// configuration the document's runtime description matches (host, port, base DN and the rest)
// takes it.
#include "namespace/GenericIdentifier.h"

#include "common/ProviderErrors.h"
#include "common/ProviderMessages.h"
#include "namespace/BasaltNamespace.h"
#include "namespace/RuntimeConfiguration.h"
#include "process/ProviderBase.h"

#include <PYXIDOM_Document.h>
#include <PYXIDOM_Element.h>
#include <PYXIDOM_Parser.h>
#include <PYXThrowable.h>
#include <VOR_AAA_BiBusHeader.h>
#include <VOR_AAA_Const.h>

#include <ldap.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <string_view>

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

struct ExplodedDNFree {
    void operator()(char** rdns) const { ldap_memvfree(reinterpret_cast<void**>(rdns)); }
};
using ExplodedDN = std::unique_ptr<char*, ExplodedDNFree>;

ExplodedDN Explode(const std::string& dn) {
    return ExplodedDN(ldap_explode_dn(dn.c_str(), 0));
}

struct RdnParts {
    std::string type;
    std::string value;
};

bool IsBlank(char c) {
    return c == ' ';
}

RdnParts SplitRdn(const char* rdn) {
    // An RDN longer than 255 bytes is compared on its first 255 bytes.
    const std::string_view copy(rdn, strnlen(rdn, 255));
    RdnParts parts;
    const std::size_t equals = copy.find('=');
    std::string_view left = copy.substr(0, equals);
    while (!left.empty() && IsBlank(left.front())) {
        left.remove_prefix(1);
    }
    parts.type.assign(left.substr(0, left.find(' ')));
    if (equals == std::string_view::npos) {
        return parts;
    }
    std::string_view right = copy.substr(equals + 1);
    while (!right.empty() && IsBlank(right.front())) {
        right.remove_prefix(1);
    }
    if (!right.empty() && right.front() == '"') {
        right.remove_prefix(1);
    }
    while (!right.empty() && IsBlank(right.back())) {
        right.remove_suffix(1);
    }
    if (!right.empty() && right.back() == '"') {
        right.remove_suffix(1);
    }
    parts.value.assign(right);
    return parts;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (std::tolower(ca) != std::tolower(cb)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool DirectoryDNsEqual(const std::string& dn, const std::string& otherDN) {
    const ExplodedDN left = Explode(dn);
    const ExplodedDN right = Explode(otherDN);
    if (!left || !right) {
        return false;
    }
    for (std::size_t i = 0;; ++i) {
        const char* a = left.get()[i];
        const char* b = right.get()[i];
        if (a == nullptr || b == nullptr) {
            return a == nullptr && b == nullptr;
        }
        const RdnParts pa = SplitRdn(a);
        const RdnParts pb = SplitRdn(b);
        if (pa.value.empty() || pb.value.empty()) {
            return false;
        }
        if (!EqualsIgnoreCase(pa.type, pb.type) || !EqualsIgnoreCase(pa.value, pb.value)) {
            return false;
        }
    }
}

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
        PYX_THROW(ProviderError(-32, {ProviderMessage(kMsgDocumentNotParsed, {"runtimeblob"}),
                                      ProviderMessage(kMsgDetail, {error})}),
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

std::shared_ptr<NamespaceBase> LookupNamespaceForAuthentication(const ProviderBase& provider,
                                                                const I18NString& identifier,
                                                                VOR_AAA_BiBusHeader& document,
                                                                int32_t& status) {
    if (identifier != I18NString(kGenericNamespaceIdentifier)) {
        return provider.GetNamespace(identifier);
    }
    std::shared_ptr<NamespaceBase> claimed = provider.FindNamespace(
        [&](NamespaceBase& ns) { return ns.NamespaceConfigurationMatch(document); });
    if (claimed != nullptr) {
        status = kVOR_AAA_NamespaceClaimed;
    }
    return claimed;
}
