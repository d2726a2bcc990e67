// The authenticate entry (interface 2, slot 0): from the request's action and contents it
// decides how the user is to be signed on, off, or given a credential, drives the namespace and
// its sessions, and fills the response with a visa, cookies and credential values, or with an
// authentication exception carrying prompts.
#include "audit/CallTrace.h"
#include "common/ProviderErrors.h"
#include "common/ProviderMessages.h"
#include "entry/Entries.h"
#include "namespace/BasaltNamespace.h"
#include "namespace/GenericIdentifier.h"
#include "process/ProviderSlot.h"
#include "session/BasaltSession.h"
#include "session/SessionCheckout.h"
#include "signon/SessionFromVisa.h"
#include "signon/UserClass.h"

#include <PYXThrowable.h>
#include <VOR_AAA_AuthDoc.h>
#include <VOR_AAA_AuthResponse.h>
#include <VOR_AAA_EncryptionManager.h>
#include <VOR_AAA_Exception.h>
#include <VOR_AAA_Visa.h>

#include <memory>
#include <optional>

namespace {

constexpr const char* kLabel = "BasaltAuthenticate";
constexpr const char* kTicketCookie = "AS_TICKET";

// A value read from the request and whether it was there.
struct Found {
    I18NString value;
    bool found = false;
};

// One authenticate request and what the routes share.
struct AuthRequest {
    VOR_AAA_AuthDoc& document;
    VOR_AAA_AuthResponse& response;
    BasaltProvider& provider;
    const TraceScope& trace;
    const VOR_AAA_AdditionalInfo& additionalInfo;
    I18NString& userName;  // reported with a prompt ("VORUsername")
};

[[noreturn]] void RaiseUnrecoverable(std::initializer_list<PYXMessage> details) {
    PYX_THROW(UnrecoverableError(ProviderMessage(kMsgAuthUnrecoverable), details), kLabel);
}

void AddTicketCookie(VOR_AAA_AuthResponse& response, const BasaltNamespace& ns,
                     const I18NString& ticket, const char* maxAge) {
    response.AddSetCookieVar(kTicketCookie, ticket, ns.GetCookiePath(), maxAge,
                             ns.GetCookieDomain(), ns.GetCookieSecure());
}

Found FormField(const VOR_AAA_AuthDoc& document, const char* name) {
    Found f;
    f.found = document.GetFormFieldValue(name, f.value);
    return f;
}

// A credential value when the request carries credentials, else a form field.
Found CredentialOrFormField(const VOR_AAA_AuthDoc& document, const char* credential,
                            const char* formField) {
    if (document.GetCredentials().HasCredentials()) {
        Found f;
        f.found = document.GetCredentials().GetValue(credential, f.value);
        return f;
    }
    return FormField(document, formField);
}

I18NString RoleOrAll(const VOR_AAA_AuthDoc& document) {
    const Found role = FormField(document, "VORRole");
    return UserClassOrAll(role.found ? role.value : I18NString());
}

void AssertNoVisaInRequest(const VOR_AAA_AuthDoc& document) {
    const VOR_AAA_Visa* pVisa = document.GetVisa();
    PYX_ASSERT(pVisa == 0);
}

std::shared_ptr<BasaltNamespace> AsDirectoryNamespace(std::shared_ptr<NamespaceBase> ns,
                                                      const I18NString& identifier) {
    auto directory = std::dynamic_pointer_cast<BasaltNamespace>(std::move(ns));
    if (directory == nullptr) {
        RaiseUnrecoverable({ProviderMessage(kMsgNamespaceNotFound, {identifier})});
    }
    return directory;
}

// ---- logon (actions 1 and 2) ----

int32_t LogonRoute(AuthRequest& request) {
    VOR_AAA_AuthDoc& document = request.document;
    I18NString namespaceID;
    document.GetNamespaceID(namespaceID);
    int32_t status = 0;
    std::shared_ptr<NamespaceBase> found =
        LookupNamespaceForAuthentication(request.provider, namespaceID, document, status);
    if (status == kVOR_AAA_NamespaceClaimed) {
        return kVOR_AAA_NamespaceClaimed;
    }
    const std::shared_ptr<BasaltNamespace> ns = AsDirectoryNamespace(found, namespaceID);
    const bool hasCredentials = document.GetCredentials().HasCredentials();

    Found ticket;
    ticket.found = document.GetCookieValue(kTicketCookie, ticket.value);
    if (!ticket.found && hasCredentials) {
        ticket.found = document.GetCredentials().GetValue("asticket", ticket.value);
    }
    Found certificate;
    bool certificateFromTrustedCredential = false;
    certificate.found = document.GetTrustedCredentialValue("Certificate", certificate.value);
    if (certificate.found) {
        certificateFromTrustedCredential = true;
    } else if (hasCredentials) {
        certificate.found = document.GetCredentials().GetValue("Certificate", certificate.value);
    }
    const I18NString securityBlob = document.GetSecurityBlob();
    Found remoteUser;
    remoteUser.found = document.GetEnvironmentValue("REMOTE_USER", remoteUser.value);
    const Found checkGateway = FormField(document, "VORCheckGateway");
    const Found user = CredentialOrFormField(document, "username", "VORUsername");
    Found password = CredentialOrFormField(document, "password", "VORPassword");
    if (user.found) {
        request.userName = user.value;
    }
    Found oldPassword;
    Found newPassword;
    if (user.found) {
        oldPassword = FormField(document, "VOROldPassword");
        newPassword = FormField(document, "VORNewPassword");
    }
    const I18NString actionText(VOR_AAA_BiBusHeader::ActionText(document.GetAction()));

    if (user.found && oldPassword.found && newPassword.found) {
        ns->ChangeExpiredPassword(user.value, oldPassword.value, newPassword.value, actionText);
        password = newPassword;
    }

    std::optional<VOR_AAA_Visa> visa;
    if (!user.found || !password.found) {
        if (certificate.found) {
            I18NString role;
            if (certificateFromTrustedCredential) {
                document.GetTrustedCredentialValue("role", role);
            } else {
                document.GetCredentials().GetValue("role", role);
            }
            AssertNoVisaInRequest(document);
            VOR_AAA_Visa made;
            I18NString newTicket = ticket.value;
            ns->CertificateLogon(request.trace, certificate.value, "logon", role, newTicket, made);
            request.response.SetVisa(made);
            if (!newTicket.empty()) {
                AddTicketCookie(request.response, *ns, newTicket, "0");
            }
            return 0;
        }
        if (ticket.found && !ticket.value.empty()) {
            AssertNoVisaInRequest(document);
            VOR_AAA_Visa made;
            if (ns->TicketLogon(request.trace, ticket.value, "logon", made) == 0) {
                request.response.SetVisa(made);
                AddTicketCookie(request.response, *ns, ticket.value, "0");
                return 0;
            }
        }
        const bool gatewayCheck = checkGateway.found && checkGateway.value == I18NString("true");
        if (!gatewayCheck && ns->IsTrustedEnvironmentAllowed()) {
            // The trusted web environment. A REMOTE_USER in the header only says that a remote
            // user is there: the identity comes from the environment document in the security
            // blob, which the framework sends when the library asks for REMOTE_USER.
            BasaltEnvironment environment;
            const bool remoteUserPresent = remoteUser.found && !remoteUser.value.empty();
            if (!remoteUserPresent) {
                environment.emplace_back(I18NString("REMOTE_USER"), I18NString());
            }
            bool readable = true;
            if (!securityBlob.empty()) {
                readable = EnvironmentFromSecurityBlob(securityBlob, environment);
            }
            if (readable) {
                AssertNoVisaInRequest(document);
                VOR_AAA_Visa made;
                I18NString required;
                I18NString newTicket = ticket.value;
                ns->EnvironmentLogon(request.trace, environment, remoteUserPresent,
                                     RoleOrAll(document), "logon", required, newTicket, made);
                made.SetValue(kVisaSecurityBlob, securityBlob);
                made.SetValue(kVisaRemoteUser, remoteUser.value);
                request.response.SetVisa(made);
                if (!newTicket.empty()) {
                    AddTicketCookie(request.response, *ns, newTicket, "0");
                }
                return 0;
            }
        }
    } else {
        AssertNoVisaInRequest(document);
        VOR_AAA_Visa made;
        I18NString newTicket = ticket.value;
        ns->CredentialLogon(request.trace, user.value, password.value, RoleOrAll(document), "logon",
                            newTicket, made);
        request.response.SetVisa(made);
        if (!newTicket.empty()) {
            AddTicketCookie(request.response, *ns, newTicket, "0");
        }
        return 0;
    }

    VOR_AAA_AuthUserRecoverableException_LogonAs prompt(namespaceID, ns->GetDisplayName(),
                                                        user.value);
    if (user.found || password.found) {
        prompt.addMessage(ProviderMessage(kMsgSignOnFailed), 0);
        prompt.addMessage(ProviderMessage(kMsgCredentialsNotValid), 1);
    }
    PYX_THROW(prompt, kLabel);
}

// ---- the visa's session (end session, generate credential) ----

struct VisaSession {
    const VOR_AAA_Visa* visa = nullptr;
    std::shared_ptr<BasaltNamespace> ns;
    I18NString sessionID;
};

VisaSession FindVisaSession(AuthRequest& request) {
    VisaSession found;
    found.visa = request.document.GetVisa();
    if (found.visa == nullptr) {
        VOR_AAA_AuthUnrecoverableException error = UnrecoverableError(
            ProviderMessage(kMsgAuthUnrecoverable), {ProviderMessage(kMsgRequestNotCompleted)});
        error.addMessage(ProviderMessage(kMsgNoVisa), 2);
        PYX_THROW(error, kLabel);
    }
    const I18NString& namespaceID = found.visa->GetNamespaceID();
    found.ns = AsDirectoryNamespace(request.provider.GetNamespace(namespaceID), namespaceID);
    if (!found.visa->GetValue(kVisaSession, found.sessionID)) {
        RaiseUnrecoverable({ProviderMessage(kMsgNoSessionForVisa, {namespaceID})});
    }
    return found;
}

// Checks the visa's session out, rebuilding it from the visa when it is not registered.
void CheckOutOrReestablish(AuthRequest& request, const VisaSession& visaSession,
                           ScopedSessionReference& reference) {
    if (reference) {
        return;
    }
    const I18NString identifier = ReestablishSessionFromVisa(
        *visaSession.visa, request.additionalInfo, request.provider, *visaSession.ns);
    if (!identifier.empty()) {
        reference.Reset(identifier);
    }
}

// Expires a ticket through a handle that the ticket itself signs on, for a logoff that has no
// session to do it; a ticket that no longer signs on is already dead. Failures are ignored.
void ExpireTicketAlone(AuthRequest& request, BasaltNamespace& ns, const I18NString& ticket) {
    if (ticket.empty()) {
        return;
    }
    try {
        int32_t result = 0;
        if (std::unique_ptr<BasaltSession> session = BasaltSession::CreateFromTicket(
                request.trace, request.provider, ns, ticket, result)) {
            session->ExpireTicket(request.trace, ticket);
        }
    } catch (...) {
    }
}

int32_t EndSessionRoute(AuthRequest& request, int32_t action) {
    const VisaSession visaSession = FindVisaSession(request);
    if (action == VOR_AAA_BiBusHeader::kActionLogoff) {
        // Checked in again before the removal: removing a session this request holds would
        // wait for itself.
        ScopedSessionReference reference(*visaSession.ns, visaSession.sessionID);
        I18NString ticket;
        visaSession.visa->GetValue(kVisaTicket, ticket);
        try {
            CheckOutOrReestablish(request, visaSession, reference);
        } catch (...) {
            // The session cannot be rebuilt (its password changed meanwhile): the failure is
            // reported, but the ticket this logoff ends must not outlive it.
            ExpireTicketAlone(request, *visaSession.ns, ticket);
            throw;
        }
        if (!reference) {
            // A visa that cannot say how it signed on rebuilds no session: its ticket goes all
            // the same.
            ExpireTicketAlone(request, *visaSession.ns, ticket);
        } else if (!ticket.empty()) {
            AddTicketCookie(request.response, *visaSession.ns, ticket, "-1");
            static_cast<BasaltSession*>(reference.Get())->ExpireTicket(request.trace, ticket);
        }
    }
    if (!visaSession.ns->RemoveSession(visaSession.sessionID)) {
        PYX_THROW(UnrecoverableError(
                      ProviderMessage(kMsgSessionNotEnded),
                      {ProviderMessage(kMsgNamespaceNotFound, {visaSession.ns->GetIdentifier()})}),
                  kLabel);
    }
    return 0;
}

// ---- generate credential (actions 4 and 7) ----

int32_t GenerateCredentialRoute(AuthRequest& request, int32_t action) {
    VOR_AAA_AuthDoc& document = request.document;
    const VisaSession visaSession = FindVisaSession(request);
    BasaltNamespace& ns = *visaSession.ns;
    const VOR_AAA_Visa& visa = *visaSession.visa;
    ScopedSessionReference reference(ns, visaSession.sessionID);
    CheckOutOrReestablish(request, visaSession, reference);
    if (!reference) {
        RaiseUnrecoverable({ProviderMessage(kMsgNoSessionForVisa, {ns.GetIdentifier()})});
    }
    auto& session = *static_cast<BasaltSession*>(reference.Get());
    const bool generateTC = action == VOR_AAA_BiBusHeader::kActionGenerateTC;
    const I18NString actionText(VOR_AAA_BiBusHeader::ActionText(action));

    I18NString certificate;
    I18NString ticket;
    visa.GetValue(kVisaTicket, ticket);
    I18NString role;
    visa.GetValue(kVisaRole, role);
    Found newPassword;
    I18NString visaUser;
    I18NString visaPassword;
    if (session.GetAuthType() != kAuthTypeCertificate) {
        visaUser = DecryptedVisaValue(visa, kVisaUsername, ns);
        visaPassword = DecryptedVisaValue(visa, kVisaPassword, ns);
        // request.userName stays empty: a failure here names no user read from the request.
        if (!visaUser.empty()) {
            const Found oldField = FormField(document, "VOROldPassword");
            const Found newField = FormField(document, "VORNewPassword");
            if (oldField.found && newField.found) {
                ns.ChangeExpiredPassword(visaUser, oldField.value, newField.value, actionText);
                newPassword = newField;
            } else {
                const Found named = CredentialOrFormField(document, "username", "VORUsername");
                Found given = CredentialOrFormField(document, "password", "VORPassword");
                if (!given.found && !document.GetCredentials().HasCredentials()) {
                    given = FormField(document, "VORNewPassword");
                }
                if (named.found && given.found && named.value == visaUser) {
                    newPassword = given;
                }
            }
            const I18NString password = newPassword.found ? newPassword.value : visaPassword;
            I18NString generatedTicket = ticket;
            ns.GenerateCredential(request.trace, visaUser, password, role, actionText,
                                  generatedTicket);
            session.GetCertificate(certificate);
        } else if (generateTC) {
            if (!session.IsHandleAuthenticated()) {
                RaiseUnrecoverable({ProviderMessage(kMsgCredentialsNotValid)});
            }
            if (!ticket.empty()) {
                session.RefreshTicket(ticket, true);
            }
            session.GetCertificate(certificate);
        } else {
            return 0;
        }
    } else {
        if (!generateTC) {
            return 0;
        }
        certificate = DecryptedVisaValue(visa, kVisaCertificate, ns);
        if (certificate.empty()) {
            document.GetTrustedCredentialValue("Certificate", certificate);
        }
        if (certificate.empty()) {
            VOR_AAA_AuthUnrecoverableException error =
                UnrecoverableError(ProviderMessage(kMsgTrustedCredentialFailed),
                                   {ProviderMessage(kMsgRequestNotCompleted)});
            error.addMessage(ProviderMessage(kMsgNoCertificate), 2);
            PYX_THROW(error, kLabel);
        }
        I18NString trustedRole;
        document.GetTrustedCredentialValue("role", trustedRole);
        I18NString generatedTicket = ticket;
        ns.GenerateTrustedCredential(request.trace, certificate, trustedRole, "generateTC",
                                     generatedTicket);
    }

    if (!ticket.empty()) {
        AddTicketCookie(request.response, ns, ticket, "0");
    }
    if (newPassword.found) {
        VOR_AAA_Visa updated = visa;
        I18NString protectedPassword = newPassword.value;
        ns.GetEncryptionManager().Encrypt(protectedPassword);
        updated.SetValue(kVisaPassword, protectedPassword);
        request.response.SetVisa(updated);
    }
    if (generateTC) {
        request.response.AddCredentialValue("Certificate", certificate);
        request.response.AddCredentialValue("namespace", ns.GetIdentifier());
    } else if (session.GetAuthType() == kAuthTypeCredential) {
        request.response.AddCredentialValue("username", visaUser);
        request.response.AddCredentialValue("password",
                                            newPassword.found ? newPassword.value : visaPassword);
        request.response.AddCredentialValue("role", role);
    }
    return 0;
}

// The handlers: records the failure in flight in the response and gives its result code.
int32_t RecordAuthenticationFailure(VOR_AAA_AuthResponse& response, const I18NString& locale,
                                    const I18NString& userName) {
    int32_t code = kVOR_AAA_AuthUnrecoverable;
    try {
        throw;
    } catch (VOR_AAA_AuthUserRecoverableException& e) {
        response.SetException(e, locale);
        code = kVOR_AAA_AuthUserRecoverable;
    } catch (VOR_AAA_AuthSystemRecoverableException& e) {
        response.SetException(e, locale);
        return kVOR_AAA_AuthSystemRecoverable;
    } catch (VOR_AAA_AuthException& e) {
        response.SetException(e, locale);
    } catch (PYXException& e) {
        e.addBackTrace(pyxSourceName(__FILE__), __LINE__, kLabel);
        response.SetException(WrapUnrecoverable(e), locale);
    } catch (...) {
        response.SetException(UnrecoverableError(ProviderMessage(kMsgAuthUnrecoverable),
                                                 {ProviderMessage(kMsgUnknownFailure)}),
                              locale);
    }
    response.AddFormFieldVar("VORUsername", userName);
    return code;
}

}  // namespace

