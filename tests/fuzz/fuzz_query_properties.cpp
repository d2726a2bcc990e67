// Reader of the properties list of a query.
#include "DocumentTarget.h"
#include "VOR_AAA_QueryProperties.h"

BASALT_FUZZ_TARGET() {
    basalt::fuzz::LoadAndWrite<VOR_AAA_QueryProperties>(data, size);
    return 0;
}
