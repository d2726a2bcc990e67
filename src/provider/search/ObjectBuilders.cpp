// The builders of a query's objects from their directory identifiers: accounts, namespace
// folders and roles (with their members), each given the properties the query asks for.
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

VOR_AAA_BaseClassPtr BasaltSession::retrieveUserProperties(AS_ObjectId id,
                                                           const WantedProperties& wants,
                                                           const std::string* cachedName) {
    PYX_ASSERT(m_bHandleAuthenticated);
    using W = WantedProperties;
    auto account = std::make_unique<VOR_AAA_Account>();
    if (SetSearchPath(*account, VOR_AAA_VORID::eAccount, id, wants)) {
        return account;
    }

    // The listing keeps the sign-on name (userName); name and defaultName are the display name.
    const bool nameOnly = cachedName != nullptr && wants.AccountNameOnly() &&
                          m_listing.Holds(ListingCache::eAccounts, *cachedName, id);
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
    const std::optional<RecordTexts> record = ListedOrReadRecord(
        AS_OBJ_USER, id, nameOnly ? cachedName : nullptr, wants.Description(), "ASA_FindUserInfo4",
        [&](char* nameBuffer, char* descriptionBuffer) {
            return ASA_FindUserInfo4(m_handle, id, nameBuffer, descriptionBuffer, email, telephone,
                                     userContentLocale, userProductLocale, givenName, surname);
        });
    if (!record) {
        return nullptr;
    }
    const std::string& name = record->name;
    if (wants[W::eDefaultName] || wants[W::eName]) {
        const std::optional<std::string> displayName = ReadUserDisplayName(id);
        if (!displayName) {
            return nullptr;
        }
        SetNames(*account, wants, *displayName);
    }

    if (wants[W::eObjectClass]) {
        account->SetObjectClass();
    }
    if (wants[W::eHasChildren]) {
        account->HasChildren().Set(false);
    }
    if (wants[W::eUserName]) {
        account->StringProperty("userName").Set(Utf8FromLibrary(name.c_str()));
    }
    if (!nameOnly) {
        SetDescription(*account, wants, record->description);
        const std::pair<W::Property, const char*> fields[] = {{W::eEmail, email},
                                                              {W::eBusinessPhone, telephone},
                                                              {W::eGivenName, givenName},
                                                              {W::eSurname, surname}};
        static const std::string kFieldNames[] = {"email", "businessPhone", "givenName", "surname"};
        for (std::size_t f = 0; f < std::size(fields); ++f) {
            if (wants[fields[f].first]) {
                account->StringProperty(kFieldNames[f]).Set(Utf8FromLibrary(fields[f].second));
            }
        }
        if (wants[W::eContentLocale]) {
            account->ContentLocale().Set(userContentLocale[0] != '\0'
                                             ? Utf8FromLibrary(userContentLocale)
                                             : m_queryTexts.defaultContentLocale);
        }
        if (wants[W::eProductLocale]) {
            account->ProductLocale().Set(userProductLocale[0] != '\0'
                                             ? Utf8FromLibrary(userProductLocale)
                                             : m_queryTexts.defaultProductLocale);
        }
        if (wants[W::eAncestors] &&
            !SetFolderAncestors(*account, "ASA_FindUserUserFolder", [&](AS_ObjectId* folderId) {
                return ASA_FindUserUserFolder(m_handle, id, folderId);
            })) {
            return nullptr;
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
    if (SetSearchPath(*folder, VOR_AAA_VORID::eNamespaceFolder, id, wants)) {
        return folder;
    }
    const std::optional<RecordTexts> record = ListedOrReadRecord(
        AS_OBJ_USER_FOLDER, id, wants.Description() ? nullptr : cachedName, wants.Description(),
        "ASA_FindUserFolderInfo", [&](char* nameBuffer, char* descriptionBuffer) {
            return ASA_FindUserFolderInfo(m_handle, id, nameBuffer, descriptionBuffer, nullptr);
        });
    if (!record) {
        return nullptr;
    }
    if (wants[W::eObjectClass]) {
        folder->SetObjectClass();
    }
    if (wants[W::eHasChildren]) {
        // Folders do not tell whether they hold anything; browsing asks for their children.
        folder->HasChildren().Set(false);
    }
    SetNames(*folder, wants, record->name);
    SetDescription(*folder, wants, record->description);
    if (wants[W::eAncestors] &&
        !SetFolderAncestors(*folder, "ASA_FindUserFolderParent", [&](AS_ObjectId* parentId) {
            return ASA_FindUserFolderParent(m_handle, id, parentId);
        })) {
        return nullptr;
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
    if (SetSearchPath(*role, VOR_AAA_VORID::eRole, id, wants)) {
        return role;
    }
    const bool nameOnly = cachedName != nullptr && wants.RoleNameOnly() &&
                          m_listing.Holds(ListingCache::eRoles, *cachedName, id);
    const std::optional<RecordTexts> record = ListedOrReadRecord(
        AS_OBJ_USER_CLASS, id, nameOnly ? cachedName : nullptr, wants.Description(),
        "ASA_FindUserClassInfo", [&](char* nameBuffer, char* descriptionBuffer) {
            return ASA_FindUserClassInfo(m_handle, id, nameBuffer, descriptionBuffer, nullptr,
                                         nullptr);
        });
    if (!record) {
        return nullptr;
    }
    if (wants[W::eObjectClass]) {
        role->SetObjectClass();
    }
    SetNames(*role, wants, record->name);
    if (nameOnly) {
        return role;
    }
    SetDescription(*role, wants, record->description);
    if (wants[W::eHasChildren]) {
        uint32_t children = 0;
        role->HasChildren().Set(ASA_FindUserClassChildrenCount3(m_handle, id, &children) == 0 &&
                                children > 0);
    }
    if (wants[W::eAncestors]) {
        role->Ancestors().Set(ClassAncestry(id));
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

void BasaltSession::SetNames(VOR_AAA_BaseClass& object, const WantedProperties& wants,
                             const std::string& libraryName) const {
    if (!wants[WantedProperties::eDefaultName] && !wants[WantedProperties::eName]) {
        return;
    }
    const std::string text = Utf8FromLibrary(libraryName.c_str());
    if (wants[WantedProperties::eDefaultName]) {
        object.DefaultName().Set(text);
    }
    if (wants[WantedProperties::eName]) {
        object.Name().Add(m_queryTexts.contentLocale, text);
    }
}

void BasaltSession::SetDescription(VOR_AAA_BaseClass& object, const WantedProperties& wants,
                                   const std::string& libraryDescription) const {
    if (!wants.Description()) {
        return;
    }
    const std::string text = Utf8FromLibrary(libraryDescription.c_str());
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
        ReadIdList("ASA_FindUserList", [&](uint32_t capacity, AS_ObjectId* list, uint32_t* count) {
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
