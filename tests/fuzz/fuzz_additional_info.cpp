// Reader of the additional information of every request.
#include "DocumentTarget.h"
#include "VOR_AAA_AdditionalInfo.h"

BASALT_FUZZ_TARGET() {
    basalt::fuzz::LoadAndWrite<VOR_AAA_AdditionalInfo>(data, size);
    return 0;
}
