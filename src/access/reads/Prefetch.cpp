// ASA_PrefetchObjects: the records of many objects by id, asked for together ahead of the reads
// that follow (a page of a listing whose records have expired); each read takes the answer
// holding its object as it needs it.
#include <AccessAPI.h>

#include "ReadSupport.h"

using namespace ridge::access;
using namespace ridge::access::reads;

extern "C" AS_API int32_t ASA_PrefetchObjects(AS_Handle handle, int32_t objectType, uint32_t count,
                                              const AS_ObjectId* ids) {
    return withSignedOn(handle, [&](Session& s) {
        if (count > 0 && !ids)
            fail(AS_ERR_INVALID_ARGUMENT, "ids");
        objectTypeFilter(objectType);  // -4 for another type
        s.sendRecordRequests(objectType, std::vector<AS_ObjectId>(ids, ids + count));
    });
}
