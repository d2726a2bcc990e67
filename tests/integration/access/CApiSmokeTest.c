/* A C program that knows only AccessAPI.h: the header compiles as C99 with -pedantic, the calls
 * link without C++ name mangling, and the library answers from C. The calls themselves are
 * tested against the fixture directory by the C++ tests beside this one. */
#include <AccessAPI.h>
#include <stdio.h>
#include <string.h>

static int failures = 0;

static void expect(int ok, const char* what) {
    if (!ok) {
        fprintf(stderr, "FAILED: %s\n", what);
        ++failures;
    }
}

int main(void) {
    AS_Version version = {0, AS_VERSION_WORD2, AS_VERSION_WORD3, AS_VERSION_WORD4};
    AS_Handle handle = 0;
    AS_ObjectId userId = 0;
    char ticket[AS_TICKET_SIZE] = "";
    expect(AS_Init(version, &handle, AS_INIT_FLAGS) == AS_ERR_NOT_INITIALIZED,
           "AS_Init before the process is initialised");
    expect(AS_AuthenticateUser2(handle, "ridgetest", "alice", "x", NULL, &userId, ticket) ==
               AS_ERR_NOT_INITIALIZED,
           "AS_AuthenticateUser2 before the process is initialised");
    expect(strlen(ticket) == 0, "no ticket written");
    expect(AS_FreeResult(NULL) == AS_OK, "AS_FreeResult(NULL)");
    if (failures == 0)
        printf("C smoke test passed\n");
    return failures == 0 ? 0 : 1;
}
