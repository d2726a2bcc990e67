// ASA_PrefetchObjects: the records of many objects by id in a few searches, kept in the handle's
// cache for the reads that follow (a page of a listing whose records have expired).
#include <AccessAPI.h>

#include <algorithm>

#include "ReadSupport.h"
#include "internal/Status.h"

using namespace ridge::access;
using namespace ridge::access::reads;

namespace {

// Ids per search: one page of a listing in one request, filters well below server limits.
constexpr size_t kIdsPerSearch = 128;

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
        for (size_t first = 0; first < wanted.size(); first += kIdsPerSearch) {
            std::vector<Filter> any;
            for (size_t i = first; i < std::min(wanted.size(), first + kIdsPerSearch); ++i)
                any.push_back(Filter::equal(schema::kId, wanted[i]));
            const Filter filter = Filter::all({typeFilter, Filter::any(any)});
            const auto fetched = ReadCache::Clock::now();
            // A batch of ids finds about as many entries: one plain request, without the paging
            // that a subtree search would otherwise be asked in (unless a limit cuts it short).
            auto found = s.ldap().searchWhole(s.namespaceDn(), Scope::Sub, filter,
                                              recordAttributes(objectType), 0);
            s.remember(objectType,
                       found ? std::move(*found)
                             : searchAll(s.ldap(), s.namespaceDn(), Scope::Sub, filter,
                                         recordAttributes(objectType)),
                       fetched);
        }
    });
}
