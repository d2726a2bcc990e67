// Reader of the query document.
#include "DocumentTarget.h"
#include "VOR_AAA_QueryDoc.h"

BASALT_FUZZ_TARGET() {
    basalt::fuzz::LoadAndWrite<VOR_AAA_QueryDoc>(data, size);
    return 0;
}
