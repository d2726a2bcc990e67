// A session's answers to queries: the query itself, one object, and the builders of accounts,
// namespace folders and roles from their directory identifiers (listings are in
// BasaltSession_Helpers_2.cpp).
#include "BasaltNamespace.h"
#include "BasaltProviderUtilities.h"
#include "BasaltSession.h"
#include "ProviderAudit.h"
#include "ProviderErrors.h"
#include "ProviderMessages.h"

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

namespace {

constexpr uint32_t kMsgUnsupportedObjectKind = 0x50690298;

// What an account can be given without reading its record, when its name is known.
const std::set<std::string> kAccountNameOnly = {
    "objectClass", "searchPath",      "defaultName",        "name", "userName", "hasChildren",
    "members",     "securityMembers", "distributionMembers"};
const std::set<std::string> kRoleNameOnly = {"objectClass", "searchPath", "defaultName", "name"};
const std::set<std::string> kNamespaceProperties = {"objectClass", "searchPath",  "defaultName",
                                                    "name",        "hasChildren", "capabilities"};

bool Wants(const std::set<std::string>& properties, const char* name) {
    return properties.count(name) != 0 || properties.count("*") != 0;
}

bool OnlyAmong(const std::set<std::string>& properties, const std::set<std::string>& allowed) {
    return std::all_of(properties.begin(), properties.end(),
                       [&](const std::string& p) { return allowed.count(p) != 0; });
}

[[noreturn]] void RaiseLibraryFailure(int32_t result, const char* function) {
    PYX_THROW(ProviderError(-8, {LibraryCallMessage(result, function)}),
              "BasaltSession::QueryObjectProperties");
}

bool UserVanished(int32_t result) {
    return result == AS_ERR_USER_NOT_FOUND || result == AS_ERR_OBJECT_NOT_FOUND;
}

bool RecordVanished(int32_t result) {
    return result == AS_ERR_USER_NOT_FOUND || result == AS_ERR_FOLDER_NOT_FOUND ||
           result == AS_ERR_OBJECT_NOT_FOUND;
}

}  // namespace

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
    const std::vector<std::string> predicates = path.GetPredicates();

    const VOR_AAA_VORID::DirectoryProbe probe = [this](VOR_AAA_VORID::ObjectKind kind,
                                                       uint32_t number) {
        return ObjectKind(I18NString(std::to_string(number))) == kind;
    };
    const VOR_AAA_VORID::Decoded object =
        VOR_AAA_VORID::Resolve(pathText, path.GetObjectID(), GetNamespace().GetIdentifier().utf8(),
                               m_bHandleAuthenticated ? probe : VOR_AAA_VORID::DirectoryProbe());

    if (axis == VOR_AAA_SearchPath::eAxisSelf) {
        m_listing.Reset();
        m_listing.SetCollecting(true);
        retrieveObjectProperties(object, properties, refProps, response);
    } else if (m_listing.Reuses(query)) {
        servePage(query, response);
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

void BasaltSession::RefreshTicketForSearch(const I18NString& ticket) {
    const auto now = std::chrono::steady_clock::now();
    if (ticket == m_searchRefreshedTicket &&
        now - m_searchTicketRefreshed < kSearchTicketRefreshInterval) {
        return;
    }
    // Tried once per interval whatever the outcome: a ticket that cannot be refreshed is not
    // asked about again at every search.
    m_searchRefreshedTicket = ticket;
    m_searchTicketRefreshed = now;
    try {
        RefreshTicket(ticket, false);
    } catch (...) {
        // A ticket that cannot be refreshed never fails the search.
    }
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
        bare->SearchPath().Set(objectSearchPath(kind, object.number), true);
        response.AddObject(std::move(bare));
        return;
    }
    VOR_AAA_BaseClassPtr built;
    switch (kind) {
        case VOR_AAA_VORID::eNamespace: {
            if (object.namespacePart != GetNamespace().GetIdentifier().utf8()) {
                PYX_THROW(ProviderError(
                              -19, {ProviderMessage(kMsgQueryNotAnswered, {object.namespacePart})}),
                          "BasaltSession::retrieveObjectProperties");
            }
            auto ns = std::make_unique<VOR_AAA_Namespace>();
            GetNamespace().BuildNamespaceObject(
                *ns, properties.count("*") != 0 ? kNamespaceProperties : properties,
                contentLocale());
            built = std::move(ns);
            break;
        }
        case VOR_AAA_VORID::eAccount:
            built = retrieveUserProperties(object.number, properties, nullptr);
            break;
        case VOR_AAA_VORID::eNamespaceFolder:
            built = retrieveUserFolderProperties(object.number, properties, nullptr);
            break;
        default:
            built = retrieveRoleProperties(object.number, properties, refProps, nullptr);
            break;
    }
    if (built) {
        response.AddObject(std::move(built));
    }
}

