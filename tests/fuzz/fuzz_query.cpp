// Reader of the query element.
#include "DocumentTarget.h"
#include "VOR_AAA_Query.h"

BASALT_FUZZ_TARGET() {
    basalt::fuzz::LoadAndWrite<VOR_AAA_Query>(data, size);
    return 0;
}
