// Reader of the authenticate document (SOAP envelope, bus header, credentials).
#include "DocumentTarget.h"
#include "VOR_AAA_AuthDoc.h"

BASALT_FUZZ_TARGET() {
    basalt::fuzz::LoadAndWrite<VOR_AAA_AuthDoc>(data, size);
    return 0;
}
