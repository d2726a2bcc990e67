// The environment-list decoder (the encoded list of environment names a visa carries).
#include "FuzzTarget.h"
#include "PYXThrowable.h"
#include "VOR_AAA_Env.h"

BASALT_FUZZ_TARGET() {
    VOR_AAA_Env list;
    try {
        if (!list.Decode(std::string(basalt::fuzz::Bytes(data, size)))) {
            return 0;
        }
        // What decoded encodes again into a valid list.
        VOR_AAA_Env again;
        if (!again.Decode(list.Encode())) {
            basalt::fuzz::Violated("a decoded list does not decode after encoding", {});
        }
    } catch (const PYXThrowable&) {
    }
    return 0;
}
