// Shared by every fuzz target. A target is one function over arbitrary bytes; it calls one
// reader of outside input and lets only the platform's own failures (PYXThrowable, which every
// entry turns into a result code) pass silently. Anything else (a crash, a sanitizer report, an
// assertion, another exception) is a finding.
//
// Built two ways from the same source: with clang's libFuzzer (BASALT_LIBFUZZER, scripts/fuzz)
// and, in every ordinary build, with StandaloneDriver.cpp, which runs the target once over each
// committed seed and regression input (ctest "fuzz_regression.<name>").
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

#define BASALT_FUZZ_TARGET() extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)

namespace basalt::fuzz {

inline std::string_view Bytes(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Splits the input at the first NUL byte: the first part and the rest (for targets that take
// two texts).
inline std::pair<std::string, std::string> SplitAtNul(std::string_view input) {
    const size_t nul = input.find('\0');
    if (nul == std::string_view::npos) {
        return {std::string(input), std::string()};
    }
    return {std::string(input.substr(0, nul)), std::string(input.substr(nul + 1))};
}

// Stops the process: a property the target checks does not hold.
[[noreturn]] void Violated(const char* what, std::string_view input);

}  // namespace basalt::fuzz