VOR_AAA_BaseClassPtr BasaltSession::retrieveUserProperties(AS_ObjectId id,
                                                           const PropertySet& properties,
                                                           const std::string* cachedName) {
    PYX_ASSERT(m_bHandleAuthenticated);
    auto account = std::make_unique<VOR_AAA_Account>();
    const auto wants = [&](const char* name) { return Wants(properties, name); };
    if (wants("searchPath") || properties.empty()) {
        account->SearchPath().Set(objectSearchPath(VOR_AAA_VORID::eAccount, id), true);
    }
    if (properties.empty()) {
        return account;
    }

    std::string name;
    std::string description;
    char email[AS_MAX_FIELD_SIZE] = "";
    char telephone[AS_MAX_FIELD_SIZE] = "";
    char userContentLocale[AS_MAX_FIELD_SIZE] = "";
    char userProductLocale[AS_MAX_FIELD_SIZE] = "";
    char givenName[AS_MAX_FIELD_SIZE] = "";
    char surname[AS_MAX_FIELD_SIZE] = "";
    const bool nameOnly = cachedName != nullptr && OnlyAmong(properties, kAccountNameOnly) &&
                          m_listing.AccountId(*cachedName) == id;
    // The name size also tells whether the user still exists (a listed name may be stale).
    uint32_t nameSize = 0;
    int32_t result =
        ASA_FindObjectAttributeSize(m_handle, id, AS_OBJ_USER, AS_ATTR_NAME, &nameSize);
    if (UserVanished(result)) {
        return nullptr;
    }
    if (result != 0) {
        RaiseLibraryFailure(result, "ASA_FindObjectAttributeSize");
    }
    if (nameOnly) {
        name = *cachedName;
    } else {
        const bool withDescription = wants("defaultDescription") || wants("description");
        uint32_t descriptionSize = 0;
        if (withDescription) {
            result = ASA_FindObjectAttributeSize(m_handle, id, AS_OBJ_USER, AS_ATTR_DESCRIPTION,
                                                 &descriptionSize);
            if (UserVanished(result)) {
                return nullptr;
            }
            if (result != 0) {
                RaiseLibraryFailure(result, "ASA_FindObjectAttributeSize");
            }
        }
        std::vector<char> nameBuffer(nameSize + 1, '\0');
        std::vector<char> descriptionBuffer(descriptionSize + 1, '\0');
        result = ASA_FindUserInfo4(
            m_handle, id, nameBuffer.data(), withDescription ? descriptionBuffer.data() : nullptr,
            email, telephone, userContentLocale, userProductLocale, givenName, surname);
        if (RecordVanished(result)) {
            return nullptr;
        }
        if (result != 0) {
            RaiseLibraryFailure(result, "ASA_FindUserInfo4");
        }
        name = nameBuffer.data();
        description = descriptionBuffer.data();
    }

    const std::string nameText = textOf(name.c_str());
    if (wants("objectClass")) {
        account->SetObjectClass();
    }
    if (wants("hasChildren")) {
        account->HasChildren().Set(false);
    }
    if (wants("defaultName")) {
        account->DefaultName().Set(nameText);
    }
    if (wants("name")) {
        account->Name().Add(contentLocale().utf8(), nameText);
    }
    if (wants("userName")) {
        account->StringProperty("userName").Set(nameText);
    }
    if (!nameOnly) {
        if (wants("defaultDescription")) {
            account->DefaultDescription().Set(textOf(description.c_str()));
        }
        if (wants("description")) {
            account->Description().Add(contentLocale().utf8(), textOf(description.c_str()));
        }
        const std::pair<const char*, const char*> fields[] = {{"email", email},
                                                              {"businessPhone", telephone},
                                                              {"givenName", givenName},
                                                              {"surname", surname}};
        for (const auto& [property, value] : fields) {
            if (wants(property)) {
                account->StringProperty(property).Set(textOf(value));
            }
        }
        if (wants("contentLocale")) {
            account->ContentLocale().Set(userContentLocale[0] != '\0'
                                             ? textOf(userContentLocale)
                                             : GetNamespace().GetDefaultContentLocale().utf8());
        }
        if (wants("productLocale")) {
            account->ProductLocale().Set(userProductLocale[0] != '\0'
                                             ? textOf(userProductLocale)
                                             : GetNamespace().GetDefaultProductLocale().utf8());
        }
        if (wants("ancestors")) {
            AS_ObjectId folderId = 0;
            const int32_t result = ASA_FindUserUserFolder(m_handle, id, &folderId);
            if (UserVanished(result)) {
                return nullptr;
            }
            if (result != 0) {
                RaiseLibraryFailure(result, "ASA_FindUserUserFolder");
            }
            account->Ancestors().Set(folderAncestry(folderId, true));
        }
    }
    if (m_listing.IsCollecting()) {
        m_listing.Accounts()[name] = id;
    }
    return account;
}

