// A session's listings: the children or descendants of a user class, a user folder or the
// namespace root collected into the listing cache, narrowed by the query's filters, and served
// page by page.
#include "common/ProviderErrors.h"
#include "common/ProviderMessages.h"
#include "namespace/BasaltNamespace.h"
#include "search/DirectoryReads.h"
#include "search/ListingFilter.h"
#include "session/BasaltSession.h"

#include <PYXThrowable.h>
#include <VOR_AAA_BaseClassWithMembers.h>
#include <VOR_AAA_QueryResponse.h>
#include <VOR_AAA_SearchPath.h>

#include <cstring>
#include <memory>
#include <set>

namespace {

// Releases a block of ASA_Search4.
struct BlockFree {
    void operator()(void* block) const { AS_Free(block); }
};

// The properties a filter group names, which the entry tested must carry.
std::set<std::string> NamedProperties(const VOR_AAA_SearchFilter::Group& group) {
    std::set<std::string> names = {"objectClass"};
    for (const auto& component : group) {
        names.insert(component.name);
    }
    return names;
}

}  // namespace

void BasaltSession::retrieveObjectDescendantProperties(const VOR_AAA_VORID::Decoded& object,
                                                       int axis,
                                                       const std::vector<std::string>& predicates,
                                                       const VOR_AAA_Query& query,
                                                       VOR_AAA_QueryResponse& response) {
    PYX_ASSERT(m_bHandleAuthenticated);
    using namespace ListingFilter;
    m_listing.ClearMaps();
    if (object.kind == VOR_AAA_VORID::eAccount) {
        return;  // an account has no children
    }
    VOR_AAA_SearchFilter filter;
    filter.Parse(predicates, eSFAllOperations);
    const Restriction code = RestrictionOf(filter.GetGroups());
    bool applyFilter = !filter.IsEmpty();
    const bool children = axis == VOR_AAA_SearchPath::eAxisChildren;
    const bool withSelf = axis == VOR_AAA_SearchPath::eAxisDescendantsOrSelf;

    switch (object.kind) {
        case VOR_AAA_VORID::eRole: {
            if (code == eNothing || code == eFoldersOnly || code == eAccountsOnly ||
                code == eFoldersAndAccounts) {
                break;
            }
            if (children) {
                _getUserClassChildren(object.number, false);
                break;
            }
            const std::optional<std::string> name =
                ReadObjectName(AS_OBJ_USER_CLASS, object.number, "ASA_FindObjectAttributeSize",
                               "ASA_FindUserClassInfo");
            if (!name) {
                break;
            }
            _getUserClassChildren(object.number, true);
            if (withSelf) {
                m_listing.Add(ListingCache::eRoles, *name, object.number);
            }
            break;
        }
        case VOR_AAA_VORID::eNamespaceFolder: {
            if (code == eNothing || code == eRolesOnly) {
                break;
            }
            const bool withFolders = AllowsFolders(code);
            const bool withAccounts = AllowsAccounts(code);
            if (children) {
                _getUserFolderContents(object.number, false, withFolders, withAccounts);
                break;
            }
            const std::optional<std::string> name =
                ReadObjectName(AS_OBJ_USER_FOLDER, object.number, "ASA_FindObjectAttributeSize",
                               "ASA_FindUserFolderInfo");
            if (!name) {
                break;
            }
            _getUserFolderContents(object.number, true, withFolders, withAccounts);
            if (withSelf && withFolders) {
                m_listing.Add(ListingCache::eFolders, *name, object.number);
            }
            break;
        }
        case VOR_AAA_VORID::eNamespace: {
            if (object.namespacePart != GetNamespace().GetIdentifierUtf8() || code == eNothing) {
                break;
            }
            if (children) {
                if (code == eOtherOnly) {
                    break;
                }
                const bool folders = code == eNoRestriction || code == eRolesAndFolders ||
                                     code == eFoldersOnly || code == eAccountsOnly ||
                                     code == eFoldersAndAccounts;
                const bool roles = code == eNoRestriction || code == eRolesAndFolders ||
                                   code == eRolesOnly || code == eRolesAndAccounts;
                _getNamespaceChildrenInPageMap(folders, roles);
                break;
            }
            std::string pattern = "*";
            bool folders = AllowsFolders(code);
            bool roles = AllowsRoles(code);
            bool accounts = AllowsAccounts(code);
            // An account's name and default name are its display name; its user name is the
            // sign-on name. The search matches the one the filter names.
            int32_t accountAttribute = AS_ATTR_NAME;
            if (const auto component = NameSearchComponent(filter.GetGroups())) {
                pattern = *NamePattern(*component);
                applyFilter = false;
                if (component->name == "userName") {
                    folders = roles = false;  // only accounts have a user name
                } else {
                    accountAttribute = AS_ATTR_DISPLAY_NAME;
                }
            }
            _getAllRoleObjectsIDs(pattern, folders, roles, accounts, accountAttribute);
            break;
        }
        default:
            break;
    }
    if (applyFilter) {
        FilterListing(predicates);
    }
    ServePage(query, response);
}

