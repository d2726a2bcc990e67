/* Built against the installed AccessAPI.h with pkg-config: starts the library on the installed
 * home directory and reads one error text from its message files. */
#include <AccessAPI.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s <home directory>\n", argv[0]);
        return 2;
    }
    char home[1024], table[1100], messages[1100];
    snprintf(home, sizeof home, "TALVEX_HOME=%s", argv[1]);
    snprintf(table, sizeof table, "TLXNLSTAB=%s/ridge_tlxlang.tab", argv[1]);
    snprintf(messages, sizeof messages, "SRVCMSGS=%s/srvcmsgs_en.msg", argv[1]);
    const char* settings[] = {home, table, messages, NULL};
    if (AS_TesselProcessInitialize2("smoke", settings) != AS_OK) {
        fprintf(stderr, "AS_TesselProcessInitialize2 failed\n");
        return 1;
    }
    int32_t check = AS_CheckConfiguration(1);
    char text[512] = "";
    AS_GetLastErrorMsgWithLang(text, (int32_t)sizeof text, "en-us");
    printf("AS_CheckConfiguration(1) = %d: %s\n", (int)check, text);
    return AS_TesselProcessTerminate("smoke") == AS_OK && check == AS_ERR_NO_CONFIGURATION ? 0 : 1;
}
