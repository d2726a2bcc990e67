/* A C program that knows only AccessAPI.h: it starts the library for the process, signs a user
 * on with a ticket, and counts a folder's users, against the fixture directory named by
 * RIDGE_TEST_ENV (its RIDGE_TEST_HOME is the library's home). Prints what failed and exits
 * non-zero on any failure. */
#include <AccessAPI.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define NS "ridgetest"
#define PASSWORD "Secret#2024"

static int failures = 0;

static void expect(int ok, const char* what) {
    if (!ok) {
        char text[512] = "";
        AS_GetLastErrorMsgWithLang(text, (int32_t)sizeof text, "en");
        fprintf(stderr, "FAILED: %s (last error: %s)\n", what, text);
        ++failures;
    }
}

/* The value of KEY='value' in the env file, copied into out; 0 when absent. */
static int envValue(const char* path, const char* key, char* out, size_t size) {
    FILE* f = fopen(path, "r");
    char line[1024];
    size_t keyLength = strlen(key);
    int found = 0;
    if (!f)
        return 0;
    while (!found && fgets(line, (int)sizeof line, f)) {
        size_t n = strcspn(line, "\r\n");
        line[n] = '\0';
        if (strncmp(line, key, keyLength) == 0 && line[keyLength] == '=') {
            const char* value = line + keyLength + 1;
            size_t length = strlen(value);
            if (length >= 2 && value[0] == '\'' && value[length - 1] == '\'') {
                ++value;
                length -= 2;
            }
            if (length < size) {
                memcpy(out, value, length);
                out[length] = '\0';
                found = 1;
            }
        }
    }
    fclose(f);
    return found;
}

int main(void) {
    const char* envPath = getenv("RIDGE_TEST_ENV");
    char home[512], host[256], port[16], baseDn[256];
    if (!envPath || !envValue(envPath, "RIDGE_TEST_HOME", home, sizeof home) ||
        !envValue(envPath, "RIDGE_HOST", host, sizeof host) ||
        !envValue(envPath, "RIDGE_PORT", port, sizeof port) ||
        !envValue(envPath, "RIDGE_BASE_DN", baseDn, sizeof baseDn)) {
        fprintf(stderr, "RIDGE_TEST_ENV does not name a test directory with a home\n");
        return 2;
    }

    char talvexHome[600], languageTable[600], messages[600];
    snprintf(talvexHome, sizeof talvexHome, "TALVEX_HOME=%s", home);
    snprintf(languageTable, sizeof languageTable, "TLXNLSTAB=%s/ridge_tlxlang.tab", home);
    snprintf(messages, sizeof messages, "SRVCMSGS=%s/srvcmsgs_en.msg", home);
    const char* settings[] = {talvexHome, languageTable, messages, NULL};
    if (AS_TesselProcessInitialize2("C smoke", settings) != AS_OK) {
        fprintf(stderr, "FAILED: AS_TesselProcessInitialize2\n");
        return 1;
    }
    expect(AS_SetSystemEncoding("utf8") == AS_OK, "AS_SetSystemEncoding");

    char config[2048];
    int length = snprintf(config, sizeof config,
                          "<TESSEL_CONFIGURATION_6.7.0><DEFAULT_NAMESPACE>" NS
                          "</DEFAULT_NAMESPACE><SSL_ENABLED>false</SSL_ENABLED><LDAP><HOST>%s"
                          "</HOST><PORT>%s</PORT><BASE_DN>%s</BASE_DN><TIMEOUT>10</TIMEOUT>"
                          "</LDAP></TESSEL_CONFIGURATION_6.7.0>",
                          host, port, baseDn);
    expect(AS_SetTemporaryRuntimeConfig(config, (uint32_t)length) == AS_OK,
           "AS_SetTemporaryRuntimeConfig");

    AS_Version version = {0, AS_VERSION_WORD2, AS_VERSION_WORD3, AS_VERSION_WORD4};
    AS_Handle signOnHandle = 0;
    expect(AS_Init(version, &signOnHandle, AS_INIT_FLAGS) == AS_OK, "AS_Init");

    /* A wrong password is refused with a text. */
    AS_ObjectId userId = 0;
    char text[512] = "";
    expect(AS_AuthenticateUser2(signOnHandle, NS, "alice", "wrong-password", NULL, &userId, NULL) ==
               AS_ERR_BAD_CREDENTIALS,
           "wrong password refused");
    AS_GetSessionLastErrorMsgWithLang(signOnHandle, text, (int32_t)sizeof text, "en");
    expect(strcmp(text, "The user name or password is wrong.") == 0, "text of a wrong password");

    /* Sign-on with a ticket. */
    char ticket[AS_TICKET_SIZE] = "";
    expect(
        AS_AuthenticateUser2(signOnHandle, NS, "alice", PASSWORD, NULL, &userId, ticket) == AS_OK,
        "AS_AuthenticateUser2");
    expect(userId == 1000, "alice's id");
    expect(strlen(ticket) == 32, "a ticket of 32 hex digits");

    /* The users of folder Europe (11), counted: alice among them. */
    uint32_t count = 0;
    expect(ASA_FindUserFolderUsersList(signOnHandle, 11, 0, NULL, &count) == AS_OK && count >= 1,
           "count of folder users");

    expect(AS_ExpireTicket(signOnHandle, ticket) == AS_OK, "AS_ExpireTicket");
    expect(AS_Terminate(signOnHandle) == AS_OK, "AS_Terminate");
    expect(AS_TesselProcessTerminate("C smoke") == AS_OK, "AS_TesselProcessTerminate");
    if (failures == 0)
        printf("C smoke test passed\n");
    return failures == 0 ? 0 : 1;
}
