// The directory reads of a search: records, names, id lists and ancestries, read the way the
// access library wants them read.
#include "search/DirectoryReads.h"
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
#include <vector>

std::vector<AS_ObjectId> BasaltSession::ReadIdList(
    const char* call, const std::function<int32_t(uint32_t, AS_ObjectId*, uint32_t*)>& list) {
    // The list may grow between asking its length and fetching it: ask again then.
    for (int attempt = 0;; ++attempt) {
        uint32_t count = 0;
        int32_t result = list(0, nullptr, &count);
        if (result != 0) {
            RaiseLibraryFailure(kDirectoryReadFailure, result, call, kQueryLabel);
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
            RaiseLibraryFailure(kDirectoryReadFailure, result, call, kQueryLabel);
        }
        ids.resize(std::min(count, total));
        return ids;
    }
}

bool BasaltSession::ObjectExists(int32_t objectType, AS_ObjectId id, const char* sizeCall) {
    uint32_t size = 0;
    const int32_t result =
        ASA_FindObjectAttributeSize(m_handle, id, objectType, AS_ATTR_NAME, &size);
    if (RecordVanished(result)) {
        return false;
    }
    if (result != 0) {
        RaiseLibraryFailure(kDirectoryReadFailure, result, sizeCall, kQueryLabel);
    }
    return true;
}

