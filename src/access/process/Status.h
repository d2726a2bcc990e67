// Internal failure reporting of the access library: code throws AccessError, the API frame
// (Api.h) turns it into the returned status and the last-error records.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace ridge::access {

class AccessError : public std::exception {
public:
    explicit AccessError(int32_t code, std::string detail = {}, std::string reason = {})
        : m_code(code), m_detail(std::move(detail)), m_reason(std::move(reason)) {}
    int32_t code() const noexcept { return m_code; }
    // Free text for the error message (server diagnostic, offending value); never a secret.
    const std::string& detail() const noexcept { return m_detail; }
    // Which of the status's message texts applies ("" the general one), e.g. "untrusted" for a
    // TLS failure caused by a certificate the configured CA does not vouch for.
    const std::string& reason() const noexcept { return m_reason; }
    const char* what() const noexcept override { return m_detail.c_str(); }

private:
    int32_t m_code;
    std::string m_detail;
    std::string m_reason;
};

[[noreturn]] inline void fail(int32_t code, std::string detail = {}) {
    throw AccessError(code, std::move(detail));
}
[[noreturn]] inline void failBecause(int32_t code, std::string reason, std::string detail) {
    throw AccessError(code, std::move(detail), std::move(reason));
}

// Status for an LDAP result code (ldap.h LDAP_*), per the table in AccessAPI.h. Bind results
// carry more meaning (password policy) and are mapped where the bind is made.
int32_t statusFromLdap(int ldapResult);

// Symbolic name of a status ("AS_ERR_BAD_CREDENTIALS"), or null for a code not in the table.
const char* statusName(int32_t status);

// Every status of the table, in table order (for the message files and their tests).
const int32_t* allStatuses(size_t* count);

}  // namespace ridge::access
