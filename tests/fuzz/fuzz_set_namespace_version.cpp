// Reader of the set-namespace-version document.
#include "DocumentTarget.h"
#include "VOR_AAA_SetNamespaceVersion.h"

BASALT_FUZZ_TARGET() {
    basalt::fuzz::LoadAndWrite<VOR_AAA_SetNamespaceVersion>(data, size);
    return 0;
}
