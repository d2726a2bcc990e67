// Record requests a handle sends ahead of its reads (a page of a listing whose records have
// aged): the requests go out together and each read takes the answer holding its object when
// it needs it, so that the caller works on the first records while the server still answers
// for the later ones.
#include <algorithm>
#include <unordered_set>

#include "internal/Session.h"
#include "internal/Status.h"

namespace ridge::access {

namespace {

// Ids per request. Each request costs the server a share of its own (waking a worker, the
// result) beyond the entries it finds, and requests of one connection share its writer: a page
// of 100 users asked for after a second's pause cost the server 1.7-1.8 ms in one request,
// 2.4 ms in two of 50 and 2.9 ms in three, and was answered no sooner. Entries are read as they
// arrive, so the first records need not wait for the last.
constexpr size_t kIdsPerRequest = 100;

}  // namespace

void Session::sendRecordRequests(int32_t objectType, const std::vector<AS_ObjectId>& ids) {
    const Filter& typeFilter = objectTypeFilter(objectType);
    const auto now = ReadCache::Clock::now();
    // Sets, not searches of lists: a caller may hand over the ids of a whole large listing.
    std::unordered_set<AS_ObjectId> skipped{0};
    for (const auto& p : m_pending)
        if (p.objectType == objectType)
            skipped.insert(p.ids.begin(), p.ids.end());
    // In the caller's order (a page's), so that the first records are answered first.
    std::vector<AS_ObjectId> wanted;
    for (AS_ObjectId id : ids)
        if (skipped.insert(id).second && !m_cache.entryById(objectType, id, now))
            wanted.push_back(id);
    if (wanted.empty())
        return;
    const std::string base = namespaceDn();
    // What is pending stays on its way: a page that mixes folders, roles and accounts has all
    // three groups asked before the first answer is read.
    LdapConnection& conn = connection();
    if (m_pendingOn && m_pendingOn != &conn)
        settleAllPending();  // never answers of two connections at once
    m_pendingOn = &conn;
    for (size_t first = 0; first < wanted.size(); first += kIdsPerRequest) {
        PendingRecords request;
        request.objectType = objectType;
        request.ids.assign(wanted.begin() + static_cast<std::ptrdiff_t>(first),
                           wanted.begin() + static_cast<std::ptrdiff_t>(
                                                std::min(wanted.size(), first + kIdsPerRequest)));
        request.base = base;
        request.sent = ReadCache::Clock::now();
        const Filter ids = Filter::oneOf(
            schema::kId, std::vector<uint64_t>(request.ids.begin(), request.ids.end()));
        request.msgid = conn.send(base, Scope::Sub, Filter::all({typeFilter, ids}),
                                  recordAttributes(objectType));
        m_pending.push_back(std::move(request));
    }
}

std::optional<AS_ObjectId> Session::readPending(size_t index) {
    PendingRecords& request = m_pending[index];
    std::optional<LdapEntry> entry;
    try {
        entry = m_pendingOn->nextEntry(request.msgid, request.base, request.expectedAttributes);
    } catch (...) {
        // The read that wanted it reports the failure; what else was pending goes with it.
        dropPending(true);
        throw;
    }
    if (!entry) {
        m_pending.erase(m_pending.begin() + static_cast<std::ptrdiff_t>(index));
        return std::nullopt;
    }
    const AS_ObjectId id = idOf(*entry);
    std::erase(request.ids, id);
    // A second entry claiming the same id, arriving later, still makes the id a miss.
    m_cache.putEntry(request.objectType, id, std::move(*entry), request.sent);
    return id;
}

void Session::settlePending(int32_t objectType, AS_ObjectId id) {
    for (size_t i = 0; i < m_pending.size(); ++i) {
        const PendingRecords& p = m_pending[i];
        if (p.objectType != objectType || std::find(p.ids.begin(), p.ids.end(), id) == p.ids.end())
            continue;
        // Entries are taken as they arrive, so the caller works on the first while the server
        // still sends the rest; the request ends when its answer is complete.
        for (;;) {
            const auto got = readPending(i);
            if (!got || *got == id)
                return;
        }
    }
}

void Session::settleAllPending() {
    while (!m_pending.empty())
        while (readPending(0)) {
        }
}

void Session::dropPending(bool tellServer) {
    if (tellServer && m_pendingOn)
        for (const auto& p : m_pending)
            m_pendingOn->abandon(p.msgid);
    m_pending.clear();
    m_pendingOn = nullptr;
}

}  // namespace ridge::access
