// ASA_Search3 and ASA_Search4: objects of one type whose name matches a '*' pattern.
#include <AccessAPI.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "Memory.h"
#include "ReadSupport.h"
#include "SearchPattern.h"
#include "Status.h"

using namespace ridge::access;
using namespace ridge::access::reads;

namespace {

struct BlockFree {
    void operator()(void* p) const { releaseAllocation(p, Allocation::Block); }
};
using Block = std::unique_ptr<void, BlockFree>;

struct Match {
    std::string name;  // in the handle's encoding, as the caller receives it
    AS_ObjectId id;
    bool operator<(const Match& o) const { return name != o.name ? name < o.name : id < o.id; }
};

int32_t search(AS_Handle handle, int32_t objectType, int32_t attribute, const char* pattern,
               uint32_t* count, char** names, AS_ObjectId** ids) {
    // Cleared first so that the caller may hand both blocks to AS_Free whatever the result.
    if (count)
        *count = 0;
    if (names)
        *names = nullptr;
    if (ids)
        *ids = nullptr;
    return withSignedOn(handle, [&](Session& s) {
        required(count, "count");
        required(names, "names");
        required(ids, "ids");
        // Matched on the attribute asked for; answered with the names that identify.
        const char* matched = namedAttribute(objectType, attribute);
        const char* attr = nameAttribute(objectType);
        std::string patternUtf8 = s.inText(pattern, "pattern");
        const Filter filter =
            Filter::all({objectTypeFilter(objectType), namePatternFilter(matched, patternUtf8)});

        std::vector<Match> matches;
        // Names and ids only: a search may match a whole namespace, and the records of the few
        // that are shown are fetched by id (ASA_PrefetchObjects).
        auto found = searchAll(s.ldap(), s.namespaceDn(), Scope::Sub, filter, {attr, schema::kId});
        for (const auto& e : found)
            if (AS_ObjectId id = Session::idOf(e))
                matches.push_back({callerText(s, e.value(attr), AS_SEARCH_NAME_SIZE), id});
        if (matches.empty())
            return;
        std::sort(matches.begin(), matches.end());

        Block nameBlock(allocBlock(matches.size() * AS_SEARCH_NAME_SIZE));
        Block idBlock(allocBlock(matches.size() * sizeof(AS_ObjectId)));
        auto* nameOut = static_cast<char*>(nameBlock.get());
        auto* idOut = static_cast<AS_ObjectId*>(idBlock.get());
        for (size_t i = 0; i < matches.size(); ++i) {
            // Blocks come zeroed, so each record is NUL-padded.
            std::memcpy(nameOut + i * AS_SEARCH_NAME_SIZE, matches[i].name.data(),
                        matches[i].name.size());
            idOut[i] = matches[i].id;
        }
        *names = static_cast<char*>(nameBlock.release());
        *ids = static_cast<AS_ObjectId*>(idBlock.release());
        *count = static_cast<uint32_t>(matches.size());
    });
}

}  // namespace

extern "C" AS_API int32_t ASA_Search3(AS_Handle handle, int32_t objectType, const char* pattern,
                                      uint32_t* count, char** names, AS_ObjectId** ids) {
    return search(handle, objectType, AS_ATTR_NAME, pattern, count, names, ids);
}

extern "C" AS_API int32_t ASA_Search4(AS_Handle handle, int32_t objectType, int32_t attribute,
                                      const char* pattern, uint32_t* count, char** names,
                                      AS_ObjectId** ids) {
    return search(handle, objectType, attribute, pattern, count, names, ids);
}
