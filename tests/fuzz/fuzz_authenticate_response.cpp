// Reader of the authenticate response.
#include "DocumentTarget.h"
#include "VOR_AAA_AuthResponse.h"

BASALT_FUZZ_TARGET() {
    basalt::fuzz::LoadAndWrite<VOR_AAA_AuthResponse>(data, size);
    return 0;
}
