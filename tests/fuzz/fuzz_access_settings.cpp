// The access library's own configuration file (access.conf in the home directory).
#include "FuzzTarget.h"
#include "Settings.h"

BASALT_FUZZ_TARGET() {
    std::string error;
    if (!ridge::access::parseAccessSettings(basalt::fuzz::Bytes(data, size), &error) &&
        error.empty()) {
        basalt::fuzz::Violated("refused access settings without a reason", {});
    }
    return 0;
}
