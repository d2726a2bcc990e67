// A session's answers to queries: the query itself, one object, and the builders of accounts,
// namespace folders and roles from their directory identifiers (listings are in
// search/Listings.cpp).
#include "audit/CallTrace.h"
#include "common/ProviderErrors.h"
#include "common/ProviderMessages.h"
#include "namespace/BasaltNamespace.h"
#include "process/ProviderSlot.h"
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
#include <array>
#include <vector>

namespace {

constexpr uint32_t kMsgUnsupportedObjectKind = 0x50690298;

const std::set<std::string> kNamespaceProperties = {"objectClass", "searchPath",  "defaultName",
                                                    "name",        "hasChildren", "capabilities"};

[[noreturn]] void RaiseLibraryFailure(int32_t result, const char* function) {
    PYX_THROW(ProviderError(-8, {LibraryCallMessage(result, function)}),
              "BasaltSession::QueryObjectProperties");
}

// A text buffer for size bytes and the NUL: Fixed bytes in place, more on the heap. Starts as
// the empty text.
template <std::size_t Fixed>
class TextBuffer {
public:
    explicit TextBuffer(uint32_t size) {
        if (size >= Fixed) {
            m_large.assign(static_cast<std::size_t>(size) + 1, '\0');
        }
        Data()[0] = '\0';
    }
    char* Data() { return m_large.empty() ? m_fixed.data() : m_large.data(); }

private:
    std::array<char, Fixed> m_fixed;
    std::vector<char> m_large;
};

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
    m_queryTexts = {contentLocale().utf8(), GetNamespace().GetDefaultContentLocale().utf8(),
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
            if (object.namespacePart != GetNamespace().GetIdentifierUtf8()) {
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

VOR_AAA_BaseClassPtr BasaltSession::retrieveUserProperties(AS_ObjectId id,
                                                           const WantedProperties& wants,
                                                           const std::string* cachedName) {
    PYX_ASSERT(m_bHandleAuthenticated);
    using W = WantedProperties;
    auto account = std::make_unique<VOR_AAA_Account>();
    if (wants[W::eSearchPath] || wants.None()) {
        account->SearchPath().Set(objectSearchPath(VOR_AAA_VORID::eAccount, id), true);
    }
    if (wants.None()) {
        return account;
    }

    // The listing keeps the sign-on name (userName); name and defaultName are the display name.
    const bool nameOnly = cachedName != nullptr && wants.AccountNameOnly() &&
                          m_listing.Holds(ListingCache::eAccounts, *cachedName, id);
    std::string name;
    std::string description;
    // Each starts as the empty text; clearing the whole 1.5 KB for every account of a page
    // would be wasted.
    char email[AS_MAX_FIELD_SIZE];
    char telephone[AS_MAX_FIELD_SIZE];
    char userContentLocale[AS_MAX_FIELD_SIZE];
    char userProductLocale[AS_MAX_FIELD_SIZE];
    char givenName[AS_MAX_FIELD_SIZE];
    char surname[AS_MAX_FIELD_SIZE];
    for (char* field :
         {email, telephone, userContentLocale, userProductLocale, givenName, surname}) {
        field[0] = '\0';
    }
    if (nameOnly) {
        if (!objectExists(AS_OBJ_USER, id, "ASA_FindObjectAttributeSize")) {
            return nullptr;
        }
        name = *cachedName;
    } else {
        std::optional<RecordTexts> record =
            readRecord(AS_OBJ_USER, id, wants.Description(), "ASA_FindObjectAttributeSize",
                       "ASA_FindUserInfo4", [&](char* nameBuffer, char* descriptionBuffer) {
                           return ASA_FindUserInfo4(m_handle, id, nameBuffer, descriptionBuffer,
                                                    email, telephone, userContentLocale,
                                                    userProductLocale, givenName, surname);
                       });
        if (!record) {
            return nullptr;
        }
        name = std::move(record->name);
        description = std::move(record->description);
    }
    if (wants[W::eDefaultName] || wants[W::eName]) {
        const std::optional<std::string> displayName = readUserDisplayName(id);
        if (!displayName) {
            return nullptr;
        }
        const std::string displayText = textOf(displayName->c_str());
        if (wants[W::eDefaultName]) {
            account->DefaultName().Set(displayText);
        }
        if (wants[W::eName]) {
            account->Name().Add(m_queryTexts.contentLocale, displayText);
        }
    }

    if (wants[W::eObjectClass]) {
        account->SetObjectClass();
    }
    if (wants[W::eHasChildren]) {
        account->HasChildren().Set(false);
    }
    if (wants[W::eUserName]) {
        account->StringProperty("userName").Set(textOf(name.c_str()));
    }
    if (!nameOnly) {
        setDescription(*account, wants, description);
        const std::pair<W::Property, const char*> fields[] = {{W::eEmail, email},
                                                              {W::eBusinessPhone, telephone},
                                                              {W::eGivenName, givenName},
                                                              {W::eSurname, surname}};
        static const std::string kFieldNames[] = {"email", "businessPhone", "givenName", "surname"};
        for (std::size_t f = 0; f < std::size(fields); ++f) {
            if (wants[fields[f].first]) {
                account->StringProperty(kFieldNames[f]).Set(textOf(fields[f].second));
            }
        }
        if (wants[W::eContentLocale]) {
            account->ContentLocale().Set(userContentLocale[0] != '\0'
                                             ? textOf(userContentLocale)
                                             : m_queryTexts.defaultContentLocale);
        }
        if (wants[W::eProductLocale]) {
            account->ProductLocale().Set(userProductLocale[0] != '\0'
                                             ? textOf(userProductLocale)
                                             : m_queryTexts.defaultProductLocale);
        }
        if (wants[W::eAncestors]) {
            AS_ObjectId folderId = 0;
            const int32_t result = ASA_FindUserUserFolder(m_handle, id, &folderId);
            if (RecordVanished(result)) {
                return nullptr;
            }
            if (result != 0) {
                RaiseLibraryFailure(result, "ASA_FindUserUserFolder");
            }
            account->Ancestors().Set(folderAncestry(folderId, true));
        }
    }
    if (m_listing.IsCollecting()) {
        m_listing.Add(ListingCache::eAccounts, name, id);
    }
    return account;
}

VOR_AAA_BaseClassPtr BasaltSession::retrieveUserFolderProperties(AS_ObjectId id,
                                                                 const WantedProperties& wants,
                                                                 const std::string* cachedName) {
    PYX_ASSERT(m_bHandleAuthenticated);
    using W = WantedProperties;
    auto folder = std::make_unique<VOR_AAA_NamespaceFolder>();
    if (wants[W::eSearchPath] || wants.None()) {
        folder->SearchPath().Set(objectSearchPath(VOR_AAA_VORID::eNamespaceFolder, id), true);
    }
    if (wants.None()) {
        return folder;
    }
    std::string name;
    std::string description;
    if (cachedName != nullptr && !wants.Description()) {
        if (!objectExists(AS_OBJ_USER_FOLDER, id, "ASA_FindObjectAttributeSize")) {
            return nullptr;
        }
        name = *cachedName;
    } else {
        std::optional<RecordTexts> record = readRecord(
            AS_OBJ_USER_FOLDER, id, wants.Description(), "ASA_FindObjectAttributeSize",
            "ASA_FindUserFolderInfo", [&](char* nameBuffer, char* descriptionBuffer) {
                return ASA_FindUserFolderInfo(m_handle, id, nameBuffer, descriptionBuffer, nullptr);
            });
        if (!record) {
            return nullptr;
        }
        name = std::move(record->name);
        description = std::move(record->description);
    }
    if (wants[W::eObjectClass]) {
        folder->SetObjectClass();
    }
    if (wants[W::eHasChildren]) {
        // Folders do not tell whether they hold anything; browsing asks for their children.
        folder->HasChildren().Set(false);
    }
    setNames(*folder, wants, name);
    setDescription(*folder, wants, description);
    if (wants[W::eAncestors]) {
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
                                                           const WantedProperties& wants,
                                                           const RefProps& refProps,
                                                           const std::string* cachedName) {
    PYX_ASSERT(m_bHandleAuthenticated);
    using W = WantedProperties;
    auto role = std::make_unique<VOR_AAA_Role>();
    if (wants[W::eSearchPath] || wants.None()) {
        role->SearchPath().Set(objectSearchPath(VOR_AAA_VORID::eRole, id), true);
    }
    if (wants.None()) {
        return role;
    }
    const bool nameOnly = cachedName != nullptr && wants.RoleNameOnly() &&
                          m_listing.Holds(ListingCache::eRoles, *cachedName, id);
    std::string name;
    std::string description;
    if (nameOnly) {
        if (!objectExists(AS_OBJ_USER_CLASS, id, "ASA_FindObjectAttributeSize")) {
            return nullptr;
        }
        name = *cachedName;
    } else {
        std::optional<RecordTexts> record =
            readRecord(AS_OBJ_USER_CLASS, id, wants.Description(), "ASA_FindObjectAttributeSize",
                       "ASA_FindUserClassInfo", [&](char* nameBuffer, char* descriptionBuffer) {
                           return ASA_FindUserClassInfo(m_handle, id, nameBuffer, descriptionBuffer,
                                                        nullptr, nullptr);
                       });
        if (!record) {
            return nullptr;
        }
        name = std::move(record->name);
        description = std::move(record->description);
    }
    if (wants[W::eObjectClass]) {
        role->SetObjectClass();
    }
    setNames(*role, wants, name);
    if (nameOnly) {
        return role;
    }
    setDescription(*role, wants, description);
    if (wants[W::eHasChildren]) {
        uint32_t children = 0;
        role->HasChildren().Set(ASA_FindUserClassChildrenCount3(m_handle, id, &children) == 0 &&
                                children > 0);
    }
    if (wants[W::eAncestors]) {
        role->Ancestors().Set(classAncestry(id));
    }
    const bool members = wants[W::eMembers];
    const bool distribution = wants[W::eDistributionMembers];
    role->SetRequested(VOR_AAA_BaseClassWithMembers::eMembers, members);
    role->SetRequested(VOR_AAA_BaseClassWithMembers::eDistributionMembers, distribution);
    role->SetRequested(VOR_AAA_BaseClassWithMembers::eSecurityMembers, wants[W::eSecurityMembers]);
    if (members || distribution) {
        getUserClassMembers(id, *role, refProps);
    }
    return role;
}

void BasaltSession::setNames(VOR_AAA_BaseClass& object, const WantedProperties& wants,
                             const std::string& libraryName) const {
    if (!wants[WantedProperties::eDefaultName] && !wants[WantedProperties::eName]) {
        return;
    }
    const std::string text = textOf(libraryName.c_str());
    if (wants[WantedProperties::eDefaultName]) {
        object.DefaultName().Set(text);
    }
    if (wants[WantedProperties::eName]) {
        object.Name().Add(m_queryTexts.contentLocale, text);
    }
}

void BasaltSession::setDescription(VOR_AAA_BaseClass& object, const WantedProperties& wants,
                                   const std::string& libraryDescription) const {
    if (!wants.Description()) {
        return;
    }
    const std::string text = textOf(libraryDescription.c_str());
    if (wants[WantedProperties::eDefaultDescription]) {
        object.DefaultDescription().Set(text);
    }
    if (wants[WantedProperties::eDescription]) {
        object.Description().Add(m_queryTexts.contentLocale, text);
    }
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
        const WantedProperties memberProperties(wanted != refProps.end() ? wanted->second
                                                                         : PropertySet{});
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

bool BasaltSession::objectExists(int32_t objectType, AS_ObjectId id, const char* sizeCall) {
    uint32_t size = 0;
    const int32_t result =
        ASA_FindObjectAttributeSize(m_handle, id, objectType, AS_ATTR_NAME, &size);
    if (RecordVanished(result)) {
        return false;
    }
    if (result != 0) {
        RaiseLibraryFailure(result, sizeCall);
    }
    return true;
}

template <typename Read>
std::optional<BasaltSession::RecordTexts> BasaltSession::readRecord(
    int32_t objectType, AS_ObjectId id, bool withDescription, const char* sizeCall,
    const char* infoCall, const Read& read) {
    // The sizes first, as the library's callers have always asked them.
    const int32_t attributes[] = {AS_ATTR_NAME, AS_ATTR_DESCRIPTION};
    uint32_t sizes[] = {0, 0};
    for (int a = 0; a < (withDescription ? 2 : 1); ++a) {
        const int32_t result =
            ASA_FindObjectAttributeSize(m_handle, id, objectType, attributes[a], &sizes[a]);
        if (RecordVanished(result)) {
            return std::nullopt;
        }
        if (result != 0) {
            RaiseLibraryFailure(result, sizeCall);
        }
    }
    // Buffers on the stack of the largest size the library ever writes, so that a text that
    // grew between the size call and the read still arrives whole; a size beyond that gets a
    // buffer of its own.
    TextBuffer<AS_MAX_NAME_SIZE> name(sizes[0]);
    TextBuffer<AS_MAX_DESCRIPTION_SIZE> description(sizes[1]);
    const int32_t result = read(name.Data(), withDescription ? description.Data() : nullptr);
    if (RecordVanished(result)) {
        return std::nullopt;
    }
    if (result != 0) {
        RaiseLibraryFailure(result, infoCall);
    }
    return RecordTexts{name.Data(), description.Data()};
}

std::optional<std::string> BasaltSession::readUserDisplayName(AS_ObjectId id) {
    uint32_t size = 0;
    int32_t result =
        ASA_FindObjectAttributeSize(m_handle, id, AS_OBJ_USER, AS_ATTR_DISPLAY_NAME, &size);
    if (RecordVanished(result)) {
        return std::nullopt;
    }
    if (result != 0) {
        RaiseLibraryFailure(result, "ASA_FindObjectAttributeSize");
    }
    TextBuffer<AS_MAX_NAME_SIZE> displayName(size);
    result = ASA_FindUserDisplayName(m_handle, id, displayName.Data());
    if (RecordVanished(result)) {
        return std::nullopt;
    }
    if (result != 0) {
        RaiseLibraryFailure(result, "ASA_FindUserDisplayName");
    }
    return std::string(displayName.Data());
}

std::optional<std::string> BasaltSession::readObjectName(int32_t objectType, AS_ObjectId id,
                                                         const char* sizeCall,
                                                         const char* infoCall) {
    std::optional<RecordTexts> record =
        readRecord(objectType, id, false, sizeCall, infoCall, [&](char* name, char*) {
            switch (objectType) {
                case AS_OBJ_USER:
                    return ASA_FindUserInfo(m_handle, id, name, nullptr, nullptr);
                case AS_OBJ_USER_FOLDER:
                    return ASA_FindUserFolderInfo(m_handle, id, name, nullptr, nullptr);
                default:
                    return ASA_FindUserClassInfo(m_handle, id, name, nullptr, nullptr, nullptr);
            }
        });
    if (!record) {
        return std::nullopt;
    }
    return std::move(record->name);
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
        VOR_AAA_VORID::Compose(GetNamespace().GetIdentifierUtf8(), kind, id));
}

std::string BasaltSession::textOf(const char* libraryBytes) const {
    return GetNamespace().LibraryTextToUtf8(libraryBytes);
}

I18NString BasaltSession::contentLocale() const {
    return m_requestContentLocale.empty() ? GetNamespace().GetDefaultContentLocale()
                                          : m_requestContentLocale;
}
