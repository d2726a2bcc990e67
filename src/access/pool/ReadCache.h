// What one handle's listings and lookups fetched, kept briefly so that the reads following a
// listing (a name size, then the record, then the parent) cost no further directory search.
// Short-lived on purpose: an entry serves only for a fraction of a second after it was fetched,
// so a later request sees the directory as it is. Bounded, owned by one handle (never shared),
// emptied when the handle's identity changes or the handle closes. Not locked: the handle's
// lock covers it.
#pragma once

#include <AccessAPI.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Ldap.h"

namespace ridge::access {

// An entry as the cache keeps it: shared, so that the many reads of one record that follow a
// listing do not each copy it.
using EntryRef = std::shared_ptr<const LdapEntry>;

class ReadCache {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration kLifetime = std::chrono::milliseconds(400);
    static constexpr size_t kCapacity = 4096;

    explicit ReadCache(Clock::duration lifetime = kLifetime, size_t capacity = kCapacity)
        : m_lifetime(lifetime), m_capacity(capacity) {}

    // An entry of the object type with that id, fetched at `fetched` with the type's record
    // attributes. Two different entries claiming one id make that id a miss, so the caller's
    // own search reports the ambiguity.
    void putEntry(int32_t objectType, AS_ObjectId id, EntryRef entry, Clock::time_point fetched);
    void putEntry(int32_t objectType, AS_ObjectId id, LdapEntry entry, Clock::time_point fetched) {
        putEntry(objectType, id, std::make_shared<const LdapEntry>(std::move(entry)), fetched);
    }
    // Null when the cache holds no fresh entry.
    EntryRef entryById(int32_t objectType, AS_ObjectId id, Clock::time_point now) const;
    // The entry last fetched for that id, fresh or not (null when none is kept): what the
    // handle may guess before it asks again.
    EntryRef lastKnownById(int32_t objectType, AS_ObjectId id) const;
    // By DN (any RDN spelling the DN parser accepts as the same).
    EntryRef entryByDn(int32_t objectType, const std::string& dn, Clock::time_point now) const;

    // The result of a listing, under a key that names the listing and its subject.
    void putList(const std::string& key, std::vector<AS_ObjectId> ids, Clock::time_point fetched);
    std::optional<std::vector<AS_ObjectId>> list(const std::string& key,
                                                 Clock::time_point now) const;

    void clear();
    // Makes everything kept stale as of `now`, still known to lastKnownById: what the lifetime
    // does, without waiting it out.
    void age(Clock::time_point now);
    // How long an entry serves after it was fetched.
    Clock::duration lifetime() const { return m_lifetime; }
    size_t size() const { return m_entries.size() + m_lists.size(); }

    // The key a DN is kept under: its normal form (normalizeDn), the DN itself when it is none.
    static std::string dnKey(const std::string& dn);

private:
    struct EntrySlot {
        EntryRef entry;
        std::string dnKey;
        Clock::time_point fetched;
        bool conflict = false;
    };
    struct ListSlot {
        std::vector<AS_ObjectId> ids;
        Clock::time_point fetched;
    };
    bool fresh(Clock::time_point fetched, Clock::time_point now) const {
        return now >= fetched && now - fetched < m_lifetime;
    }
    // Makes room for one more item: drops what has expired, everything if that is not enough.
    void makeRoom(Clock::time_point now);

    Clock::duration m_lifetime;
    size_t m_capacity;
    using IdKey = std::pair<int32_t, AS_ObjectId>;
    struct IdKeyHash {
        size_t operator()(const IdKey& key) const noexcept {
            return std::hash<uint64_t>{}(uint64_t{static_cast<uint32_t>(key.first)} << 32 |
                                         key.second);
        }
    };
    // Hashed: a page asks it several hundred times, and a tree of a few thousand slots is a
    // dozen dependent reads from memory each time. Slots do not move when it grows.
    std::unordered_map<IdKey, EntrySlot, IdKeyHash> m_entries;
    // The DN keys view the dnKey of the slot that put them (slots do not move): a slot that goes
    // erases the key of its DN, so none outlives the characters it views.
    std::map<std::pair<int32_t, std::string_view>, AS_ObjectId> m_byDn;
    std::map<std::string, ListSlot> m_lists;
};

}  // namespace ridge::access