int32_t BasaltAuthenticate(VOR_AAA_AuthDoc* document, VOR_AAA_AuthResponse* response) {
    if (response == nullptr) {
        return kVOR_AAA_AuthUnrecoverable;  // nowhere to put the failure
    }
    const VOR_AAA_AdditionalInfo additionalInfo =
        document != nullptr ? document->GetAdditionalInfo() : VOR_AAA_AdditionalInfo();
    const I18NString locale = additionalInfo.GetProductLocale();
    I18NString userName;
    try {
        PYX_ASSERT(document != nullptr);
        const TraceScope trace(GetAuditLogger(), additionalInfo);
        BasaltProvider& provider = FetchProvider();
        AuthRequest request{*document, *response, provider, trace, additionalInfo, userName};
        const int32_t action = document->GetAction();
        switch (action) {
            case VOR_AAA_BiBusHeader::kActionLogon:
            case VOR_AAA_BiBusHeader::kActionLogonAs:
                return LogonRoute(request);
            case VOR_AAA_BiBusHeader::kActionLogoff:
            case VOR_AAA_BiBusHeader::kActionLogonExpired:
                return EndSessionRoute(request, action);
            case VOR_AAA_BiBusHeader::kActionGenerateTC:
            case VOR_AAA_BiBusHeader::kActionGenerateCredential:
                return GenerateCredentialRoute(request, action);
            default:
                RaiseUnrecoverable(
                    {ProviderMessage(kMsgInvalidArgument, {"action", std::to_string(action)})});
        }
    } catch (...) {
        return RecordAuthenticationFailure(*response, locale, userName);
    }
}
