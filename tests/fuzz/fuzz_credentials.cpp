// Reader of the credentials document.
#include "DocumentTarget.h"
#include "VOR_AAA_CredentialsDoc.h"

BASALT_FUZZ_TARGET() {
    basalt::fuzz::LoadAndWrite<VOR_AAA_CredentialsDoc>(data, size);
    return 0;
}
