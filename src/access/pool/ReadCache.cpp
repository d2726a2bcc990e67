#include "ReadCache.h"

#include <utility>

namespace ridge::access {

std::string ReadCache::dnKey(const std::string& dn) {
    return normalizeDn(dn).value_or(dn);
}

void ReadCache::makeRoom(Clock::time_point now) {
    if (size() < m_capacity)
        return;
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (fresh(it->second.fetched, now)) {
            ++it;
            continue;
        }
        m_byDn.erase({it->first.first, it->second.dnKey});
        it = m_entries.erase(it);
    }
    std::erase_if(m_lists, [&](const auto& item) { return !fresh(item.second.fetched, now); });
    if (size() >= m_capacity)
        clear();
}

void ReadCache::putEntry(int32_t objectType, AS_ObjectId id, EntryRef entry,
                         Clock::time_point fetched) {
    if (id == 0 || m_capacity == 0 || !entry)
        return;
    std::string key = dnKey(entry->dn);
    auto it = m_entries.find({objectType, id});
    if (it != m_entries.end() && fresh(it->second.fetched, fetched) &&
        (it->second.conflict || it->second.dnKey != key)) {
        it->second.conflict = true;
        it->second.fetched = fetched;
        return;
    }
    if (it != m_entries.end()) {
        // Fetched again (a page after its listing aged): the slot is refilled in place.
        EntrySlot& slot = it->second;
        if (slot.dnKey != key) {
            m_byDn.erase({objectType, slot.dnKey});  // before the text it views goes
            slot.dnKey = std::move(key);
        }
        slot.entry = std::move(entry);
        slot.fetched = fetched;
        slot.conflict = false;
        m_byDn[{objectType, slot.dnKey}] = id;
        return;
    }
    makeRoom(fetched);
    auto slot = m_entries
                    .try_emplace({objectType, id},
                                 EntrySlot{std::move(entry), std::move(key), fetched, false})
                    .first;
    m_byDn[{objectType, slot->second.dnKey}] = id;
}

EntryRef ReadCache::entryById(int32_t objectType, AS_ObjectId id, Clock::time_point now) const {
    auto it = m_entries.find({objectType, id});
    if (it == m_entries.end() || it->second.conflict || !fresh(it->second.fetched, now))
        return nullptr;
    return it->second.entry;
}

EntryRef ReadCache::lastKnownById(int32_t objectType, AS_ObjectId id) const {
    auto it = m_entries.find({objectType, id});
    if (it == m_entries.end() || it->second.conflict)
        return nullptr;
    return it->second.entry;
}

EntryRef ReadCache::entryByDn(int32_t objectType, const std::string& dn,
                              Clock::time_point now) const {
    auto byDn = m_byDn.find({objectType, dnKey(dn)});
    if (byDn == m_byDn.end())
        return nullptr;
    return entryById(objectType, byDn->second, now);
}

void ReadCache::putList(const std::string& key, std::vector<AS_ObjectId> ids,
                        Clock::time_point fetched) {
    if (m_capacity == 0)
        return;
    m_lists.erase(key);
    makeRoom(fetched);
    m_lists[key] = ListSlot{std::move(ids), fetched};
}

void ReadCache::age(Clock::time_point now) {
    for (auto& item : m_entries)
        item.second.fetched = now - m_lifetime;
    for (auto& item : m_lists)
        item.second.fetched = now - m_lifetime;
}

std::optional<std::vector<AS_ObjectId>> ReadCache::list(const std::string& key,
                                                        Clock::time_point now) const {
    auto it = m_lists.find(key);
    if (it == m_lists.end() || !fresh(it->second.fetched, now))
        return std::nullopt;
    return it->second.ids;
}

void ReadCache::clear() {
    m_entries.clear();
    m_byDn.clear();
    m_lists.clear();
}

}  // namespace ridge::access