VOR_AAA_BaseClassPtr BasaltSession::retrieveUserFolderProperties(AS_ObjectId id,
                                                                 const PropertySet& properties,
                                                                 const std::string* cachedName) {
    PYX_ASSERT(m_bHandleAuthenticated);
    auto folder = std::make_unique<VOR_AAA_NamespaceFolder>();
    const auto wants = [&](const char* name) { return Wants(properties, name); };
    if (wants("searchPath") || properties.empty()) {
        folder->SearchPath().Set(objectSearchPath(VOR_AAA_VORID::eNamespaceFolder, id), true);
    }
    if (properties.empty()) {
        return folder;
    }
    const bool withDescription = wants("defaultDescription") || wants("description");
    std::string name;
    std::string description;
    uint32_t nameSize = 0;
    int32_t result =
        ASA_FindObjectAttributeSize(m_handle, id, AS_OBJ_USER_FOLDER, AS_ATTR_NAME, &nameSize);
    if (RecordVanished(result)) {
        return nullptr;
    }
    if (result != 0) {
        RaiseLibraryFailure(result, "ASA_FindObjectAttributeSize");
    }
    if (cachedName != nullptr && !withDescription) {
        name = *cachedName;
    } else {
        uint32_t descriptionSize = 0;
        if (withDescription) {
            result = ASA_FindObjectAttributeSize(m_handle, id, AS_OBJ_USER_FOLDER,
                                                 AS_ATTR_DESCRIPTION, &descriptionSize);
        }
        if (RecordVanished(result)) {
            return nullptr;
        }
        if (result != 0) {
            RaiseLibraryFailure(result, "ASA_FindObjectAttributeSize");
        }
        std::vector<char> nameBuffer(nameSize + 1, '\0');
        std::vector<char> descriptionBuffer(descriptionSize + 1, '\0');
        result =
            ASA_FindUserFolderInfo(m_handle, id, nameBuffer.data(),
                                   withDescription ? descriptionBuffer.data() : nullptr, nullptr);
        if (RecordVanished(result)) {
            return nullptr;
        }
        if (result != 0) {
            RaiseLibraryFailure(result, "ASA_FindUserFolderInfo");
        }
        name = nameBuffer.data();
        description = descriptionBuffer.data();
    }
    if (wants("objectClass")) {
        folder->SetObjectClass();
    }
    if (wants("hasChildren")) {
        // Folders do not tell whether they hold anything; browsing asks for their children.
        folder->HasChildren().Set(false);
    }
    if (wants("defaultName")) {
        folder->DefaultName().Set(textOf(name.c_str()));
    }
    if (wants("name")) {
        folder->Name().Add(contentLocale().utf8(), textOf(name.c_str()));
    }
    if (wants("defaultDescription")) {
        folder->DefaultDescription().Set(textOf(description.c_str()));
    }
    if (wants("description")) {
        folder->Description().Add(contentLocale().utf8(), textOf(description.c_str()));
    }
    if (wants("ancestors")) {
        AS_ObjectId parentId = 0;
        const int32_t result = ASA_FindUserFolderParent(m_handle, id, &parentId);
        if (RecordVanished(result)) {
            return nullptr;
        }
        if (result != 0) {
            RaiseLibraryFailure(result, "ASA_FindUserFolderParent");
        }
        folder->Ancestors().Set(folderAncestry(parentId, true));
    }
    return folder;
}

