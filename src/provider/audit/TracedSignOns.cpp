#include "audit/TracedSignOns.h"

#include "audit/CallTrace.h"
#include "audit/TraceIndication.h"

#include <string>

namespace {

std::string TextOf(const char* value) {
    return value != nullptr ? value : "";
}

std::string AuthId(const AS_ObjectId* userId) {
    return std::to_string(userId != nullptr ? *userId : 0);
}

}  // namespace

int32_t TracedAuthenticateUser2(const TraceScope& scope, AS_Handle handle,
                                const char* namespaceName, const char* basicSignonName,
                                const char* password, const char* userClass, AS_ObjectId* userId,
                                char* ticket) {
    if (scope.IsEnabled()) {
        TraceCallStart(scope, "AS_AuthenticateUser2",
                       {{"handle", std::to_string(handle)},
                        {"Namespace", TextOf(namespaceName)},
                        {"basicSignonName", TextOf(basicSignonName)},
                        {"Password", kTracePasswordMask},
                        {"UserClass", TextOf(userClass)},
                        {"Ticket", TraceSecret(ticket)}});
    }
    const int32_t result = AS_AuthenticateUser2(handle, namespaceName, basicSignonName, password,
                                                userClass, userId, ticket);
    if (scope.IsEnabled()) {
        TraceCallEnd(scope, "AS_AuthenticateUser2",
                     {{"AUTH_ID", AuthId(userId)}, {"Ticket", TraceSecret(ticket)}}, result);
    }
    return result;
}

int32_t TracedValidateTicket2(const TraceScope& scope, AS_Handle handle, const char* ticket,
                              const char* namespaceName, char** resultText) {
    if (scope.IsEnabled()) {
        TraceCallStart(scope, "AS_ValidateTicket2",
                       {{"handle", std::to_string(handle)},
                        {"Ticket", TraceSecret(ticket)},
                        {"Namespace", TextOf(namespaceName)}});
    }
    const int32_t result = AS_ValidateTicket2(handle, ticket, namespaceName, resultText);
    if (scope.IsEnabled()) {
        TraceCallEnd(scope, "AS_ValidateTicket2", {}, result);
    }
    return result;
}

int32_t TracedValidateCertificate(const TraceScope& scope, AS_Handle handle,
                                  const char* certificate, const char* namespaceName,
                                  bool hasUserClass, AS_ObjectId* userClass, AS_ObjectId* userId) {
    if (scope.IsEnabled()) {
        TraceCallStart(scope, "AS_ValidateCertificate",
                       {{"handle", std::to_string(handle)},
                        {"Certificate", TraceSecret(certificate)},
                        {"Namespace", TextOf(namespaceName)},
                        {"UserClass", hasUserClass ? AuthId(userClass) : std::string()}});
    }
    const int32_t result = AS_ValidateCertificate(handle, certificate, namespaceName,
                                                  hasUserClass ? 1 : 0, userClass, userId);
    if (scope.IsEnabled()) {
        TraceCallEnd(scope, "AS_ValidateCertificate", {{"AUTH_ID", AuthId(userId)}}, result);
    }
    return result;
}

int32_t TracedAuthenticateWebUserWithEnv(const TraceScope& scope, const AS_EnvVar* variables,
                                         char** resultText, AS_Handle handle,
                                         const char* namespaceName, const char* userClass,
                                         AS_ObjectId* userId, char* ticket) {
    if (scope.IsEnabled()) {
        TraceParameters inputs{{"handle", std::to_string(handle)},
                               {"Namespace", TextOf(namespaceName)}};
        for (const AS_EnvVar* variable = variables; variable->name != nullptr; ++variable) {
            inputs.emplace_back(variable->name, TextOf(variable->value));
        }
        inputs.emplace_back("UserClass", TextOf(userClass));
        TraceCallStart(scope, "AS_AuthenticateWebUserWithEnv", inputs);
    }
    const int32_t result = AS_AuthenticateWebUserWithEnv(variables, resultText, handle,
                                                         namespaceName, userClass, userId, ticket);
    if (scope.IsEnabled()) {
        TraceCallEnd(scope, "AS_AuthenticateWebUserWithEnv", {{"AUTH_ID", AuthId(userId)}}, result);
    }
    return result;
}
