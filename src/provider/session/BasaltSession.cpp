// The directory session itself: its handle (opened with the namespace's runtime configuration,
// closed, handed over), its identity, its tickets and the user's classes and signons. The
// sign-ons are in signon/, the directory retrieval in search/.
#include "session/BasaltSession.h"

#include "audit/CallTrace.h"
#include "common/ProviderErrors.h"
#include "common/ProviderMessages.h"
#include "process/BasaltProvider.h"
#include "session/LibraryNamespace.h"

#include <PYXThrowable.h>
#include <PYXUtConvert.h>
#include <VOR_AAA_Exception.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

using CountCall = int32_t (*)(AS_Handle, AS_ObjectId, uint32_t*);
using ListCall = int32_t (*)(AS_Handle, AS_ObjectId, uint32_t, AS_ObjectId*, uint32_t*);

// The ids of what an object holds, asked for as the library wants: the count, then a list of
// that capacity (kept to what the list returned). Empty when the count fails or is 0; no value
// when the list fails after the count succeeded.
std::optional<std::vector<AS_ObjectId>> CountedList(AS_Handle handle, AS_ObjectId owner,
                                                    CountCall countCall, ListCall listCall) {
    uint32_t count = 0;
    if (countCall(handle, owner, &count) != 0 || count == 0) {
        return std::vector<AS_ObjectId>{};
    }
    std::vector<AS_ObjectId> ids(count);
    uint32_t total = 0;
    if (listCall(handle, owner, count, ids.data(), &total) != 0) {
        return std::nullopt;
    }
    ids.resize(std::min(count, total));
    return ids;
}

}  // namespace

const char* AuthTypeText(int32_t authType) {
    switch (authType) {
        case kAuthTypeCredential:
            return "user";
        case kAuthTypeTicket:
            return "ticket";
        case kAuthTypeCertificate:
            return "certificate";
        case kAuthTypeWebEnvironment:
            return "web";
        default:
            return "";
    }
}

int32_t AuthTypeFromText(const I18NString& text) {
    for (const int32_t type :
         {kAuthTypeCredential, kAuthTypeTicket, kAuthTypeCertificate, kAuthTypeWebEnvironment}) {
        if (text == I18NString(AuthTypeText(type))) {
            return type;
        }
    }
    return -1;
}

BasaltSession::BasaltSession(BasaltProvider& provider, BasaltNamespace& ns)
    : SessionBase(I18NString()),
      m_pProvider(&provider),
      m_pNamespace(&ns),
      m_library(LibraryOf(ns)) {
    const int32_t result = InitHandle();
    if (result != 0) {
        PYX_THROW(
            ProviderError(kVOR_AAA_DirectoryProcessFailure,
                          {ProviderMessage(kMsgSessionNotOpened, {std::to_string(result)}),
                           ProviderMessage(kMsgDetail, {m_library.GetLastErrorText(result)})}),
            "BasaltNamespace::BasaltSession");
    }
}

BasaltSession::~BasaltSession() {
    CloseHandle();
}

// ---- handle management ----

int32_t BasaltSession::InitHandle() {
    PYX_ASSERT(m_pProvider->AreRidgeNamespacesUnicodeInitialized() == true);
    AS_Handle handle = 0;
    const int32_t result = m_library.OpenHandle(handle);
    if (result == 0) {
        m_handle = handle;
        m_queriesSinceInit = 0;
        m_bTerminatedHandle = false;
    }
    return result;
}

void BasaltSession::CloseHandle() {
    if (!m_bTerminatedHandle) {
        AS_Terminate(m_handle);
    }
    m_bTerminatedHandle = true;
    m_bHandleAuthenticated = false;
    m_listing.Reset();
    m_handle = 0;
    m_queriesSinceInit = 0;
}

