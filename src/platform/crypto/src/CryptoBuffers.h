#pragma once

#include <cstddef>
#include <string_view>

namespace basalt::crypto {

// Every buffer handed to a caller comes from here, so that VOR_CryptoFree can tell ours from
// foreign pointers and can clear secrets before releasing them.

// size bytes plus a NUL after them; throws CryptoError(VOR_CRYPTO_E_MEMORY) when out of memory.
unsigned char* allocateBuffer(std::size_t size);

// A NUL-terminated copy of text.
char* copyText(std::string_view text);

// Clears and releases a buffer from allocateBuffer; false if the pointer is not one of ours.
bool releaseBuffer(void* buffer);

}  // namespace basalt::crypto
