// The listing cache of one session: the identifiers its last listing found, so that the
// following pages of the same listing are served without walking the directory again.
//
//     cache.Store(query);                       // a new listing: clears and keeps the query
//     cache.Add(ListingCache::eFolders, name, id);  // filled by the listing
//     cache.ForEachFrom(skip, [&](const ListingCache::Slot& slot) { ...; return more; });
//     if (cache.Reuses(nextQuery)) ...          // same listing, another page
//
// Positions run over the folders, then the roles, then the accounts, each in name order
// (byte-wise), then identifier order. Accounts are named by their sign-on name, which is unique:
// a later account with the same name replaces the earlier one. Two folders or two roles may
// share a name (under different parents); both are kept, so that nothing is silently dropped.
#pragma once

#include <AccessAPI.h>
#include <VOR_AAA_Query.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <set>
#include <string>

class ListingCache {
public:
    // (name, identifier) pairs, in position order.
    using NameMap = std::set<std::pair<std::string, AS_ObjectId>>;
    enum Group { eFolders = 0, eRoles = 1, eAccounts = 2 };

    struct Slot {
        Group group;
        const std::string& name;  // in the namespace's encoding, as the library gave it
        AS_ObjectId id;
    };

    NameMap& Map(Group group) { return m_maps[group]; }
    const NameMap& Map(Group group) const { return m_maps[group]; }

    // Empties the three maps (the stored query stays).
    void ClearMaps();
    // Empties the maps and forgets the stored query and the collecting flag.
    void Reset();
    bool Empty() const;
    std::size_t Total() const;

    // Keeps the query a listing answers; the maps are emptied.
    void Store(const VOR_AAA_Query& query);
    // True when the cache holds a listing and query asks for the same one (paging aside).
    bool Reuses(const VOR_AAA_Query& query) const;

    // Set by a query for one object: accounts built meanwhile enter the accounts map.
    bool IsCollecting() const { return m_collecting; }
    void SetCollecting(bool collecting) { m_collecting = collecting; }

    // Enters an object found by a listing (or built while collecting).
    void Add(Group group, const std::string& name, AS_ObjectId id);
    // True when the group's map holds the object under that name.
    bool Holds(Group group, const std::string& name, AS_ObjectId id) const;
    // The identifier the accounts map holds for the sign-on name, if any.
    std::optional<AS_ObjectId> AccountId(const std::string& name) const;

    // Calls visit for each slot from position skip on, in position order, until it returns
    // false.
    void ForEachFrom(std::size_t skip, const std::function<bool(const Slot&)>& visit) const;

private:
    NameMap m_maps[3];
    std::optional<VOR_AAA_Query> m_query;
    bool m_collecting = false;
};
