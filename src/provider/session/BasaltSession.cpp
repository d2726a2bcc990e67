#include "session/BasaltSession.h"

#include "audit/CallTrace.h"
#include "common/ProviderErrors.h"
#include "common/ProviderMessages.h"
#include "namespace/BasaltNamespace.h"
#include "process/BasaltProvider.h"
#include "signon/LogonFailures.h"
#include "signon/SecretText.h"

#include <BasaltParseTicket.h>
#include <PYXThrowable.h>
#include <PYXUtConvert.h>
#include <VOR_AAA_Env.h>
#include <VOR_AAA_Exception.h>
#include <VOR_AAA_Visa.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace {

constexpr const char* kAllUserClasses = "all";

// A user class given by the caller: empty or "all" means none.
bool NamesUserClass(const I18NString& userClass) {
    return !userClass.empty() && userClass != I18NString(kAllUserClasses);
}

// A text the access library would read only up to its first NUL character: passed on, a name or
// password with a NUL inside would be taken for its shorter prefix, so it is refused instead.
bool CutShort(const std::string& text) {
    return text.find('\0') != std::string::npos;
}

// A ticket buffer as the library fills it: the given ticket (at most 254 characters) copied in.
struct TicketBuffer {
    char bytes[AS_TICKET_SIZE] = {};
    explicit TicketBuffer(const I18NString& ticket = {}) {
        const std::string text = ticket.utf8();
        std::strncpy(bytes, text.c_str(), 254);
    }
    I18NString Text() const {
        return I18NString(std::string(bytes, strnlen(bytes, sizeof(bytes))));
    }
};

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

// A library result text, released with AS_FreeResult.
struct LibraryResultText {
    char* text = nullptr;
    ~LibraryResultText() {
        if (text != nullptr) {
            AS_FreeResult(text);
        }
    }
};

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

BasaltSession::BasaltSession(BasaltProvider& provider, BasaltNamespace& ns)
    : SessionBase(I18NString()), m_pProvider(&provider), m_pNamespace(&ns) {
    const int32_t result = InitHandle();
    if (result != 0) {
        PYX_THROW(ProviderError(kVOR_AAA_DirectoryProcessFailure,
                                {ProviderMessage(kMsgSessionNotOpened, {std::to_string(result)}),
                                 ProviderMessage(kMsgDetailLine, {ns.GetLastErrorText(result)})}),
                  "BasaltNamespace::BasaltSession");
    }
}

BasaltSession::~BasaltSession() {
    CloseHandle();
}

// ---- handle management ----

int32_t BasaltSession::InitHandle() {
    PYX_ASSERT(m_pProvider->AreRidgeNamespacesUnicodeInitialized() == true);
    PYX_ASSERT(m_pNamespace);
    AS_Handle handle = 0;
    const int32_t result = m_pNamespace->OpenHandle(handle);
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
    return m_pNamespace->ToLibraryText(m_pNamespace->GetDirectoryNamespace());
}

void BasaltSession::RememberFailureText(int32_t result) {
    m_failureText.clear();
    if (result < 0) {
        m_failureText = m_pNamespace->GetLastErrorText(result);
    }
}

// ---- authentications ----

int32_t BasaltSession::AuthenticateUser(const TraceScope& trace, const I18NString& userName,
                                        const I18NString& password, const I18NString& userClass,
                                        char* ticket) {
    int32_t result = ReopenIfAuthenticated();
    if (result != 0) {
        return result;
    }
    const bool withClass = NamesUserClass(userClass);
    std::string ns, user, cls;
    std::optional<SecretText> secret;
    result = ConvertForLibrary([&] {
        ns = DirectoryNamespaceText();
        user = m_pNamespace->ToLibraryText(userName);
        secret.emplace(m_pNamespace->ToLibraryText(password));
        cls = withClass ? m_pNamespace->ToLibraryText(userClass) : std::string();
    });
    if (result != 0) {
        return result;
    }
    if (CutShort(user) || CutShort(secret->str()) || CutShort(cls)) {
        m_failureText.clear();
        return CutShort(cls) ? AS_ERR_USER_CLASS_NOT_ALLOWED : AS_ERR_BAD_CREDENTIALS;
    }
    AS_ObjectId authId = 0;
    result = TracedAuthenticateUser2(trace, m_handle, ns.c_str(), user.c_str(), secret->c_str(),
                                     withClass ? cls.c_str() : nullptr, &authId, ticket);
    return FinishSignOn(result, authId, userClass);
}