VOR_AAA_BaseClassPtr BasaltSession::retrieveRoleProperties(AS_ObjectId id,
                                                           const PropertySet& properties,
                                                           const RefProps& refProps,
                                                           const std::string* cachedName) {
    PYX_ASSERT(m_bHandleAuthenticated);
    auto role = std::make_unique<VOR_AAA_Role>();
    const auto wants = [&](const char* name) { return Wants(properties, name); };
    if (wants("searchPath") || properties.empty()) {
        role->SearchPath().Set(objectSearchPath(VOR_AAA_VORID::eRole, id), true);
    }
    if (properties.empty()) {
        return role;
    }
    std::string name;
    std::string description;
    const bool nameOnly = cachedName != nullptr && OnlyAmong(properties, kRoleNameOnly) &&
                          m_listing.RoleId(*cachedName) == id;
    uint32_t nameSize = 0;
    int32_t result =
        ASA_FindObjectAttributeSize(m_handle, id, AS_OBJ_USER_CLASS, AS_ATTR_NAME, &nameSize);
    if (RecordVanished(result)) {
        return nullptr;
    }
    if (result != 0) {
        RaiseLibraryFailure(result, "ASA_FindObjectAttributeSize");
    }
    if (nameOnly) {
        name = *cachedName;
    } else {
        const bool withDescription = wants("defaultDescription") || wants("description");
        uint32_t descriptionSize = 0;
        if (withDescription) {
            result = ASA_FindObjectAttributeSize(m_handle, id, AS_OBJ_USER_CLASS,
                                                 AS_ATTR_DESCRIPTION, &descriptionSize);
        }
        if (RecordVanished(result)) {
            return nullptr;
        }
        if (result != 0) {
            RaiseLibraryFailure(result, "ASA_FindObjectAttributeSize");
        }
        std::vector<char> nameBuffer(nameSize + 1, '\0');
        std::vector<char> descriptionBuffer(descriptionSize + 1, '\0');
        result = ASA_FindUserClassInfo(m_handle, id, nameBuffer.data(),
                                       withDescription ? descriptionBuffer.data() : nullptr,
                                       nullptr, nullptr);
        if (RecordVanished(result)) {
            return nullptr;
        }
        if (result != 0) {
            RaiseLibraryFailure(result, "ASA_FindUserClassInfo");
        }
        name = nameBuffer.data();
        description = descriptionBuffer.data();
    }
    if (wants("objectClass")) {
        role->SetObjectClass();
    }
    if (wants("defaultName")) {
        role->DefaultName().Set(textOf(name.c_str()));
    }
    if (wants("name")) {
        role->Name().Add(contentLocale().utf8(), textOf(name.c_str()));
    }
    if (nameOnly) {
        return role;
    }
    if (wants("defaultDescription")) {
        role->DefaultDescription().Set(textOf(description.c_str()));
    }
    if (wants("description")) {
        role->Description().Add(contentLocale().utf8(), textOf(description.c_str()));
    }
    if (wants("hasChildren")) {
        uint32_t children = 0;
        role->HasChildren().Set(ASA_FindUserClassChildrenCount3(m_handle, id, &children) == 0 &&
                                children > 0);
    }
    if (wants("ancestors")) {
        role->Ancestors().Set(classAncestry(id));
    }
    const bool members = wants("members");
    const bool distribution = wants("distributionMembers");
    role->SetRequested(VOR_AAA_BaseClassWithMembers::eMembers, members);
    role->SetRequested(VOR_AAA_BaseClassWithMembers::eDistributionMembers, distribution);
    role->SetRequested(VOR_AAA_BaseClassWithMembers::eSecurityMembers, wants("securityMembers"));
    if (members || distribution) {
        getUserClassMembers(id, *role, refProps);
    }
    return role;
}

