#include "Status.h"

#include <AccessAPI.h>
#include <ldap.h>

#include <iterator>

namespace ridge::access {

namespace {

struct StatusName {
    int32_t code;
    const char* name;
};

constexpr StatusName kStatuses[] = {
    {AS_OK, "AS_OK"},
    {AS_MORE_ENV_NEEDED, "AS_MORE_ENV_NEEDED"},
    {AS_NOTE_NO_TICKET, "AS_NOTE_NO_TICKET"},
    {AS_ERR_NOT_INITIALIZED, "AS_ERR_NOT_INITIALIZED"},
    {AS_ERR_BAD_CREDENTIALS, "AS_ERR_BAD_CREDENTIALS"},
    {AS_ERR_INVALID_ARGUMENT, "AS_ERR_INVALID_ARGUMENT"},
    {AS_ERR_BUFFER_TOO_SMALL, "AS_ERR_BUFFER_TOO_SMALL"},
    {AS_ERR_NO_MEMORY, "AS_ERR_NO_MEMORY"},
    {AS_ERR_INVALID_HANDLE, "AS_ERR_INVALID_HANDLE"},
    {AS_ERR_INVALID_TEXT, "AS_ERR_INVALID_TEXT"},
    {AS_ERR_UNKNOWN_ENCODING, "AS_ERR_UNKNOWN_ENCODING"},
    {AS_ERR_NOT_AUTHENTICATED, "AS_ERR_NOT_AUTHENTICATED"},
    {AS_ERR_SETTINGS, "AS_ERR_SETTINGS"},
    {AS_ERR_NAMESPACE_NOT_FOUND, "AS_ERR_NAMESPACE_NOT_FOUND"},
    {AS_ERR_TLS, "AS_ERR_TLS"},
    {AS_ERR_INTERNAL, "AS_ERR_INTERNAL"},
    {AS_ERR_AMBIGUOUS, "AS_ERR_AMBIGUOUS"},
    {AS_ERR_CONFIG_SYNTAX, "AS_ERR_CONFIG_SYNTAX"},
    {AS_ERR_NO_CONFIGURATION, "AS_ERR_NO_CONFIGURATION"},
    {AS_ERR_TICKET_NOT_REFRESHABLE, "AS_ERR_TICKET_NOT_REFRESHABLE"},
    {AS_ERR_USER_NOT_FOUND, "AS_ERR_USER_NOT_FOUND"},
    {AS_ERR_USER_CLASS_NOT_ALLOWED, "AS_ERR_USER_CLASS_NOT_ALLOWED"},
    {AS_ERR_FOLDER_NOT_FOUND, "AS_ERR_FOLDER_NOT_FOUND"},
    {AS_ERR_UNKNOWN_TICKET, "AS_ERR_UNKNOWN_TICKET"},
    {AS_ERR_AUTH_MODE_NOT_ALLOWED, "AS_ERR_AUTH_MODE_NOT_ALLOWED"},
    {AS_ERR_INVALID_CERTIFICATE, "AS_ERR_INVALID_CERTIFICATE"},
    {AS_ERR_SERVER, "AS_ERR_SERVER"},
    {AS_ERR_MUST_CHANGE_PASSWORD, "AS_ERR_MUST_CHANGE_PASSWORD"},
    {AS_ERR_TIMEOUT, "AS_ERR_TIMEOUT"},
    {AS_ERR_OBJECT_NOT_FOUND, "AS_ERR_OBJECT_NOT_FOUND"},
    {AS_ERR_PASSWORD_TOO_SHORT, "AS_ERR_PASSWORD_TOO_SHORT"},
    {AS_ERR_SERVER_UNREACHABLE, "AS_ERR_SERVER_UNREACHABLE"},
    {AS_ERR_ENCODING_IN_FORCE, "AS_ERR_ENCODING_IN_FORCE"},
    {AS_ERR_PASSWORD_EXPIRED, "AS_ERR_PASSWORD_EXPIRED"},
    {AS_ERR_ACCOUNT_LOCKED, "AS_ERR_ACCOUNT_LOCKED"},
    {AS_ERR_ACCOUNT_DISABLED, "AS_ERR_ACCOUNT_DISABLED"},
    {AS_ERR_TICKET_EXPIRED, "AS_ERR_TICKET_EXPIRED"},
    {AS_ERR_PASSWORD_IN_HISTORY, "AS_ERR_PASSWORD_IN_HISTORY"},
    {AS_ERR_PASSWORD_QUALITY, "AS_ERR_PASSWORD_QUALITY"},
};

int32_t kCodes[std::size(kStatuses)];
const bool kCodesFilled = [] {
    for (size_t i = 0; i < std::size(kStatuses); ++i)
        kCodes[i] = kStatuses[i].code;
    return true;
}();

}  // namespace

int32_t statusFromLdap(int rc) {
    switch (rc) {
        case LDAP_SUCCESS:
            return AS_OK;
        case LDAP_SERVER_DOWN:
        case LDAP_CONNECT_ERROR:
            return AS_ERR_SERVER_UNREACHABLE;
        case LDAP_TIMEOUT:
        case LDAP_TIMELIMIT_EXCEEDED:
            return AS_ERR_TIMEOUT;
        case LDAP_NO_MEMORY:
            return AS_ERR_NO_MEMORY;
        case LDAP_INVALID_CREDENTIALS:
            return AS_ERR_BAD_CREDENTIALS;
        case LDAP_NO_SUCH_OBJECT:
            return AS_ERR_OBJECT_NOT_FOUND;
        case LDAP_CONSTRAINT_VIOLATION:
            return AS_ERR_PASSWORD_QUALITY;
        default:
            return AS_ERR_SERVER;
    }
}

const char* statusName(int32_t status) {
    for (const auto& s : kStatuses)
        if (s.code == status)
            return s.name;
    return nullptr;
}

const int32_t* allStatuses(size_t* count) {
    (void)kCodesFilled;
    *count = std::size(kStatuses);
    return kCodes;
}

}  // namespace ridge::access
