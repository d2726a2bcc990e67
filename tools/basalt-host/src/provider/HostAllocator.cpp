#include "HostAllocator.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace basalt_host {
namespace {

struct Registry {
    std::mutex lock;
    std::unordered_map<const void*, uint32_t> sizes;
    BlockCounts counts;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

}  // namespace

void* hostAlloc(uint32_t size) {
    // malloc(0) may return null or a unique pointer; a zero-byte text buffer is useless anyway.
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        return nullptr;
    }
    Registry& reg = registry();
    std::lock_guard<std::mutex> guard(reg.lock);
    reg.sizes[block] = size;
    ++reg.counts.allocated;
    return block;
}

void hostFree(void* block) {
    if (block == nullptr) {
        return;
    }
    Registry& reg = registry();
    {
        std::lock_guard<std::mutex> guard(reg.lock);
        if (reg.sizes.erase(block) != 0) {
            ++reg.counts.freed;
        }
    }
    std::free(block);
}

std::size_t releaseOutstandingBlocks() {
    Registry& reg = registry();
    std::lock_guard<std::mutex> guard(reg.lock);
    std::size_t count = reg.sizes.size();
    for (const auto& [block, size] : reg.sizes) {
        std::free(const_cast<void*>(block));
    }
    reg.sizes.clear();
    return count;
}

BlockCounts blockCounts() {
    Registry& reg = registry();
    std::lock_guard<std::mutex> guard(reg.lock);
    return reg.counts;
}

TakenText takeText(char* block) {
    TakenText taken;
    if (block == nullptr) {
        return taken;
    }
    std::optional<uint32_t> size;
    {
        Registry& reg = registry();
        std::lock_guard<std::mutex> guard(reg.lock);
        auto found = reg.sizes.find(block);
        if (found != reg.sizes.end()) {
            size = found->second;
        }
    }
    if (!size) {
        // Not ours: reading or freeing it could crash the host, so leave it alone.
        taken.problem =
            "the provider returned a pointer that the host's alloc routine never "
            "handed out; it was neither read nor freed";
        return taken;
    }
    HostBuffer owned(block);
    const void* nul = std::memchr(block, '\0', *size);
    if (nul == nullptr) {
        taken.problem = "the returned text is not NUL-terminated within its " +
                        std::to_string(*size) + "-byte buffer; it was cut there";
        taken.text = std::string(block, *size);
        return taken;
    }
    std::size_t length = static_cast<const char*>(nul) - block;
    taken.text = std::string(block, length);
    if (length + 1 != *size) {
        taken.problem = "the returned text has " + std::to_string(length) +
                        " bytes but its buffer has " + std::to_string(*size) +
                        " (expected exactly length + 1)";
    }
    return taken;
}

}  // namespace basalt_host
