// The access library's four sign-on calls, each traced as a "CallStart" and a "CallEnd" record
// when the scope is enabled. Secrets (password, ticket, certificate) go to the library only; the
// trace shows their mask.
#pragma once

#include <AccessAPI.h>

#include <cstdint>

class TraceScope;

int32_t TracedAuthenticateUser2(const TraceScope& scope, AS_Handle handle,
                                const char* namespaceName, const char* basicSignonName,
                                const char* password, const char* userClass, AS_ObjectId* userId,
                                char* ticket);

int32_t TracedValidateTicket2(const TraceScope& scope, AS_Handle handle, const char* ticket,
                              const char* namespaceName, char** resultText);

// userClass: the class's directory number when hasUserClass.
int32_t TracedValidateCertificate(const TraceScope& scope, AS_Handle handle,
                                  const char* certificate, const char* namespaceName,
                                  bool hasUserClass, AS_ObjectId* userClass, AS_ObjectId* userId);

// variables ends with a {nullptr, nullptr} entry; every value is traced as given.
int32_t TracedAuthenticateWebUserWithEnv(const TraceScope& scope, const AS_EnvVar* variables,
                                         char** resultText, AS_Handle handle,
                                         const char* namespaceName, const char* userClass,
                                         AS_ObjectId* userId, char* ticket);
