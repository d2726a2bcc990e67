// Reader of the visa.
#include "DocumentTarget.h"
#include "VOR_AAA_Visa.h"

BASALT_FUZZ_TARGET() {
    basalt::fuzz::LoadAndWrite<VOR_AAA_Visa>(data, size);
    return 0;
}
