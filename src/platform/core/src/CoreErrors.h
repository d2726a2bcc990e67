// Raising the platform core's own failures.
#pragma once

#include <cstdint>
#include <string>

#include "PYXThrowable.h"

// Throws PYXException(code) with the message and an English text for what(), naming the site.
[[noreturn]] void pyxRaiseCoreError(int32_t code, const PYXMessage& message, std::string text,
                                    const char* source, int line, const char* function);

#define PYX_CORE_RAISE(code, message, text, function) \
    ::pyxRaiseCoreError((code), (message), (text), __FILE__, __LINE__, (function))