void BasaltSession::_getUserClassChildren(AS_ObjectId classId, bool recursive) {
    const std::vector<AS_ObjectId> ids = ReadIdList(
        "ASA_FindUserClassChildrenList3",
        [&](uint32_t capacity, AS_ObjectId* list, uint32_t* count) {
            return capacity == 0
                       ? ASA_FindUserClassChildrenCount3(m_handle, classId, count)
                       : ASA_FindUserClassChildrenList3(m_handle, classId, capacity, list, count);
        });
    for (const AS_ObjectId child : ids) {
        const std::optional<std::string> name = ReadObjectName(
            AS_OBJ_USER_CLASS, child, "ASA_FindObjectAttributeSize", "ASA_FindUserClassInfo");
        if (!name) {
            continue;  // gone meanwhile
        }
        m_listing.Add(ListingCache::eRoles, *name, child);
        if (recursive) {
            _getUserClassChildren(child, true);
        }
    }
}

void BasaltSession::_getUserFolderContents(AS_ObjectId folderId, bool recursive, bool withFolders,
                                           bool withAccounts) {
    const std::vector<AS_ObjectId> folders = ReadIdList(
        "ASA_FindUserFolderChildrenList",
        [&](uint32_t capacity, AS_ObjectId* list, uint32_t* count) {
            return ASA_FindUserFolderChildrenList(m_handle, folderId, capacity, list, count);
        });
    if (withAccounts) {
        const std::vector<AS_ObjectId> users = ReadIdList(
            "ASA_FindUserFolderUsersList",
            [&](uint32_t capacity, AS_ObjectId* list, uint32_t* count) {
                return ASA_FindUserFolderUsersList(m_handle, folderId, capacity, list, count);
            });
        for (const AS_ObjectId user : users) {
            if (const auto name = ReadObjectName(AS_OBJ_USER, user, "ASA_FindObjectAttributeSize",
                                                 "ASA_FindUserInfo")) {
                m_listing.Add(ListingCache::eAccounts, *name, user);
            }
        }
    }
    for (const AS_ObjectId child : folders) {
        // Folders that are left out are still walked for what they hold.
        if (withFolders || recursive) {
            const std::optional<std::string> name = ReadObjectName(
                AS_OBJ_USER_FOLDER, child, "ASA_FindObjectAttributeSize", "ASA_FindUserFolderInfo");
            if (!name) {
                continue;
            }
            if (withFolders) {
                m_listing.Add(ListingCache::eFolders, *name, child);
            }
        }
        if (recursive) {
            _getUserFolderContents(child, true, withFolders, withAccounts);
        }
    }
}

