#include "Memory.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

namespace ridge::access {

namespace {

std::mutex g_mutex;
std::unordered_map<void*, Allocation>& live() {
    static auto* map = new std::unordered_map<void*, Allocation>();  // outlives static dtors
    return *map;
}

void* registered(size_t bytes, Allocation kind) {
    void* p = std::calloc(bytes ? bytes : 1, 1);
    if (!p)
        throw std::bad_alloc();
    try {
        std::lock_guard lock(g_mutex);
        live().emplace(p, kind);
    } catch (...) {
        std::free(p);
        throw;
    }
    return p;
}

}  // namespace

char* allocResultText(std::string_view text) {
    auto* p = static_cast<char*>(registered(text.size() + 1, Allocation::ResultText));
    std::memcpy(p, text.data(), text.size());
    return p;
}

void* allocBlock(size_t bytes) {
    return registered(bytes, Allocation::Block);
}

bool releaseAllocation(void* p, Allocation kind) {
    {
        std::lock_guard lock(g_mutex);
        auto it = live().find(p);
        if (it == live().end() || it->second != kind)
            return false;
        live().erase(it);
    }
    std::free(p);
    return true;
}

}  // namespace ridge::access
