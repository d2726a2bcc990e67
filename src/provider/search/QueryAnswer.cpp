// A session's answer to a query: the query itself (its ticket kept alive, the handle renewed after
// the namespace's number of queries) and one object by its identifier. Listings are in
// Listings.cpp, the builders of accounts, folders and roles in ObjectBuilders.cpp.
#include "audit/CallTrace.h"
#include "common/ProviderErrors.h"
#include "common/ProviderMessages.h"
#include "namespace/BasaltNamespace.h"
#include "process/ProviderSlot.h"
#include "search/DirectoryReads.h"
#include "search/WantedProperties.h"
#include "session/BasaltSession.h"

#include <PYXThrowable.h>
#include <VOR_AAA_Account.h>
#include <VOR_AAA_AdditionalInfo.h>
#include <VOR_AAA_BaseClassWithMembers.h>
#include <VOR_AAA_Namespace.h>
#include <VOR_AAA_QueryDoc.h>
#include <VOR_AAA_QueryResponse.h>
#include <VOR_AAA_SearchPath.h>
#include <VOR_AAA_Visa.h>

#include <algorithm>
#include <vector>

bool BasaltSession::QueryObjectProperties(VOR_AAA_QueryDoc& queryDoc, const VOR_AAA_Visa& visa,
                                          const VOR_AAA_AdditionalInfo& additionalInfo,
                                          VOR_AAA_QueryResponse& response, int32_t& result) {
    result = 0;
    const VOR_AAA_Query& query = queryDoc.GetQuery();
    const std::string& pathText = query.GetSearchPath();
    const VOR_AAA_SearchPath path(pathText);
    const int axis = path.GetAxis();
    if (path.GetKind() != VOR_AAA_SearchPath::eSPVORID ||
        (axis != VOR_AAA_SearchPath::eAxisSelf && axis != VOR_AAA_SearchPath::eAxisChildren &&
         axis != VOR_AAA_SearchPath::eAxisDescendants &&
         axis != VOR_AAA_SearchPath::eAxisDescendantsOrSelf)) {
        PYX_THROW(ProviderError(-48, {ProviderMessage(kMsgQueryNotAnswered, {pathText})}),
                  "BasaltSession::QueryObjectProperties");
    }
    const PropertySet properties = query.GetProperties();
    const RefProps refProps = query.GetRefProps();
    m_queryTexts = {QueryContentLocale().utf8(), GetNamespace().GetDefaultContentLocale().utf8(),
                    GetNamespace().GetDefaultProductLocale().utf8()};
    const std::vector<std::string> predicates = path.GetPredicates();

    const VOR_AAA_VORID::DirectoryProbe probe = [this](VOR_AAA_VORID::ObjectKind kind,
                                                       uint32_t number) {
        return ObjectKind(I18NString(std::to_string(number))) == kind;
    };
    const VOR_AAA_VORID::Decoded object =
        VOR_AAA_VORID::Resolve(pathText, path.GetObjectID(), GetNamespace().GetIdentifierUtf8(),
                               m_bHandleAuthenticated ? probe : VOR_AAA_VORID::DirectoryProbe());

    if (axis == VOR_AAA_SearchPath::eAxisSelf) {
        m_listing.Reset();
        m_listing.SetCollecting(true);
        retrieveObjectProperties(object, properties, refProps, response);
    } else if (m_listing.Reuses(query)) {
        ServePage(query, response);
    } else {
        m_listing.Store(query);
        retrieveObjectDescendantProperties(object, axis, predicates, query, response);
    }

    const uint32_t limit = GetNamespace().GetQueryCacheLimit();
    if (limit > 0 && ++m_queriesSinceInit == limit) {
        ReestablishAuthHandle(visa, TraceScope(GetAuditLogger(), additionalInfo));
    }
    return true;
}

void BasaltSession::retrieveObjectProperties(const VOR_AAA_VORID::Decoded& object,
                                             const PropertySet& properties,
                                             const RefProps& refProps,
                                             VOR_AAA_QueryResponse& response) {
    PYX_ASSERT(m_bHandleAuthenticated);
    const auto kind = object.kind;
    if (kind != VOR_AAA_VORID::eNamespace && kind != VOR_AAA_VORID::eNamespaceFolder &&
        kind != VOR_AAA_VORID::eAccount && kind != VOR_AAA_VORID::eRole) {
        PYX_THROW(ProviderError(-19, {ProviderMessage(kMsgUnsupportedObjectKind)}),
                  "BasaltSession::retrieveObjectProperties");
    }
    if (properties.empty()) {
        static const VOR_AAA_ObjectType kClassOf[] = {kVOR_AAA_Unknown,         kVOR_AAA_Namespace,
                                                      kVOR_AAA_NamespaceFolder, kVOR_AAA_User,
                                                      kVOR_AAA_Unknown,         kVOR_AAA_Role};
        VOR_AAA_BaseClassPtr bare = VOR_AAA_CreateObject(kClassOf[kind]);
        bare->SearchPath().Set(ObjectSearchPath(kind, object.number), true);
        response.AddObject(std::move(bare));
        return;
    }
    VOR_AAA_BaseClassPtr built;
    switch (kind) {
        case VOR_AAA_VORID::eNamespace: {
            if (object.namespacePart != GetNamespace().GetIdentifierUtf8()) {
                PYX_THROW(ProviderError(
                              -19, {ProviderMessage(kMsgQueryNotAnswered, {object.namespacePart})}),
                          "BasaltSession::retrieveObjectProperties");
            }
            auto ns = std::make_unique<VOR_AAA_Namespace>();
            GetNamespace().BuildNamespaceObject(
                *ns, properties.count("*") != 0 ? kNamespaceProperties : properties,
                QueryContentLocale());
            built = std::move(ns);
            break;
        }
        case VOR_AAA_VORID::eAccount:
            built = retrieveUserProperties(object.number, WantedProperties(properties), nullptr);
            break;
        case VOR_AAA_VORID::eNamespaceFolder:
            built =
                retrieveUserFolderProperties(object.number, WantedProperties(properties), nullptr);
            break;
        default:
            built = retrieveRoleProperties(object.number, WantedProperties(properties), refProps,
                                           nullptr);
            break;
    }
    if (built) {
        response.AddObject(std::move(built));
    }
}
