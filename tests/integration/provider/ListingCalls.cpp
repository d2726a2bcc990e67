// Counts the access library's listing calls the provider makes: this program
// exports its own definitions of them (the loader binds libBasalt.so's calls here first), and each
// one counts and hands over to the library's.
#include "ListingCalls.h"

#include <AccessAPI.h>
#include <dlfcn.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace {

std::atomic<int> g_listingCalls{0};

template <typename Fn>
Fn Next(const char* name) {
    static_assert(sizeof(Fn) == sizeof(void*));
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

// The gate of HoldNextUsersListing.
std::mutex g_gateLock;
std::condition_variable g_gateChanged;
bool g_armed = false;
bool g_held = false;

void PassGate() {
    std::unique_lock<std::mutex> lock(g_gateLock);
    if (!g_armed) {
        return;
    }
    g_armed = false;
    g_held = true;
    g_gateChanged.notify_all();
    g_gateChanged.wait(lock, [] { return !g_held; });
}

}  // namespace

void HoldNextUsersListing() {
    std::lock_guard<std::mutex> lock(g_gateLock);
    g_armed = true;
}

void WaitUntilUsersListingHeld() {
    std::unique_lock<std::mutex> lock(g_gateLock);
    g_gateChanged.wait(lock, [] { return g_held; });
}

void ReleaseUsersListing() {
    std::lock_guard<std::mutex> lock(g_gateLock);
    g_held = false;
    g_gateChanged.notify_all();
}

int ListingCalls() {
    return g_listingCalls.load();
}

extern "C" {

int32_t ASA_FindUserFolderUsersList(AS_Handle h, AS_ObjectId folder, uint32_t capacity,
                                    AS_ObjectId* ids, uint32_t* count) {
    static auto next = Next<decltype(&ASA_FindUserFolderUsersList)>(__func__);
    ++g_listingCalls;
    PassGate();
    return next(h, folder, capacity, ids, count);
}

int32_t ASA_FindUserFolderChildrenList(AS_Handle h, AS_ObjectId folder, uint32_t capacity,
                                       AS_ObjectId* ids, uint32_t* count) {
    static auto next = Next<decltype(&ASA_FindUserFolderChildrenList)>(__func__);
    ++g_listingCalls;
    return next(h, folder, capacity, ids, count);
}

int32_t ASA_FindUserClassChildrenList3(AS_Handle h, AS_ObjectId cls, uint32_t capacity,
                                       AS_ObjectId* ids, uint32_t* count) {
    static auto next = Next<decltype(&ASA_FindUserClassChildrenList3)>(__func__);
    ++g_listingCalls;
    return next(h, cls, capacity, ids, count);
}

int32_t ASA_FindUserClassChildrenCount3(AS_Handle h, AS_ObjectId cls, uint32_t* count) {
    static auto next = Next<decltype(&ASA_FindUserClassChildrenCount3)>(__func__);
    ++g_listingCalls;
    return next(h, cls, count);
}

int32_t ASA_Search3(AS_Handle h, int32_t type, const char* pattern, uint32_t* count, char** names,
                    AS_ObjectId** ids) {
    static auto next = Next<decltype(&ASA_Search3)>(__func__);
    ++g_listingCalls;
    return next(h, type, pattern, count, names, ids);
}

int32_t ASA_Search4(AS_Handle h, int32_t type, int32_t attribute, const char* pattern,
                    uint32_t* count, char** names, AS_ObjectId** ids) {
    static auto next = Next<decltype(&ASA_Search4)>(__func__);
    ++g_listingCalls;
    return next(h, type, attribute, pattern, count, names, ids);
}

int32_t ASA_FindNamespaceRootUserFolder(AS_Handle h, AS_ObjectId* folder) {
    static auto next = Next<decltype(&ASA_FindNamespaceRootUserFolder)>(__func__);
    ++g_listingCalls;
    return next(h, folder);
}

}  // extern "C"
