// Which directory server serves a handle, or served the calling thread's last call.
#include <AccessAPI.h>

#include <cstring>
#include <string>

#include "Api.h"

using namespace ridge::access;

namespace {

// host:port texts are ASCII: copied whole with the NUL, never cut.
int32_t copyServer(const std::string& server, char* buffer, int32_t size) {
    if (!buffer)
        fail(AS_ERR_INVALID_ARGUMENT, "buffer");
    if (size <= 0 || server.size() >= static_cast<size_t>(size))
        fail(AS_ERR_BUFFER_TOO_SMALL, std::to_string(server.size() + 1) + " bytes");
    std::memcpy(buffer, server.c_str(), server.size() + 1);
    return AS_OK;
}

}  // namespace

extern "C" AS_API int32_t ASA_GetSessionServer(AS_Handle handle, char* buffer, int32_t size) {
    return withHandle(
        handle, [&](Session& s) { return copyServer(s.currentServer(), buffer, size); },
        OnSuccess::KeepLastError);
}

extern "C" AS_API int32_t AS_GetLastServer(char* buffer, int32_t size) {
    return withProcess([&] { return copyServer(threadServer(), buffer, size); }, true,
                       OnSuccess::KeepLastError);
}
