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

I18NString ReestablishSessionFromVisa(const VOR_AAA_Visa& visa,
                                      const VOR_AAA_AdditionalInfo& additionalInfo,
                                      BasaltProvider& provider, BasaltNamespace& ns) {
    const TraceScope trace(GetAuditLogger(), additionalInfo);
    I18NString authType;
    if (!visa.GetValue(kVisaAuthType, authType)) {
        return {};
    }
    const I18NString role = VisaValue(visa, kVisaRole);
    I18NString ticket = VisaValue(visa, kVisaTicket);
    std::unique_ptr<BasaltSession> session;
    if (authType == I18NString(AuthTypeText(kAuthTypeCredential))) {
        session = BasaltSession::CreateFromCredential(
            trace, provider, ns, DecryptedVisaValue(visa, kVisaUsername, ns),
            DecryptedVisaValue(visa, kVisaPassword, ns), role, I18NString("logon"), ticket);
    } else if (authType == I18NString(AuthTypeText(kAuthTypeCertificate))) {
        session = BasaltSession::CreateFromCertificate(
            trace, provider, ns, DecryptedVisaValue(visa, kVisaCertificate, ns), role,
            I18NString("logon"), ticket);
    } else if (authType == I18NString(AuthTypeText(kAuthTypeTicket))) {
        int32_t result = 0;
        session = BasaltSession::CreateFromTicket(trace, provider, ns, ticket, result);
    } else if (authType == I18NString(AuthTypeText(kAuthTypeWebEnvironment))) {
        const BasaltEnvironment environment = EnvironmentFromVisa(visa);
        const I18NString remoteUser = VisaValue(visa, kVisaRemoteUser);
        I18NString required;
        session = BasaltSession::CreateFromWebUserEnv(trace, provider, ns, environment, role,
                                                      I18NString("logon"), required, ticket,
                                                      !remoteUser.empty());
    }
    if (!session) {
        return {};
    }
    const I18NString identifier = session->GetIdentifier();
    ns.AddSession(std::move(session));
    return identifier;
}
