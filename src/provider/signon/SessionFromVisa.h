// The visa values a logon writes and a later request reads back, and the rebuilding of a
// session from them when the provider no longer holds it (a provider initialised anew, a
// session removed). Writer (signon/LogonRoutes.cpp) and readers use these names only.
//
// A session's role travels as "VORRole" for every authentication type, certificate sessions
// included, so that a re-established certificate session keeps the class it signed on with.
#pragma once

#include "session/BasaltSession.h"

#include <I18NString.h>

#include <cstdint>
#include <functional>

class BasaltNamespace;
class BasaltProvider;
class VOR_AAA_AdditionalInfo;
class VOR_AAA_Visa;

inline constexpr const char* kVisaSession = "as_session";
inline constexpr const char* kVisaTicket = "ticket";
inline constexpr const char* kVisaAuthType = "authType";
inline constexpr const char* kVisaUsername = "VORUsername";     // protected (credential logon)
inline constexpr const char* kVisaPassword = "VORPassword";     // protected
inline constexpr const char* kVisaCertificate = "Certificate";  // protected
inline constexpr const char* kVisaRole = "VORRole";
inline constexpr const char* kVisaSecurityBlob = "secblob";
inline constexpr const char* kVisaRemoteUser = "remoteUser";
inline constexpr const char* kVisaOffline = "offline";  // "true": signed on from the offline cache

// A protected value of the visa in clear (empty when absent).
I18NString DecryptedVisaValue(const VOR_AAA_Visa& visa, const char* name, BasaltNamespace& ns);

// The environment a web session signed on with: the entries of the visa's security blob; empty
// when it has none or it cannot be read.
BasaltEnvironment EnvironmentFromVisa(const VOR_AAA_Visa& visa);

// The environment of a security blob (an encoded environment list); false when it cannot be
// read.
bool EnvironmentFromSecurityBlob(const I18NString& blob, BasaltEnvironment& environment);

// The sign-on routes by which a session signs its user on again from what its logon stored in
// the visa; each receives the stored values of its route.
struct VisaSignOnRoutes {
    std::function<void(const I18NString& user, const I18NString& password)> credential;
    std::function<void(const I18NString& ticket)> ticket;
    std::function<void(const I18NString& certificate)> certificate;
    std::function<void(const BasaltEnvironment& environment, bool remoteUserPresent)> web;
};

// The one switch on how a session was first authenticated: calls the route of authType with the
// visa's values; false, and nothing called, for another type.
bool SignOnAgainFromVisa(int32_t authType, const VOR_AAA_Visa& visa, BasaltNamespace& ns,
                         const VisaSignOnRoutes& routes);

// Creates a session from the visa's authentication values and registers it with the namespace;
// returns its identifier, empty when the visa names no known authentication type. A refused
// logon throws the authentication exception of the logon route.
I18NString ReestablishSessionFromVisa(const VOR_AAA_Visa& visa,
                                      const VOR_AAA_AdditionalInfo& additionalInfo,
                                      BasaltProvider& provider, BasaltNamespace& ns);