void BasaltSession::getUserClassMembers(AS_ObjectId classId, VOR_AAA_BaseClassWithMembers& role,
                                        const RefProps& refProps) {
    const std::vector<AS_ObjectId> ids =
        readIdList("ASA_FindUserList", [&](uint32_t capacity, AS_ObjectId* list, uint32_t* count) {
            return ASA_FindUserList(m_handle, classId, capacity, list, count);
        });
    for (const auto list : {VOR_AAA_BaseClassWithMembers::eMembers,
                            VOR_AAA_BaseClassWithMembers::eDistributionMembers}) {
        if (!role.IsRequested(list)) {
            continue;
        }
        const auto wanted = refProps.find(VOR_AAA_BaseClassWithMembers::ListName(list));
        const PropertySet memberProperties =
            wanted != refProps.end() ? wanted->second : PropertySet{};
        for (const AS_ObjectId userId : ids) {
            if (VOR_AAA_BaseClassPtr member =
                    retrieveUserProperties(userId, memberProperties, nullptr)) {
                role.AddMember(list, std::move(member));
            }
        }
    }
}

// ---- directory helpers ----

std::vector<AS_ObjectId> BasaltSession::readIdList(
    const char* call, const std::function<int32_t(uint32_t, AS_ObjectId*, uint32_t*)>& list) {
    // The list may grow between asking its length and fetching it: ask again then.
    for (int attempt = 0;; ++attempt) {
        uint32_t count = 0;
        int32_t result = list(0, nullptr, &count);
        if (result != 0) {
            RaiseLibraryFailure(result, call);
        }
        std::vector<AS_ObjectId> ids(count);
        if (count == 0) {
            return ids;
        }
        uint32_t total = 0;
        result = list(count, ids.data(), &total);
        if (result == AS_ERR_BUFFER_TOO_SMALL && attempt < 3) {
            continue;
        }
        if (result != 0) {
            RaiseLibraryFailure(result, call);
        }
        ids.resize(std::min(count, total));
        return ids;
    }
}

std::optional<std::string> BasaltSession::readObjectName(int32_t objectType, AS_ObjectId id,
                                                         const char* sizeCall,
                                                         const char* infoCall) {
    uint32_t size = 0;
    int32_t result = ASA_FindObjectAttributeSize(m_handle, id, objectType, AS_ATTR_NAME, &size);
    if (RecordVanished(result)) {
        return std::nullopt;
    }
    if (result != 0) {
        RaiseLibraryFailure(result, sizeCall);
    }
    std::vector<char> buffer(size + 1, '\0');
    switch (objectType) {
        case AS_OBJ_USER:
            result = ASA_FindUserInfo(m_handle, id, buffer.data(), nullptr, nullptr);
            break;
        case AS_OBJ_USER_FOLDER:
            result = ASA_FindUserFolderInfo(m_handle, id, buffer.data(), nullptr, nullptr);
            break;
        default:
            result = ASA_FindUserClassInfo(m_handle, id, buffer.data(), nullptr, nullptr, nullptr);
            break;
    }
    if (RecordVanished(result)) {
        return std::nullopt;
    }
    if (result != 0) {
        RaiseLibraryFailure(result, infoCall);
    }
    return std::string(buffer.data());
}

