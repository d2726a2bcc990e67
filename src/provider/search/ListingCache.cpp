#include "search/ListingCache.h"

void ListingCache::ClearMaps() {
    for (NameMap& map : m_maps) {
        map.clear();
    }
}

void ListingCache::Reset() {
    ClearMaps();
    m_query.reset();
    m_collecting = false;
}

bool ListingCache::Empty() const {
    return Total() == 0;
}

std::size_t ListingCache::Total() const {
    return m_maps[eFolders].size() + m_maps[eRoles].size() + m_maps[eAccounts].size();
}

void ListingCache::Store(const VOR_AAA_Query& query) {
    ClearMaps();
    m_query = query;
}

bool ListingCache::Reuses(const VOR_AAA_Query& query) const {
    return !Empty() && m_query && m_query->IsSameListing(query);
}

void ListingCache::Add(Group group, const std::string& name, AS_ObjectId id) {
    if (group == eAccounts) {
        // An account met again (built while the listing is walked) leaves its entry as it is.
        if (const auto known = AccountId(name); known && *known != id) {
            m_maps[eAccounts].erase({name, *known});
        }
    }
    m_maps[group].emplace(name, id);
}

bool ListingCache::Holds(Group group, const std::string& name, AS_ObjectId id) const {
    return m_maps[group].count({name, id}) != 0;
}

std::optional<AS_ObjectId> ListingCache::AccountId(const std::string& name) const {
    const NameMap& accounts = m_maps[eAccounts];
    const auto it = accounts.lower_bound({name, 0});
    if (it == accounts.end() || it->first != name) {
        return std::nullopt;
    }
    return it->second;
}

void ListingCache::ForEachFrom(std::size_t skip,
                               const std::function<bool(const Slot&)>& visit) const {
    for (const Group group : {eFolders, eRoles, eAccounts}) {
        const NameMap& map = m_maps[group];
        if (skip >= map.size()) {
            skip -= map.size();
            continue;
        }
        auto it = map.begin();
        std::advance(it, static_cast<std::ptrdiff_t>(skip));
        skip = 0;
        for (; it != map.end(); ++it) {
            if (!visit(Slot{group, it->first, it->second})) {
                return;
            }
        }
    }
}