int32_t BasaltSession::ReopenIfAuthenticated() {
    if (m_bHandleAuthenticated) {
        CloseHandle();
    }
    // A handle closed by a failed validation is opened afresh too.
    const int32_t result = m_bTerminatedHandle ? InitHandle() : 0;
    if (result != 0) {
        RememberFailureText(result);
    }
    return result;
}

std::string BasaltSession::DirectoryNamespaceText() const {
    return m_library.ToLibraryText(m_library.GetDirectoryNamespace());
}

void BasaltSession::RememberFailureText(int32_t result) {
    m_failureText.clear();
    if (result < 0) {
        m_failureText = m_library.GetLastErrorText(result);
    }
}

// ---- identity ----

I18NString BasaltSession::BuildIdentifier(const I18NString& namespaceID, int32_t authType,
                                          uint32_t userId, bool hasUserClass, uint32_t userClassId,
                                          const I18NString& certificate) {
    I18NString identifier = namespaceID;
    const auto part = [&](const char* key, const I18NString& value) {
        if (!value.empty()) {
            identifier += I18NString(":") + I18NString(key) + I18NString("=") + value;
        }
    };
    if (authType == kAuthTypeCertificate) {
        part("cert", certificate);
        return identifier;
    }
    part("user", I18NString(std::to_string(userId)));
    if (hasUserClass) {
        part("uc", I18NString(std::to_string(userClassId)));
    }
    return identifier;
}

// ---- operations on an authenticated session ----

void BasaltSession::GetCertificate(I18NString& certificate) {
    if (!m_bHandleAuthenticated) {
        return;
    }
    std::vector<char> buffer(AS_CERTIFICATE_SIZE, '\0');
    const int32_t result = AS_GetCertificate(m_handle, buffer.data());
    if (result != 0) {
        PYX_THROW(
            ProviderError(kVOR_AAA_DirectoryProcessFailure,
                          {LibraryCallMessage(result, "AS_GetCertificate"),
                           ProviderMessage(kMsgDetail, {m_library.GetLastErrorText(result)})}),
            "BasaltSession::GetCertificate");
    }
    buffer.back() = '\0';
    certificate = m_library.FromLibraryText(buffer.data());
}

int32_t BasaltSession::RefreshTicket(const I18NString& ticket, bool raiseOnFailure) {
    PYX_ASSERT(!ticket.empty());
    PYX_ASSERT(m_bHandleAuthenticated);
    const std::string text = m_library.ToLibraryText(ticket);
    const int32_t result = AS_RefreshTicket(m_handle, text.c_str());
    if (result == 0 || !raiseOnFailure) {
        return result;
    }
    PYXMessage detail = LibraryCallMessage(result, "AS_RefreshTicket");
    switch (result) {
        case AS_ERR_TICKET_EXPIRED:
            detail = ProviderMessage(kMsgTicketExpired);
            break;
        case AS_ERR_UNKNOWN_TICKET:
            detail = ProviderMessage(kMsgTicketUnknown);
            break;
        case AS_ERR_TICKET_NOT_REFRESHABLE:
            detail = ProviderMessage(kMsgTicketNotRefreshable);
            break;
        default:
            break;
    }
    VOR_AAA_AuthUnrecoverableException error = UnrecoverableError(
        ProviderMessage(kMsgAuthUnrecoverable), {ProviderMessage(kMsgRequestNotCompleted)});
    error.increaseNesting();
    error.addMessage(detail);
    PYX_THROW(error, "BasaltSession::RefreshTicket");
}

void BasaltSession::ExpireTicket(const TraceScope& trace, const I18NString& ticket) {
    PYX_ASSERT(!ticket.empty());
    const std::string text = m_library.ToLibraryText(ticket);
    if (m_bHandleAuthenticated && AS_ExpireTicket(m_handle, text.c_str()) == 0) {
        return;
    }
    // A handle that lost its user (a failed re-establishment, a password changed meanwhile)
    // cannot expire the ticket as that user; the ticket itself signs its owner on, so that no
    // ticket outlives a logoff.
    if (ValidateTicket(trace, ticket) == 0) {
        AS_ExpireTicket(m_handle, text.c_str());
    }
}