std::optional<BasaltSession::RecordTexts> BasaltSession::ReadRecord(
    int32_t objectType, AS_ObjectId id, bool withDescription, const char* sizeCall,
    const char* infoCall, const std::function<int32_t(char*, char*)>& read) {
    // The sizes first: the buffers are made at least that large.
    const int32_t attributes[] = {AS_ATTR_NAME, AS_ATTR_DESCRIPTION};
    uint32_t sizes[] = {0, 0};
    for (int a = 0; a < (withDescription ? 2 : 1); ++a) {
        const int32_t result =
            ASA_FindObjectAttributeSize(m_handle, id, objectType, attributes[a], &sizes[a]);
        if (RecordVanished(result)) {
            return std::nullopt;
        }
        if (result != 0) {
            RaiseLibraryFailure(kDirectoryReadFailure, result, sizeCall, kQueryLabel);
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
        RaiseLibraryFailure(kDirectoryReadFailure, result, infoCall, kQueryLabel);
    }
    return RecordTexts{name.Data(), description.Data()};
}

std::optional<std::string> BasaltSession::ReadUserDisplayName(AS_ObjectId id) {
    uint32_t size = 0;
    int32_t result =
        ASA_FindObjectAttributeSize(m_handle, id, AS_OBJ_USER, AS_ATTR_DISPLAY_NAME, &size);
    if (RecordVanished(result)) {
        return std::nullopt;
    }
    if (result != 0) {
        RaiseLibraryFailure(kDirectoryReadFailure, result, "ASA_FindObjectAttributeSize",
                            kQueryLabel);
    }
    TextBuffer<AS_MAX_NAME_SIZE> displayName(size);
    result = ASA_FindUserDisplayName(m_handle, id, displayName.Data());
    if (RecordVanished(result)) {
        return std::nullopt;
    }
    if (result != 0) {
        RaiseLibraryFailure(kDirectoryReadFailure, result, "ASA_FindUserDisplayName", kQueryLabel);
    }
    return std::string(displayName.Data());
}

std::optional<std::string> BasaltSession::ReadObjectName(int32_t objectType, AS_ObjectId id,
                                                         const char* sizeCall,
                                                         const char* infoCall) {
    std::optional<RecordTexts> record =
        ReadRecord(objectType, id, false, sizeCall, infoCall, [&](char* name, char*) {
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

std::optional<BasaltSession::RecordTexts> BasaltSession::ListedOrReadRecord(
    int32_t objectType, AS_ObjectId id, const std::string* listedName, bool withDescription,
    const char* infoCall, const std::function<int32_t(char*, char*)>& read) {
    if (listedName == nullptr) {
        return ReadRecord(objectType, id, withDescription, "ASA_FindObjectAttributeSize", infoCall,
                          read);
    }
    if (!ObjectExists(objectType, id, "ASA_FindObjectAttributeSize")) {
        return std::nullopt;
    }
    return RecordTexts{*listedName, {}};
}

bool BasaltSession::SetFolderAncestors(VOR_AAA_BaseClass& object, const char* call,
                                       const std::function<int32_t(AS_ObjectId*)>& lookup) {
    AS_ObjectId folderId = 0;
    const int32_t result = lookup(&folderId);
    if (RecordVanished(result)) {
        return false;
    }
    if (result != 0) {
        RaiseLibraryFailure(kDirectoryReadFailure, result, call, kQueryLabel);
    }
    object.Ancestors().Set(FolderAncestry(folderId, true));
    return true;
}

bool BasaltSession::SetSearchPath(VOR_AAA_BaseClass& object, VOR_AAA_VORID::ObjectKind kind,
                                  AS_ObjectId id, const WantedProperties& wants) const {
    if (wants[WantedProperties::eSearchPath] || wants.None()) {
        object.SearchPath().Set(ObjectSearchPath(kind, id), true);
    }
    return wants.None();
}

VOR_AAA_Type_AncestorInfo BasaltSession::NamespaceAncestor() const {
    return {"namespace", ObjectSearchPath(VOR_AAA_VORID::eNamespace, 0),
            GetNamespace().GetDisplayName().utf8()};
}

std::vector<VOR_AAA_Type_AncestorInfo> BasaltSession::FolderAncestry(AS_ObjectId folderId,
                                                                     bool includeFolder) {
    std::vector<VOR_AAA_Type_AncestorInfo> chain;
    AS_ObjectId current = includeFolder ? folderId : 0;
    if (!includeFolder && folderId != 0) {
        const int32_t result = ASA_FindUserFolderParent(m_handle, folderId, &current);
        if (result != 0 && !RecordVanished(result)) {
            RaiseLibraryFailure(kDirectoryReadFailure, result, "ASA_FindUserFolderParent",
                                kQueryLabel);
        }
    }
    // Nearest first; a folder gone meanwhile ends the chain where it stood.
    while (current != 0) {
        const std::optional<std::string> name = ReadObjectName(
            AS_OBJ_USER_FOLDER, current, "ASA_FindObjectAttributeSize", "ASA_FindUserFolderInfo");
        if (!name) {
            break;
        }
        chain.push_back({"namespaceFolder",
                         ObjectSearchPath(VOR_AAA_VORID::eNamespaceFolder, current),
                         Utf8FromLibrary(name->c_str())});
        AS_ObjectId parent = 0;
        const int32_t result = ASA_FindUserFolderParent(m_handle, current, &parent);
        if (RecordVanished(result)) {
            break;
        }
        if (result != 0) {
            RaiseLibraryFailure(kDirectoryReadFailure, result, "ASA_FindUserFolderParent",
                                kQueryLabel);
        }
        current = parent;
    }
    chain.push_back(NamespaceAncestor());
    std::reverse(chain.begin(), chain.end());
    return chain;
}

std::vector<VOR_AAA_Type_AncestorInfo> BasaltSession::ClassAncestry(AS_ObjectId classId) {
    AS_ObjectId parent = 0;
    int32_t result = ASA_FindUserClassParent(m_handle, classId, &parent);
    if (result != 0 && !RecordVanished(result)) {
        RaiseLibraryFailure(kDirectoryReadFailure, result, "ASA_FindUserClassParent", kQueryLabel);
    }
    std::vector<AS_ObjectId> ids;
    if (parent != 0) {
        uint32_t count = 0;
        AS_ObjectId* ancestors = nullptr;
        result = ASA_FindUserClassParent2(m_handle, classId, &count, &ancestors);
        const std::unique_ptr<AS_ObjectId, int32_t (*)(void*)> owned(ancestors, AS_Free);
        if (result != 0 && !RecordVanished(result)) {
            RaiseLibraryFailure(kDirectoryReadFailure, result, "ASA_FindUserClassParent2",
                                kQueryLabel);
        }
        if (result == 0 && ancestors != nullptr) {
            ids.assign(ancestors, ancestors + count);
        }
    }
    std::vector<VOR_AAA_Type_AncestorInfo> chain;
    chain.push_back(NamespaceAncestor());
    // The library gives the nearest first; ancestry is written from the top down.
    for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
        const std::optional<std::string> name = ReadObjectName(
            AS_OBJ_USER_CLASS, *it, "ASA_FindObjectAttributeSize", "ASA_FindUserClassInfo");
        if (name) {
            chain.push_back({"role", ObjectSearchPath(VOR_AAA_VORID::eRole, *it),
                             Utf8FromLibrary(name->c_str())});
        }
    }
    return chain;
}

std::string BasaltSession::ObjectSearchPath(VOR_AAA_VORID::ObjectKind kind, AS_ObjectId id) const {
    return VOR_AAA_VORID::Wrap(
        VOR_AAA_VORID::Compose(GetNamespace().GetIdentifierUtf8(), kind, id));
}

std::string BasaltSession::Utf8FromLibrary(const char* libraryBytes) const {
    return GetNamespace().LibraryTextToUtf8(libraryBytes);
}

I18NString BasaltSession::QueryContentLocale() const {
    return m_requestContentLocale.empty() ? GetNamespace().GetDefaultContentLocale()
                                          : m_requestContentLocale;
}