int32_t BasaltSession::ConvertForLibrary(const std::function<void()>& convert) {
    try {
        convert();
        return 0;
    } catch (PYXException& e) {
        if (e.getErrorCode() != kPYXErrorConversion) {
            throw;
        }
        // A name the namespace's encoding cannot hold is, to the user, a text the library
        // cannot read: the same failure (-9), explained the same way.
        m_failureText = I18NString(e.getText());
        return AS_ERR_INVALID_TEXT;
    }
}

int32_t BasaltSession::FinishSignOn(int32_t result, AS_ObjectId authId,
                                    const I18NString& userClass) {
    if (result != 0) {
        RememberFailureText(result);
        return result;
    }
    m_bHandleAuthenticated = true;
    m_userId = authId;
    return TakeUserClass(userClass);
}

int32_t BasaltSession::TakeUserClass(const I18NString& userClass) {
    if (!NamesUserClass(userClass)) {
        m_userClassId = 0;
        m_hasUserClass = 0;
        return 0;
    }
    m_hasUserClass = 1;
    const std::string cls = m_pNamespace->ToLibraryText(userClass);
    const int32_t result = ASA_FindUserClassInfoByName(m_handle, cls.c_str(), &m_userClassId,
                                                       nullptr, nullptr, nullptr);
    RememberFailureText(result);
    return result;
}

int32_t BasaltSession::ValidateTicket(const TraceScope& trace, const I18NString& ticket) {
    if (ticket.empty()) {
        return AS_ERR_UNKNOWN_TICKET;
    }
    int32_t result = ReopenIfAuthenticated();
    if (result != 0) {
        return result;
    }
    const std::string ns = DirectoryNamespaceText();
    const std::string ticketText = m_pNamespace->ToLibraryText(ticket);
    if (CutShort(ticketText)) {
        m_failureText.clear();
        CloseHandle();
        return AS_ERR_UNKNOWN_TICKET;
    }
    LibraryResultText text;
    TraceCallStart(trace, "AS_ValidateTicket2",
                   {{"handle", std::to_string(m_handle)},
                    {"Ticket", TraceSecret(ticketText.c_str())},
                    {"Namespace", ns}});
    result = AS_ValidateTicket2(m_handle, ticketText.c_str(), ns.c_str(), &text.text);
    TraceCallEnd(trace, "AS_ValidateTicket2", {}, result);
    if (result != 0) {
        RememberFailureText(result);
        CloseHandle();
        return result;
    }
    BasaltTicketIdentity identity;
    const std::string resultText = m_pNamespace->FromLibraryText(text.text).utf8();
    const bool ret = BasaltParseTicketResult(resultText.c_str(), resultText.size(), identity);
    PYX_ASSERT(ret == true);
    m_userId = identity.userId;
    m_userClassId = identity.userClassId;
    m_hasUserClass = identity.hasUserClass ? 1 : 0;
    m_bHandleAuthenticated = true;
    return 0;
}

int32_t BasaltSession::ValidateCertificate(const TraceScope& trace, const I18NString& certificate,
                                           const I18NString& userClass, I18NString& ticket) {
    if (certificate.empty()) {
        return AS_ERR_INVALID_CERTIFICATE;
    }
    int32_t result = ReopenIfAuthenticated();
    if (result != 0) {
        return result;
    }
    const bool withClass = NamesUserClass(userClass);
    // The class travels as its directory number: nothing but its decimal digits names it.
    AS_ObjectId classId = 0;
    if (withClass && !PYXUtConvert::tryUlongCvt(userClass.utf8(), classId)) {
        m_failureText.clear();
        return AS_ERR_USER_CLASS_NOT_ALLOWED;
    }
    AS_ObjectId authId = 0;
    const std::string ns = DirectoryNamespaceText();
    const std::string certificateText = m_pNamespace->ToLibraryText(certificate);
    if (CutShort(certificateText)) {
        m_failureText.clear();
        return AS_ERR_INVALID_CERTIFICATE;
    }
    TraceCallStart(trace, "AS_ValidateCertificate",
                   {{"handle", std::to_string(m_handle)},
                    {"Certificate", TraceSecret(certificateText.c_str())},
                    {"Namespace", ns},
                    {"UserClass", withClass ? std::to_string(classId) : std::string()}});
    result = AS_ValidateCertificate(m_handle, certificateText.c_str(), ns.c_str(),
                                    withClass ? 1 : 0, &classId, &authId);
    TraceCallEnd(trace, "AS_ValidateCertificate", {{"AUTH_ID", std::to_string(authId)}}, result);
    if (result != 0) {
        RememberFailureText(result);
        CloseHandle();
        return result;
    }
    m_bHandleAuthenticated = true;
    ticket.clear();
    TicketBuffer fresh;
    if (ASA_CreateTicket(m_handle, fresh.bytes) == 0) {
        ticket = fresh.Text();
    }
    m_userId = authId;
    m_userClassId = withClass ? classId : 0;
    m_hasUserClass = withClass ? 1 : 0;
    return 0;
}

