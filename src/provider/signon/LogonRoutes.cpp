// The namespace's sign-on operations: each creates a session, fills the visa with the user's
// identity and the values a later request needs to find or rebuild the session, and registers
// the session. Also the change of an expired password.
#include "audit/CallTrace.h"
#include "common/ProviderErrors.h"
#include "common/ProviderMessages.h"
#include "namespace/BasaltNamespace.h"
#include "process/BasaltProvider.h"
#include "session/BasaltSession.h"
#include "signon/SecretText.h"
#include "signon/SessionFromVisa.h"
#include "signon/UserClass.h"

#include <PYXThrowable.h>
#include <VOR_AAA_EncryptionManager.h>
#include <VOR_AAA_Exception.h>
#include <VOR_AAA_VORID.h>
#include <VOR_AAA_Visa.h>

namespace {

// A session the library signed on from its offline cache (every directory server unreachable):
// the visa says so, and the audit records it.
void MarkOffline(const TraceScope& trace, const BasaltSession& session, const I18NString& user,
                 VOR_AAA_Visa& visa) {
    int32_t offline = 0;
    if (ASA_GetSessionOffline(session.GetHandle(), &offline) != AS_OK || offline == 0) {
        return;
    }
    visa.SetValue(kVisaOffline, I18NString("true"));
    WriteAuditWarning(ProviderMessage(kMsgOfflineSignOn, {user}), trace.GetAdditionalInfo());
}

}  // namespace

void BasaltNamespace::FillVisa(BasaltSession& session, const I18NString& ticket,
                               VOR_AAA_Visa& visa) {
    const std::string& nsID = GetIdentifierUtf8();
    visa.SetNamespaceID(GetIdentifier());
    visa.SetUserID(
        I18NString(VOR_AAA_VORID::Compose(nsID, VOR_AAA_VORID::eAccount, session.GetUserId())));
    if (session.HasUserClass() != 0) {
        visa.AddRole(I18NString(
            VOR_AAA_VORID::Compose(nsID, VOR_AAA_VORID::eRole, session.GetUserClassId())));
    } else {
        for (const uint32_t id : session.UserClassIds()) {
            visa.AddRole(I18NString(VOR_AAA_VORID::Compose(nsID, VOR_AAA_VORID::eRole, id)));
        }
    }
    visa.SetValue(kVisaSession, session.GetIdentifier());
    if (!ticket.empty()) {
        visa.SetValue(kVisaTicket, ticket);
    }
    visa.SetValue(kVisaAuthType, I18NString(AuthTypeText(session.GetAuthType())));
}

void BasaltNamespace::SetProtectedVisaValue(VOR_AAA_Visa& visa, const char* name,
                                            const I18NString& value) {
    I18NString protectedValue = value;
    GetEncryptionManager().Encrypt(protectedValue);
    visa.SetValue(name, protectedValue);
}

void BasaltNamespace::CredentialLogon(const TraceScope& trace, const I18NString& userName,
                                      const I18NString& password, const I18NString& role,
                                      const I18NString& action, I18NString& ticket,
                                      VOR_AAA_Visa& visa) {
    std::unique_ptr<BasaltSession> session = BasaltSession::CreateFromCredential(
        trace, m_provider, *this, userName, password, UserClassOrAll(role), action, ticket);
    PYX_ASSERT(session);
    if (!ticket.empty() && session->IsHandleAuthenticated()) {
        session->RefreshTicket(ticket, false);
    }
    FillVisa(*session, ticket, visa);
    MarkOffline(trace, *session, userName, visa);
    SetProtectedVisaValue(visa, kVisaUsername, userName);
    SetProtectedVisaValue(visa, kVisaPassword, password);
    visa.SetValue(kVisaRole, role);
    AddSession(std::move(session));
}

int32_t BasaltNamespace::TicketLogon(const TraceScope& trace, const I18NString& ticket,
                                     const I18NString& /*action*/, VOR_AAA_Visa& visa) {
    int32_t result = 0;
    std::unique_ptr<BasaltSession> session =
        BasaltSession::CreateFromTicket(trace, m_provider, *this, ticket, result);
    if (result != 0) {
        return result;
    }
    PYX_ASSERT(session);
    result = session->RefreshTicket(ticket, false);
    if (result != 0) {
        return result;
    }
    FillVisa(*session, ticket, visa);
    MarkOffline(trace, *session, I18NString(std::to_string(session->GetUserId()).c_str()), visa);
    visa.SetValue(kVisaUsername, I18NString());
    AddSession(std::move(session));
    return 0;
}

void BasaltNamespace::CertificateLogon(const TraceScope& trace, const I18NString& certificate,
                                       const I18NString& action, const I18NString& role,
                                       I18NString& ticket, VOR_AAA_Visa& visa) {
    std::unique_ptr<BasaltSession> session = BasaltSession::CreateFromCertificate(
        trace, m_provider, *this, certificate, UserClassOrAll(role), action, ticket);
    PYX_ASSERT(session);
    FillVisa(*session, ticket, visa);
    SetProtectedVisaValue(visa, kVisaCertificate, certificate);
    visa.SetValue(kVisaRole, role);
    AddSession(std::move(session));
}

