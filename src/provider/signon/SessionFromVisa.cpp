#include "signon/SessionFromVisa.h"

#include "audit/CallTrace.h"
#include "namespace/BasaltNamespace.h"
#include "process/ProviderSlot.h"

#include <VOR_AAA_EncryptionManager.h>
#include <VOR_AAA_Env.h>
#include <VOR_AAA_Visa.h>

namespace {

I18NString VisaValue(const VOR_AAA_Visa& visa, const char* name) {
    I18NString value;
    visa.GetValue(name, value);
    return value;
}

}  // namespace

I18NString DecryptedVisaValue(const VOR_AAA_Visa& visa, const char* name, BasaltNamespace& ns) {
    I18NString value = VisaValue(visa, name);
    ns.GetEncryptionManager().Decrypt(value);
    return value;
}

bool EnvironmentFromSecurityBlob(const I18NString& blob, BasaltEnvironment& environment) {
    VOR_AAA_Env env;
    if (!env.Decode(blob.utf8()) || !env.IsValid()) {
        return false;
    }
    environment.clear();
    for (const auto& [name, value] : env.GetEntries()) {
        environment.emplace_back(I18NString(name), I18NString(value));
    }
    return true;
}

BasaltEnvironment EnvironmentFromVisa(const VOR_AAA_Visa& visa) {
    // Only the environment document the logon received; "remoteUser" names no one by itself.
    BasaltEnvironment environment;
    const I18NString blob = VisaValue(visa, kVisaSecurityBlob);
    if (!blob.empty()) {
        EnvironmentFromSecurityBlob(blob, environment);  // unreadable: stays empty
    }
    return environment;
}

bool SignOnAgainFromVisa(int32_t authType, const VOR_AAA_Visa& visa, BasaltNamespace& ns,
                         const VisaSignOnRoutes& routes) {
    switch (authType) {
        case kAuthTypeCredential:
            routes.credential(DecryptedVisaValue(visa, kVisaUsername, ns),
                              DecryptedVisaValue(visa, kVisaPassword, ns));
            return true;
        case kAuthTypeTicket:
            routes.ticket(VisaValue(visa, kVisaTicket));
            return true;
        case kAuthTypeCertificate:
            routes.certificate(DecryptedVisaValue(visa, kVisaCertificate, ns));
            return true;
        case kAuthTypeWebEnvironment:
            routes.web(EnvironmentFromVisa(visa), !VisaValue(visa, kVisaRemoteUser).empty());
            return true;
        default:
            return false;
    }
}

I18NString ReestablishSessionFromVisa(const VOR_AAA_Visa& visa,
                                      const VOR_AAA_AdditionalInfo& additionalInfo,
                                      BasaltProvider& provider, BasaltNamespace& ns) {
    const TraceScope trace(GetAuditLogger(), additionalInfo);
    I18NString authType;
    if (!visa.GetValue(kVisaAuthType, authType)) {
        return {};
    }
    const I18NString role = VisaValue(visa, kVisaRole);
    const I18NString logon("logon");
    I18NString ticket = VisaValue(visa, kVisaTicket);
    std::unique_ptr<BasaltSession> session;
    VisaSignOnRoutes routes;
    routes.credential = [&](const I18NString& user, const I18NString& password) {
        session = BasaltSession::CreateFromCredential(trace, provider, ns, user, password, role,
                                                      logon, ticket);
    };
    routes.ticket = [&](const I18NString& visaTicket) {
        int32_t result = 0;
        session = BasaltSession::CreateFromTicket(trace, provider, ns, visaTicket, result);
    };
    routes.certificate = [&](const I18NString& certificate) {
        session = BasaltSession::CreateFromCertificate(trace, provider, ns, certificate, role,
                                                       logon, ticket);
    };
    routes.web = [&](const BasaltEnvironment& environment, bool remoteUserPresent) {
        I18NString required;
        session = BasaltSession::CreateFromWebUserEnv(trace, provider, ns, environment, role, logon,
                                                      required, ticket, remoteUserPresent);
    };
    SignOnAgainFromVisa(AuthTypeFromText(authType), visa, ns, routes);
    if (!session) {
        return {};
    }
    const I18NString identifier = session->GetIdentifier();
    ns.AddSession(std::move(session));
    return identifier;
}