int32_t BasaltSession::AuthenticateWebUser(const TraceScope& trace,
                                           const BasaltEnvironment& environment,
                                           const I18NString& userClass, char* ticket,
                                           I18NString& requiredVariables) {
    int32_t result = ReopenIfAuthenticated();
    if (result != 0) {
        return result;
    }
    std::vector<std::string> texts;
    std::string cls;
    result = ConvertForLibrary([&] {
        texts.reserve(environment.size() * 2);
        for (const auto& [name, value] : environment) {
            texts.push_back(m_pNamespace->ToLibraryText(name));
            texts.push_back(m_pNamespace->ToLibraryText(value));
        }
        cls = NamesUserClass(userClass) ? m_pNamespace->ToLibraryText(userClass) : std::string();
    });
    if (result != 0) {
        return result;
    }
    if (std::any_of(texts.begin(), texts.end(), CutShort) || CutShort(cls)) {
        m_failureText.clear();
        return CutShort(cls) ? AS_ERR_USER_CLASS_NOT_ALLOWED : AS_ERR_BAD_CREDENTIALS;
    }
    std::vector<AS_EnvVar> variables;
    for (std::size_t i = 0; i < texts.size(); i += 2) {
        variables.push_back({texts[i].c_str(), texts[i + 1].c_str()});
    }
    variables.push_back({nullptr, nullptr});
    const std::string ns = DirectoryNamespaceText();
    const bool withClass = NamesUserClass(userClass);
    AS_ObjectId authId = 0;
    LibraryResultText text;
    TraceParameters inputs{{"handle", std::to_string(m_handle)}, {"Namespace", ns}};
    for (const AS_EnvVar& variable : variables) {
        if (variable.name != nullptr) {
            inputs.emplace_back(variable.name, variable.value);
        }
    }
    inputs.emplace_back("UserClass", cls);
    TraceCallStart(trace, "AS_AuthenticateWebUserWithEnv", inputs);
    result = AS_AuthenticateWebUserWithEnv(variables.data(), &text.text, m_handle, ns.c_str(),
                                           withClass ? cls.c_str() : nullptr, &authId, ticket);
    TraceCallEnd(trace, "AS_AuthenticateWebUserWithEnv", {{"AUTH_ID", std::to_string(authId)}},
                 result);
    if (result == AS_MORE_ENV_NEEDED) {
        requiredVariables =
            text.text != nullptr ? m_pNamespace->FromLibraryText(text.text) : I18NString();
        return result;
    }
    return FinishSignOn(result, authId, userClass);
}

// ---- session creation ----

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

void BasaltSession::SetIdentifierFromState(const I18NString& certificate) {
    SetIdentifier(BuildIdentifier(m_pNamespace->GetIdentifier(), m_authType, m_userId,
                                  m_hasUserClass != 0, m_userClassId, certificate));
}

std::unique_ptr<BasaltSession> BasaltSession::CreateFromCredential(
    const TraceScope& trace, BasaltProvider& provider, BasaltNamespace& ns,
    const I18NString& userName, const I18NString& password, const I18NString& userClass,
    const I18NString& action, I18NString& ticket) {
    if (userName.empty()) {
        VOR_AAA_AuthUserRecoverableException_LogonAs prompt(
            ProviderMessage(kMsgCaptionUserIdRequired), ns.GetIdentifier(), ns.GetDisplayName(),
            userName, true);
        AddSignOnFailedMessages(prompt);
        PYX_THROW(prompt, "BasaltSession::CreateFromCredential");
    }
    TicketBuffer buffer(ticket);
    auto session = std::make_unique<BasaltSession>(provider, ns);
    session->m_role = userClass;
    const int32_t result =
        session->AuthenticateUser(trace, userName, password, userClass, buffer.bytes);
    if (result != 0) {
        RaiseLogonFailure(ns, result, action, kLogonModeCredential, userName,
                          session->m_failureText);
    }
    session->m_authType = kAuthTypeCredential;
    session->SetIdentifierFromState({});
    ticket = buffer.Text();
    return session;
}

std::unique_ptr<BasaltSession> BasaltSession::CreateFromTicket(const TraceScope& trace,
                                                               BasaltProvider& provider,
                                                               BasaltNamespace& ns,
                                                               const I18NString& ticket,
                                                               int32_t& result) {
    auto session = std::make_unique<BasaltSession>(provider, ns);
    result = session->ValidateTicket(trace, ticket);
    if (result != 0) {
        return nullptr;
    }
    session->m_authType = kAuthTypeTicket;
    session->SetIdentifierFromState({});
    return session;
}

