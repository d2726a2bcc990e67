// ASA_PrefetchObjects: the records of many objects by id in a few searches sent together, kept in
// the handle's cache for the reads that follow (a page of a listing whose records have expired).
#include <AccessAPI.h>

#include <algorithm>

#include "ReadSupport.h"
#include "internal/Status.h"

using namespace ridge::access;
using namespace ridge::access::reads;

namespace {

// Ids per search. The server tests each candidate entry against the filter's terms one by one,
// checking the reader's access at every term, so a hundred ids in one filter cost it some five
// thousand checks; ten requests of ten, sent together, cost a tenth of that and one wait.
constexpr size_t kIdsPerSearch = 10;

}  // namespace

extern "C" AS_API int32_t ASA_PrefetchObjects(AS_Handle handle, int32_t objectType, uint32_t count,
                                              const AS_ObjectId* ids) {
    return withSignedOn(handle, [&](Session& s) {
        if (count > 0 && !ids)
            fail(AS_ERR_INVALID_ARGUMENT, "ids");
        const Filter& typeFilter = objectTypeFilter(objectType);
        const auto now = ReadCache::Clock::now();
        std::vector<AS_ObjectId> wanted;
        for (uint32_t i = 0; i < count; ++i)
            if (ids[i] != 0 && !s.cache().entryById(objectType, ids[i], now))
                wanted.push_back(ids[i]);
        std::sort(wanted.begin(), wanted.end());
        wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
        std::vector<Filter> batches;
        for (size_t first = 0; first < wanted.size(); first += kIdsPerSearch) {
            std::vector<Filter> any;
            for (size_t i = first; i < std::min(wanted.size(), first + kIdsPerSearch); ++i)
                any.push_back(Filter::equal(schema::kId, wanted[i]));
            batches.push_back(Filter::all({typeFilter, Filter::any(any)}));
        }
        if (batches.empty())
            return;
        const auto fetched = ReadCache::Clock::now();
        s.remember(
            objectType,
            s.ldap().searchEach(s.namespaceDn(), Scope::Sub, batches, recordAttributes(objectType)),
            fetched);
    });
}
