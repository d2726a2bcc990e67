// The namespace's answer that needs no user session: the namespace object itself.
#include "common/ProviderErrors.h"
#include "common/ProviderMessages.h"
#include "namespace/BasaltNamespace.h"
#include "namespace/RuntimeConfiguration.h"

#include <PYXThrowable.h>
#include <VOR_AAA_BiBusHeader.h>
#include <VOR_AAA_Namespace.h>
#include <VOR_AAA_QueryDoc.h>
#include <VOR_AAA_QueryResponse.h>
#include <VOR_AAA_SearchPath.h>
#include <VOR_AAA_VORID.h>

#include <algorithm>

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
