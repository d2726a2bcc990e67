// Reader of the ticket-validation result the access library hands back.
#include "BasaltParseTicket.h"
#include "FuzzTarget.h"
#include "PYXThrowable.h"

BASALT_FUZZ_TARGET() {
    BasaltTicketIdentity identity;
    try {
        BasaltParseTicketResult(reinterpret_cast<const char*>(data), size, identity);
    } catch (const PYXThrowable&) {
    }
    return 0;
}
