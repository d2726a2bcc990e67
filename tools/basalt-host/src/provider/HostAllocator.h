#pragma once
// The alloc routine the host hands to the provider, and the ownership of what it returns.
//
// The provider allocates every document text it hands back with this routine. The host keeps a
// record of each block so it can tell a block it owns from a stray pointer, check the size
// promise (exactly the text length plus one), and report blocks the provider requested but
// never handed back.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace basalt_host {

// The routine passed to BasaltInitialize. Thread-safe.
void* hostAlloc(uint32_t size);

// Frees a block hostAlloc returned; null is ignored.
void hostFree(void* block);

// Frees every block handed out by hostAlloc and not yet freed, returning their number. Called
// once the provider has terminated: a block it still holds then was lost, never returned.
std::size_t releaseOutstandingBlocks();

// Blocks handed out by hostAlloc and freed with hostFree since the process started.
struct BlockCounts {
    std::uint64_t allocated = 0;
    std::uint64_t freed = 0;
};
BlockCounts blockCounts();

struct HostFreeDeleter {
    void operator()(char* block) const { hostFree(block); }
};
using HostBuffer = std::unique_ptr<char, HostFreeDeleter>;

// What became of one out-pointer after a call.
struct TakenText {
    std::optional<std::string> text;  // nothing when the out-pointer stayed null
    std::string problem;              // non-empty when the block broke the allocation contract
};

// Takes ownership of a block returned through an out-pointer, copies its text and frees it.
// A pointer the host never allocated is not freed (it is reported as a problem instead).
TakenText takeText(char* block);

}  // namespace basalt_host
