#include "FuzzTarget.h"

#include <cstdio>
#include <cstdlib>

namespace basalt::fuzz {

void Violated(const char* what, std::string_view input) {
    std::fprintf(stderr, "fuzz property violated: %s (input of %zu bytes)\n", what, input.size());
    std::abort();
}

}  // namespace basalt::fuzz
