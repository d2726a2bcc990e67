// Reader of the query response.
#include "DocumentTarget.h"
#include "VOR_AAA_QueryResponse.h"

BASALT_FUZZ_TARGET() {
    basalt::fuzz::LoadAndWrite<VOR_AAA_QueryResponse>(data, size);
    return 0;
}
