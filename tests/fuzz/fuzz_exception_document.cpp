// Reader of the exception document with prompts.
#include "DocumentTarget.h"
#include "VOR_AAA_OMException.h"

BASALT_FUZZ_TARGET() {
    basalt::fuzz::LoadAndWrite<VOR_AAA_OMException>(data, size);
    return 0;
}
