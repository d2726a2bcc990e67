// The creation of a session by each of the four sign-ons, with the refusals of the password,
// certificate and web routes mapped onto the provider's authentication exceptions.
#include "session/BasaltSession.h"

#include "common/ProviderErrors.h"
#include "common/ProviderMessages.h"
#include "namespace/BasaltNamespace.h"
#include "signon/LogonFailures.h"
#include "signon/TicketBuffer.h"

#include <PYXThrowable.h>
#include <VOR_AAA_Env.h>
#include <VOR_AAA_Exception.h>

#include <string>

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
