// Memory handed to callers: result texts (AS_FreeResult) and blocks (AS_Free). Each allocation
// is registered so that a free call accepts exactly what the library returned, of its kind.
#pragma once

#include <cstddef>
#include <string_view>

namespace ridge::access {

// NUL-terminated copy of text; freed by AS_FreeResult.
char* allocResultText(std::string_view text);
// Zeroed block of bytes (at least 1); freed by AS_Free.
void* allocBlock(size_t bytes);

enum class Allocation { ResultText, Block };
// Frees p if it is a live allocation of `kind`; false otherwise (nothing freed).
bool releaseAllocation(void* p, Allocation kind);

}  // namespace ridge::access
