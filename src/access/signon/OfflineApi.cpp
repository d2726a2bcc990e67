// The offline cache's calls: whether a handle signed on offline, and the administrator's list,
// forget and purge.
#include <AccessAPI.h>

#include "Api.h"
#include "OfflineSignOn.h"
#include "Process.h"

using namespace ridge::access;

namespace {

OfflineCache& requireCache() {
    auto cache = offlineCacheOrNull();
    if (!cache)
        fail(AS_ERR_SETTINGS, "offline sign-on is off (access.conf offline_days is 0)");
    // The process keeps the cache until it terminates.
    return *cache;
}

int32_t toCount(size_t n) {
    return n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n);
}

}  // namespace

extern "C" AS_API int32_t ASA_GetSessionOffline(AS_Handle handle, int32_t* offline) {
    return withHandle(
        handle,
        [&](Session& s) {
            if (!offline)
                fail(AS_ERR_INVALID_ARGUMENT, "offline");
            *offline = s.authenticated() && s.offline() ? 1 : 0;
            return AS_OK;
        },
        OnSuccess::KeepLastError);
}

extern "C" AS_API int32_t AS_ListOfflineCache(char** text) {
    if (text)
        *text = nullptr;
    return withProcess([&] {
        if (!text)
            fail(AS_ERR_INVALID_ARGUMENT, "text");
        std::string out;
        for (const auto& u : requireCache().list())
            out += u.signon + "\t" + u.displayName + "\t" + u.namespaceDn + "\t" +
                   std::to_string(u.written) + "\t" + std::to_string(u.failures) + "\n";
        for (const auto& report : Process::instance().offlineReports())
            out += "! " + report + "\n";
        *text = allocResultText(out);
        return AS_OK;
    });
}

extern "C" AS_API int32_t AS_ForgetOfflineUser(const char* signon, int32_t* removed) {
    return withProcess([&] {
        if (!signon || !*signon || !removed)
            fail(AS_ERR_INVALID_ARGUMENT, "signon, removed");
        *removed = toCount(requireCache().forgetSignon(signon));
        return AS_OK;
    });
}

extern "C" AS_API int32_t AS_PurgeOfflineCache(int32_t* removed) {
    return withProcess([&] {
        if (!removed)
            fail(AS_ERR_INVALID_ARGUMENT, "removed");
        *removed = toCount(requireCache().purge());
        return AS_OK;
    });
}