VOR_AAA_Type_AncestorInfo BasaltSession::namespaceAncestor() const {
    return {"namespace", objectSearchPath(VOR_AAA_VORID::eNamespace, 0),
            GetNamespace().GetDisplayName().utf8()};
}

std::vector<VOR_AAA_Type_AncestorInfo> BasaltSession::folderAncestry(AS_ObjectId folderId,
                                                                     bool includeFolder) {
    std::vector<VOR_AAA_Type_AncestorInfo> chain;
    AS_ObjectId current = includeFolder ? folderId : 0;
    if (!includeFolder && folderId != 0) {
        const int32_t result = ASA_FindUserFolderParent(m_handle, folderId, &current);
        if (result != 0 && !RecordVanished(result)) {
            RaiseLibraryFailure(result, "ASA_FindUserFolderParent");
        }
    }
    // Nearest first; a folder gone meanwhile ends the chain where it stood.
    while (current != 0) {
        const std::optional<std::string> name = readObjectName(
            AS_OBJ_USER_FOLDER, current, "ASA_FindObjectAttributeSize", "ASA_FindUserFolderInfo");
        if (!name) {
            break;
        }
        chain.push_back({"namespaceFolder",
                         objectSearchPath(VOR_AAA_VORID::eNamespaceFolder, current),
                         textOf(name->c_str())});
        AS_ObjectId parent = 0;
        const int32_t result = ASA_FindUserFolderParent(m_handle, current, &parent);
        if (RecordVanished(result)) {
            break;
        }
        if (result != 0) {
            RaiseLibraryFailure(result, "ASA_FindUserFolderParent");
        }
        current = parent;
    }
    chain.push_back(namespaceAncestor());
    std::reverse(chain.begin(), chain.end());
    return chain;
}

std::vector<VOR_AAA_Type_AncestorInfo> BasaltSession::classAncestry(AS_ObjectId classId) {
    AS_ObjectId parent = 0;
    int32_t result = ASA_FindUserClassParent(m_handle, classId, &parent);
    if (result != 0 && !RecordVanished(result)) {
        RaiseLibraryFailure(result, "ASA_FindUserClassParent");
    }
    std::vector<AS_ObjectId> ids;
    if (parent != 0) {
        uint32_t count = 0;
        AS_ObjectId* ancestors = nullptr;
        result = ASA_FindUserClassParent2(m_handle, classId, &count, &ancestors);
        const std::unique_ptr<AS_ObjectId, int32_t (*)(void*)> owned(ancestors, AS_Free);
        if (result != 0 && !RecordVanished(result)) {
            RaiseLibraryFailure(result, "ASA_FindUserClassParent2");
        }
        if (result == 0 && ancestors != nullptr) {
            ids.assign(ancestors, ancestors + count);
        }
    }
    std::vector<VOR_AAA_Type_AncestorInfo> chain;
    chain.push_back(namespaceAncestor());
    // The library gives the nearest first; ancestry is written from the top down.
    for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
        const std::optional<std::string> name = readObjectName(
            AS_OBJ_USER_CLASS, *it, "ASA_FindObjectAttributeSize", "ASA_FindUserClassInfo");
        if (name) {
            chain.push_back(
                {"role", objectSearchPath(VOR_AAA_VORID::eRole, *it), textOf(name->c_str())});
        }
    }
    return chain;
}

std::string BasaltSession::objectSearchPath(VOR_AAA_VORID::ObjectKind kind, AS_ObjectId id) const {
    return VOR_AAA_VORID::Wrap(
        VOR_AAA_VORID::Compose(GetNamespace().GetIdentifier().utf8(), kind, id));
}

std::string BasaltSession::textOf(const char* libraryBytes) const {
    return GetNamespace().FromLibraryText(libraryBytes).utf8();
}

I18NString BasaltSession::contentLocale() const {
    return m_requestContentLocale.empty() ? GetNamespace().GetDefaultContentLocale()
                                          : m_requestContentLocale;
}