void BasaltSession::_getNamespaceChildrenInPageMap(bool folders, bool roles) {
    if (folders) {
        AS_ObjectId rootFolder = 0;
        const int32_t result = ASA_FindNamespaceRootUserFolder(m_handle, &rootFolder);
        if (result != 0) {
            RaiseLibraryFailure(kDirectoryReadFailure, result, "ASA_FindNamespaceRootUserFolder",
                                kListingLabel);
        }
        if (const auto name =
                ReadObjectName(AS_OBJ_USER_FOLDER, rootFolder, "ASA_FindObjectAttributeSize",
                               "ASA_FindUserFolderInfo")) {
            m_listing.Add(ListingCache::eFolders, *name, rootFolder);
        }
    }
    if (!roles) {
        return;
    }
    std::vector<AS_ObjectId> rootClasses;
    uint32_t privileges = 0;
    AS_ObjectId rootClass = 0;
    if (ASA_GetSessionPrivileges(m_handle, &privileges) == 0 &&
        (privileges & AS_PRIV_BROWSE_ALL_CLASSES) != 0 &&
        ASA_FindNamespaceRootUserClass(m_handle, &rootClass) == 0) {
        rootClasses.push_back(rootClass);
    } else {
        uint32_t count = 0;
        int32_t result = ASA_GetSessionUserClassList(m_handle, 0, nullptr, nullptr, &count);
        if (result != 0) {
            RaiseLibraryFailure(kDirectoryReadFailure, result, "ASA_GetSessionUserClassList",
                                kListingLabel);
        }
        std::vector<AS_ObjectId> ids(count);
        std::vector<uint32_t> flags(count);
        if (count > 0) {
            result = ASA_GetSessionUserClassList(m_handle, count, ids.data(), flags.data(), &count);
            if (result != 0) {
                RaiseLibraryFailure(kDirectoryReadFailure, result, "ASA_GetSessionUserClassList",
                                    kListingLabel);
            }
        }
        for (std::size_t i = 0; i < ids.size() && i < count; ++i) {
            if (flags[i] == AS_SESSION_CLASS_ACTIVE) {
                rootClasses.push_back(ids[i]);
            }
        }
    }
    for (const AS_ObjectId id : rootClasses) {
        if (const auto name =
                ReadObjectName(AS_OBJ_USER_CLASS, id, "ASA_FindObjectAttributeSize (for root)",
                               "ASA_FindUserClassInfo (for root)")) {
            m_listing.Add(ListingCache::eRoles, *name, id);
        }
    }
}

void BasaltSession::_getAllRoleObjectsIDs(const std::string& pattern, bool folders, bool roles,
                                          bool accounts, int32_t accountAttribute) {
    const std::string libraryPattern = GetNamespace().ToLibraryText(I18NString(pattern));
    const std::pair<int32_t, ListingCache::Group> searches[] = {
        {AS_OBJ_USER_CLASS, ListingCache::eRoles},
        {AS_OBJ_USER_FOLDER, ListingCache::eFolders},
        {AS_OBJ_USER, ListingCache::eAccounts}};
    for (const auto& [objectType, group] : searches) {
        if ((group == ListingCache::eFolders && !folders) ||
            (group == ListingCache::eRoles && !roles) ||
            (group == ListingCache::eAccounts && !accounts)) {
            continue;
        }
        uint32_t count = 0;
        char* names = nullptr;
        AS_ObjectId* ids = nullptr;
        const int32_t attribute = objectType == AS_OBJ_USER ? accountAttribute : AS_ATTR_NAME;
        const int32_t result = ASA_Search4(m_handle, objectType, attribute, libraryPattern.c_str(),
                                           &count, &names, &ids);
        const std::unique_ptr<char, BlockFree> ownedNames(names);
        const std::unique_ptr<AS_ObjectId, BlockFree> ownedIds(ids);
        if (result != 0) {
            RaiseLibraryFailure(kDirectoryReadFailure, result, "ASA_Search3", kListingLabel);
        }
        for (uint32_t i = 0; i < count; ++i) {
            const char* record = names + static_cast<std::size_t>(i) * AS_SEARCH_NAME_SIZE;
            m_listing.Add(group, std::string(record, strnlen(record, AS_SEARCH_NAME_SIZE)), ids[i]);
        }
    }
}

