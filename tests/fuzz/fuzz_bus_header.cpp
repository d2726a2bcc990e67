// Reader of the bus header.
#include "DocumentTarget.h"
#include "VOR_AAA_BiBusHeader.h"

BASALT_FUZZ_TARGET() {
    basalt::fuzz::LoadAndWrite<VOR_AAA_BiBusHeader>(data, size);
    return 0;
}
