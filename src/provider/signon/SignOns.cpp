// The four sign-ons of a session's handle (password, ticket, certificate, trusted web
// environment): each converts its texts for the library, makes its one traced library call and
// takes the signed-on identity, or keeps the library's failure text. Their result is the
// library's (0 success); the creations (SessionCreation.cpp) map failures onto exceptions.
#include "session/BasaltSession.h"

#include "audit/TracedSignOns.h"
#include "session/LibraryNamespace.h"
#include "signon/SecretText.h"
#include "signon/TicketBuffer.h"
#include "signon/UserClass.h"

#include <BasaltParseTicket.h>
#include <PYXThrowable.h>
#include <PYXUtConvert.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

// A text the access library would read only up to its first NUL character: passed on, a name or
// password with a NUL inside would be taken for its shorter prefix, so it is refused instead.
bool CutShort(const std::string& text) {
    return text.find('\0') != std::string::npos;
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
        user = m_library.ToLibraryText(userName);
        secret.emplace(m_library.ToLibraryText(password));
        cls = withClass ? m_library.ToLibraryText(userClass) : std::string();
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
    const std::string cls = m_library.ToLibraryText(userClass);
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
    const std::string ticketText = m_library.ToLibraryText(ticket);
    if (CutShort(ticketText)) {
        m_failureText.clear();
        CloseHandle();
        return AS_ERR_UNKNOWN_TICKET;
    }
    LibraryResultText text;
    result = TracedValidateTicket2(trace, m_handle, ticketText.c_str(), ns.c_str(), &text.text);
    if (result != 0) {
        RememberFailureText(result);
        CloseHandle();
        return result;
    }
    BasaltTicketIdentity identity;
    const std::string resultText = m_library.FromLibraryText(text.text).utf8();
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
    const std::string certificateText = m_library.ToLibraryText(certificate);
    if (CutShort(certificateText)) {
        m_failureText.clear();
        return AS_ERR_INVALID_CERTIFICATE;
    }
    result = TracedValidateCertificate(trace, m_handle, certificateText.c_str(), ns.c_str(),
                                       withClass, &classId, &authId);
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
            texts.push_back(m_library.ToLibraryText(name));
            texts.push_back(m_library.ToLibraryText(value));
        }
        cls = NamesUserClass(userClass) ? m_library.ToLibraryText(userClass) : std::string();
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
    result =
        TracedAuthenticateWebUserWithEnv(trace, variables.data(), &text.text, m_handle, ns.c_str(),
                                         withClass ? cls.c_str() : nullptr, &authId, ticket);
    if (result == AS_MORE_ENV_NEEDED) {
        requiredVariables =
            text.text != nullptr ? m_library.FromLibraryText(text.text) : I18NString();
        return result;
    }
    return FinishSignOn(result, authId, userClass);
}
