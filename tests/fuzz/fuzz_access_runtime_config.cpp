// The access library's runtime configuration parser (the text a namespace switches to before it
// opens a handle; AS_SetTemporaryRuntimeConfig hands it over from outside the library).
#include "FuzzTarget.h"
#include "RuntimeConfig.h"

BASALT_FUZZ_TARGET() {
    std::string error;
    if (const auto config =
            ridge::access::parseRuntimeConfig(basalt::fuzz::Bytes(data, size), &error)) {
        config->url();
        config->effectiveTimeout();
    } else if (error.empty()) {
        basalt::fuzz::Violated("a refused runtime configuration without a reason", {});
    }
    return 0;
}