void BasaltSession::FilterListing(const std::vector<std::string>& predicates) {
    VOR_AAA_SearchFilter filter;
    filter.Parse(predicates, eSFAllOperations);
    const auto& groups = filter.GetGroups();
    const std::string& locale = m_queryTexts.contentLocale;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        PYX_ASSERT(groups[g].size() > 0);
        // The filter components' names are what an entry needs to be tested.
        const WantedProperties needed(NamedProperties(groups[g]));
        const std::vector<std::string> predicate = {predicates[g]};
        for (const auto group :
             {ListingCache::eFolders, ListingCache::eRoles, ListingCache::eAccounts}) {
            ListingCache::NameMap& map = m_listing.Map(group);
            for (auto it = map.begin(); it != map.end();) {
                VOR_AAA_BaseClassPtr entry;
                switch (group) {
                    case ListingCache::eFolders:
                        entry = retrieveUserFolderProperties(it->second, needed, &it->first);
                        break;
                    case ListingCache::eRoles:
                        entry = retrieveRoleProperties(it->second, needed, {}, &it->first);
                        break;
                    default:
                        entry = retrieveUserProperties(it->second, needed, &it->first);
                        break;
                }
                if (entry && entry->PassesFilters(predicate, locale)) {
                    ++it;
                } else {
                    it = map.erase(it);
                }
            }
        }
    }
}

void BasaltSession::ServePage(const VOR_AAA_Query& query, VOR_AAA_QueryResponse& response) {
    m_listing.SetCollecting(false);
    const std::size_t total = m_listing.Total();
    const int32_t skip = query.GetSkipObjects();
    const int32_t max = query.GetMaxObjects();
    const std::size_t first = skip > 0 ? static_cast<std::size_t>(skip) : 0;
    if (first >= total) {
        return;
    }
    const std::size_t limit =
        max < 1 || static_cast<std::size_t>(max) >= total ? total : static_cast<std::size_t>(max);
    const WantedProperties properties(query.GetProperties());
    const RefProps& refProps = query.GetRefProps();

    // The page's records are asked for together rather than one directory search each, in the
    // order they are served: the library sends a few requests ahead of the reads at a time.
    std::vector<AS_ObjectId> ids[3];  // by group
    std::size_t planned = 0;
    m_listing.ForEachFrom(first, [&](const ListingCache::Slot& slot) {
        ids[slot.group].push_back(slot.id);
        return ++planned < limit;
    });
    const int32_t types[3] = {AS_OBJ_USER_FOLDER, AS_OBJ_USER_CLASS, AS_OBJ_USER};
    for (int group = 0; group < 3; ++group) {
        if (!ids[group].empty()) {
            ASA_PrefetchObjects(m_handle, types[group], static_cast<uint32_t>(ids[group].size()),
                                ids[group].data());
        }
    }

    std::size_t served = 0;
    m_listing.ForEachFrom(first, [&](const ListingCache::Slot& slot) {
        VOR_AAA_BaseClassPtr object;
        switch (slot.group) {
            case ListingCache::eFolders:
                object = retrieveUserFolderProperties(slot.id, properties, &slot.name);
                break;
            case ListingCache::eRoles:
                object = retrieveRoleProperties(slot.id, properties, refProps, &slot.name);
                break;
            default:
                object = retrieveUserProperties(slot.id, properties, &slot.name);
                break;
        }
        if (object) {  // objects gone meanwhile keep their place but are not counted
            response.AddObject(std::move(object));
            ++served;
        }
        return served < limit;
    });
}