int BasaltSession::ObjectKind(const I18NString& idText) {
    if (!m_bHandleAuthenticated || idText.empty()) {
        return 0;
    }
    AS_ObjectId id = 0;
    if (!PYXUtConvert::tryUlongCvt(idText.utf8(), id)) {
        return 0;
    }
    if (ASA_FindUserInfo(m_handle, id, nullptr, nullptr, nullptr) == 0) {
        return 3;
    }
    if (ASA_FindUserFolderInfo(m_handle, id, nullptr, nullptr, nullptr) == 0) {
        return 2;
    }
    if (ASA_FindUserClassInfo(m_handle, id, nullptr, nullptr, nullptr, nullptr) == 0) {
        return 5;
    }
    return 0;
}

std::vector<uint32_t> BasaltSession::UserClassIds() {
    if (!m_bHandleAuthenticated) {
        return {};
    }
    std::optional<std::vector<AS_ObjectId>> ids =
        CountedList(m_handle, m_userId, ASA_FindUserUserClassCount, ASA_FindUserUserClassList);
    PYX_ASSERT(ids.has_value());
    return *ids;
}

std::vector<I18NString> BasaltSession::Signons(uint32_t userId, int kind) {
    using InfoCall = int32_t (*)(AS_Handle, AS_ObjectId, char*, uint32_t);
    CountCall countCall = nullptr;
    ListCall listCall = nullptr;
    InfoCall infoCall = nullptr;
    switch (kind) {
        case AS_OBJ_BASIC_SIGNON:
            countCall = ASA_FindUserBasicSignonCount;
            listCall = ASA_FindUserBasicSignonList;
            infoCall = ASA_FindUserBasicSignonInfo;
            break;
        case AS_OBJ_OS_SIGNON:
            countCall = ASA_FindUserOSSignonCount;
            listCall = ASA_FindUserOSSignonList;
            infoCall = ASA_FindUserOSSignonInfo;
            break;
        case AS_OBJ_DATABASE_SIGNON:
            countCall = ASA_FindUserDatabaseSignonCount;
            listCall = ASA_FindUserDatabaseSignonList;
            infoCall = ASA_FindUserDatabaseSignonInfo;
            break;
        default:
            return {};
    }
    const std::optional<std::vector<AS_ObjectId>> ids =
        CountedList(m_handle, userId, countCall, listCall);
    if (!ids) {
        return {};
    }
    std::vector<I18NString> signons;
    for (const AS_ObjectId id : *ids) {
        uint32_t signonLength = 0;
        ASA_FindObjectAttributeSize(m_handle, id, kind, AS_ATTR_NAME, &signonLength);
        PYX_ASSERT(signonLength > 0);
        std::vector<char> buffer(signonLength + 1, '\0');
        if (infoCall(m_handle, id, buffer.data(), signonLength + 1) == 0) {
            signons.push_back(m_library.FromLibraryText(buffer.data()));
        }
    }
    return signons;
}

void BasaltSession::AdoptHandle(BasaltSession* other) {
    if (other == nullptr || other == this) {
        return;
    }
    CloseHandle();
    m_bHandleAuthenticated = other->m_bHandleAuthenticated;
    m_handle = other->m_handle;
    m_authType = other->m_authType;
    m_userId = other->m_userId;
    m_userClassId = other->m_userClassId;
    m_hasUserClass = other->m_hasUserClass;
    m_queriesSinceInit = 0;
    m_bTerminatedHandle = other->m_bTerminatedHandle;
    other->m_bTerminatedHandle = true;
    other->m_bHandleAuthenticated = false;
    other->m_handle = 0;
}

void BasaltSession::UpdateFrom(SessionBase& other) {
    if (auto* session = dynamic_cast<BasaltSession*>(&other)) {
        AdoptHandle(session);
    }
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