std::unique_ptr<BasaltSession> BasaltSession::CreateFromCertificate(
    const TraceScope& trace, BasaltProvider& provider, BasaltNamespace& ns,
    const I18NString& certificate, const I18NString& userClass, const I18NString& action,
    I18NString& ticket) {
    if (certificate.empty()) {
        PYX_THROW(UnrecoverableError(ProviderMessage(kMsgAuthUnrecoverable),
                                     {ProviderMessage(kMsgNoCertificate)}),
                  "BasaltSession::CreateFromCertificate");
    }
    auto session = std::make_unique<BasaltSession>(provider, ns);
    session->m_role = userClass;
    const int32_t result = session->ValidateCertificate(trace, certificate, userClass, ticket);
    if (result != 0) {
        RaiseLogonFailure(ns, result, action, kLogonModeCertificate, I18NString(),
                          session->m_failureText);
    }
    session->m_authType = kAuthTypeCertificate;
    session->SetIdentifierFromState(certificate);
    return session;
}

std::unique_ptr<BasaltSession> BasaltSession::CreateFromWebUserEnv(
    const TraceScope& trace, BasaltProvider& provider, BasaltNamespace& ns,
    const BasaltEnvironment& environment, const I18NString& userClass, const I18NString& action,
    I18NString& requiredVariables, I18NString& ticket, bool remoteUserPresent) {
    (void)action;
    TicketBuffer buffer(ticket);
    auto session = std::make_unique<BasaltSession>(provider, ns);
    session->m_role = userClass;
    const int32_t result = session->AuthenticateWebUser(trace, environment, userClass, buffer.bytes,
                                                        requiredVariables);
    if (result == AS_MORE_ENV_NEEDED) {
        const I18NString& reqEnvVarList = requiredVariables;
        PYX_ASSERT(reqEnvVarList.length() > 0);
        VOR_AAA_Env request;
        for (const std::string& name : SplitNames(reqEnvVarList.utf8())) {
            request.Add(name);
        }
        if (!request.GetEntries().empty()) {
            VOR_AAA_AuthSystemRecoverableException challenge(I18NString(request.Encode()));
            challenge.addMessage(ProviderMessage(kMsgCredentialsNotValid));
            PYX_THROW(challenge, "BasaltSession::CreateFromWebUserEnv");
        }
    } else if (result != 0) {
        VOR_AAA_AuthUserRecoverableException_LogonAs prompt(ns.GetIdentifier(), ns.GetDisplayName(),
                                                            I18NString());
        if (remoteUserPresent) {
            AddSignOnFailedMessages(prompt);
        }
        // A user name the library cannot read: the namespace's encoding is the cause.
        if (result == AS_ERR_INVALID_TEXT) {
            if (const auto mismatch = ns.EncodingMismatch()) {
                prompt.addMessage(*mismatch, 2);
            }
        }
        PYX_THROW(prompt, "BasaltSession::CreateFromWebUserEnv");
    }
    session->m_authType = kAuthTypeWebEnvironment;
    session->SetIdentifierFromState({});
    ticket = buffer.Text();
    return session;
}

// ---- operations on an authenticated session ----

void BasaltSession::GetCertificate(I18NString& certificate) {
    if (!m_bHandleAuthenticated) {
        return;
    }
    std::vector<char> buffer(AS_CERTIFICATE_SIZE, '\0');
    const int32_t result = AS_GetCertificate(m_handle, buffer.data());
    if (result != 0) {
        PYX_THROW(ProviderError(
                      kVOR_AAA_DirectoryProcessFailure,
                      {LibraryCallMessage(result, "AS_GetCertificate"),
                       ProviderMessage(kMsgDetailLine, {m_pNamespace->GetLastErrorText(result)})}),
                  "BasaltSession::GetCertificate");
    }
    buffer.back() = '\0';
    certificate = m_pNamespace->FromLibraryText(buffer.data());
}

int32_t BasaltSession::RefreshTicket(const I18NString& ticket, bool raiseOnFailure) {
    PYX_ASSERT(!ticket.empty());
    PYX_ASSERT(m_bHandleAuthenticated);
    const std::string text = m_pNamespace->ToLibraryText(ticket);
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
    const std::string text = m_pNamespace->ToLibraryText(ticket);
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
            signons.push_back(m_pNamespace->FromLibraryText(buffer.data()));
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
