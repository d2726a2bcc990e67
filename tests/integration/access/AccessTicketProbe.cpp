// A second process for the ticket tests: validates a ticket with its own process
// initialisation and handle. Usage: access_ticket_probe <home> <host> <port> <base DN> <ticket>.
// Prints the result text; exit status 0 on success, 1 otherwise.
#include <AccessAPI.h>

#include <cstdio>
#include <string>

#include "AccessTestSupport.h"

int main(int argc, char** argv) {
    if (argc != 6)
        return 2;
    std::string home = argv[1];
    std::string h = "TALVEX_HOME=" + home;
    std::string t = "TLXNLSTAB=" + home + "/ridge_tlxlang.tab";
    std::string m = "SRVCMSGS=" + home + "/srvcmsgs_en.msg";
    const char* settings[] = {h.c_str(), t.c_str(), m.c_str(), nullptr};
    if (AS_TesselProcessInitialize2("probe", settings) != AS_OK)
        return 1;
    std::string cfg = access_test::runtimeConfig(argv[2], argv[3], argv[4], access_test::kNs);
    AS_Handle handle = 0;
    char* result = nullptr;
    int32_t status = AS_SetTemporaryRuntimeConfig(cfg.c_str(), static_cast<uint32_t>(cfg.size()));
    if (status == AS_OK)
        status = AS_Init(access_test::kVersion, &handle, AS_INIT_FLAGS);
    if (status == AS_OK)
        status = AS_ValidateTicket2(handle, argv[5], access_test::kNs, &result);
    if (result)
        std::printf("%s", result);
    AS_FreeResult(result);
    AS_TesselProcessTerminate("probe");
    return status == AS_OK ? 0 : 1;
}