void BasaltNamespace::EnvironmentLogon(const TraceScope& trace,
                                       const BasaltEnvironment& environment, bool remoteUserPresent,
                                       const I18NString& role, const I18NString& action,
                                       I18NString& requiredVariables, I18NString& ticket,
                                       VOR_AAA_Visa& visa) {
    std::unique_ptr<BasaltSession> session = BasaltSession::CreateFromWebUserEnv(
        trace, m_provider, *this, environment, UserClassOrAll(role), action, requiredVariables,
        ticket, remoteUserPresent);
    PYX_ASSERT(session);
    if (!ticket.empty() && session->IsHandleAuthenticated()) {
        session->RefreshTicket(ticket, false);
    }
    FillVisa(*session, ticket, visa);
    I18NString remoteUser;
    for (const auto& [name, value] : environment) {
        if (name == I18NString("REMOTE_USER")) {
            remoteUser = value;
        }
    }
    visa.SetValue(kVisaUsername, remoteUser);
    visa.SetValue(kVisaRole, role);
    AddSession(std::move(session));
}

void BasaltNamespace::GenerateCredential(const TraceScope& trace, const I18NString& userName,
                                         const I18NString& password, const I18NString& role,
                                         const I18NString& action, I18NString& ticket) {
    // The creation is the check; the session is not kept.
    BasaltSession::CreateFromCredential(trace, m_provider, *this, userName, password,
                                        UserClassOrAll(role), action, ticket);
}

void BasaltNamespace::GenerateTrustedCredential(const TraceScope& trace,
                                                const I18NString& certificate,
                                                const I18NString& role, const I18NString& action,
                                                I18NString& ticket) {
    BasaltSession::CreateFromCertificate(trace, m_provider, *this, certificate,
                                         UserClassOrAll(role), action, ticket);
}

void BasaltNamespace::ChangeExpiredPassword(const I18NString& signon, const I18NString& oldPassword,
                                            const I18NString& newPassword,
                                            const I18NString& action) {
    constexpr const char* kLabel = "BasaltNamespace::ChangeExpiredPassword";
    PYX_ASSERT(!signon.empty());
    PYX_ASSERT(m_provider.AreRidgeNamespacesUnicodeInitialized() == true);
    AS_Handle handle = 0;
    const char* failedCall = nullptr;
    const int32_t opened = OpenHandle(handle, &failedCall);
    if (opened != 0) {
        PYX_THROW(ProviderError(kVOR_AAA_DirectoryProcessFailure,
                                {LibraryCallMessage(opened, failedCall),
                                 ProviderMessage(kMsgDetail, {GetLastErrorText(opened)})}),
                  kLabel);
    }
    const std::string ns = ToLibraryText(m_directoryNamespace);
    const std::string user = ToLibraryText(signon);
    const SecretText oldText(ToLibraryText(oldPassword));
    const SecretText newText(ToLibraryText(newPassword));
    int32_t result = AS_ChangeExpiredBasicSignonPassword(handle, ns.c_str(), user.c_str(),
                                                         oldText.c_str(), newText.c_str());
    if (result == AS_ERR_USER_NOT_FOUND) {
        result = AS_ForceChangeBasicSignonPassword(handle, ns.c_str(), user.c_str(),
                                                   oldText.c_str(), newText.c_str());
    }
    if (result == 0) {
        AS_Terminate(handle);
        return;
    }
    // The text belongs to the temporary handle: read it before the handle goes.
    const I18NString errorText = GetSessionErrorText(handle, result);
    AS_Terminate(handle);
    const auto changePrompt = [&] {
        return VOR_AAA_AuthUserRecoverableException_ChangePassword2(
            GetIdentifier(), m_displayName, signon, I18NString(), signon, action);
    };
    switch (result) {
        case AS_ERR_BAD_CREDENTIALS: {
            auto prompt = changePrompt();
            prompt.addMessage(ProviderMessage(kMsgSignOnFailed), 0);
            prompt.addMessage(ProviderMessage(kMsgPasswordExpired), 1);
            PYX_THROW(prompt, kLabel);
        }
        case AS_ERR_PASSWORD_TOO_SHORT:
        case AS_ERR_PASSWORD_IN_HISTORY:
        case AS_ERR_PASSWORD_QUALITY: {
            auto prompt = changePrompt();
            prompt.addMessage(ProviderMessage(kMsgDetail, {errorText}), 0);
            prompt.addMessage(ProviderMessage(kMsgSignOnFailed), 0);
            prompt.addMessage(ProviderMessage(kMsgPasswordExpired), 1);
            PYX_THROW(prompt, kLabel);
        }
        case AS_ERR_SERVER: {
            VOR_AAA_AuthUnrecoverableException error(ProviderMessage(kMsgDirectoryUnavailable));
            error.addMessage(ProviderMessage(kMsgDirectoryUnavailable), 0);
            error.addMessage(ProviderMessage(kMsgRequestNotCompleted), 1);
            error.addMessage(ProviderMessage(kMsgDetail, {errorText}), 2);
            error.addMessage(ProviderMessage(kMsgContactAdministrator), 3);
            PYX_THROW(error, kLabel);
        }
        default: {
            VOR_AAA_AuthUserRecoverableException_LogonAs prompt(GetIdentifier(), m_displayName,
                                                                signon);
            prompt.addMessage(ProviderMessage(kMsgSignOnFailed), 0);
            prompt.addMessage(ProviderMessage(kMsgCredentialsNotValid), 1);
            prompt.addMessage(ProviderMessage(kMsgDetail, {errorText}), 2);
            PYX_THROW(prompt, kLabel);
        }
    }
}
