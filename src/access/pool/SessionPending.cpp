// Record requests a handle sends ahead of its reads (a page of a listing whose records have
// aged): a few go out together, the rest as the reads reach them, and each read takes the answer
// holding its object when it needs it, so that the caller works on the first records while the
// server still answers for the later ones.
#include <algorithm>
#include <unordered_set>

#include "Session.h"
#include "Status.h"

namespace ridge::access {

namespace {

uint64_t unsentKey(int32_t objectType, AS_ObjectId id) {
    return static_cast<uint64_t>(static_cast<uint32_t>(objectType)) << 32 | id;
}

}  // namespace

void Session::sendRecordRequests(int32_t objectType, const std::vector<AS_ObjectId>& ids) {
    const auto now = ReadCache::Clock::now();
    // Sets, not searches of lists: a caller may hand over the ids of a whole large listing.
    std::unordered_set<AS_ObjectId> skipped{0};
    for (const auto& p : m_pending)
        if (p.objectType == objectType)
            skipped.insert(p.ids.begin(), p.ids.end());
    // In the caller's order (a page's), so that the first records are answered first.
    std::vector<AS_ObjectId> wanted;
    for (AS_ObjectId id : ids)
        if (skipped.insert(id).second && !m_unsentIds.contains(unsentKey(objectType, id)) &&
            !m_cache.entryById(objectType, id, now))
            wanted.push_back(id);
    for (size_t first = 0; first < wanted.size(); first += kIdsPerRecordRequest) {
        const auto end = wanted.begin() + static_cast<std::ptrdiff_t>(std::min(
                                              wanted.size(), first + kIdsPerRecordRequest));
        UnsentRecords request{objectType,
                              {wanted.begin() + static_cast<std::ptrdiff_t>(first), end}};
        for (AS_ObjectId id : request.ids)
            m_unsentIds.insert(unsentKey(objectType, id));
        m_unsent.push_back(std::move(request));
    }
    sendWaiting();
}

void Session::sendWaiting() {
    if (m_unsent.empty() || m_pending.size() >= kRecordRequestsOnTheirWay)
        return;
    const std::string base = namespaceDn();
    // What is pending stays on its way: a page that mixes folders, roles and accounts has all
    // three groups asked before the first answer is read.
    LdapConnection& conn = connection();  // where those on their way are, if any
    while (!m_unsent.empty() && m_pending.size() < kRecordRequestsOnTheirWay) {
        UnsentRecords next = std::move(m_unsent.front());
        m_unsent.pop_front();
        for (AS_ObjectId id : next.ids)
            m_unsentIds.erase(unsentKey(next.objectType, id));
        PendingRecords request;
        request.objectType = next.objectType;
        request.ids = std::move(next.ids);
        request.base = base;
        request.sent = ReadCache::Clock::now();
        const Filter ids = Filter::oneOf(
            schema::kId, std::vector<uint64_t>(request.ids.begin(), request.ids.end()));
        request.msgid =
            conn.send(base, Scope::Sub, Filter::all({objectTypeFilter(request.objectType), ids}),
                      recordAttributes(request.objectType));
        m_pending.push_back(std::move(request));
    }
}

std::optional<AS_ObjectId> Session::readPending(size_t index) {
    PendingRecords& request = m_pending[index];
    std::optional<LdapEntry> entry;
    try {
        LdapConnection* conn = m_lease.current();
        if (!conn)
            fail(AS_ERR_INTERNAL, "answers on their way without their connection");
        entry = conn->nextEntry(request.msgid, request.base, request.expectedAttributes);
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
    reclaimParked();
    for (;;) {
        sendWaiting();
        const auto holding = std::find_if(m_pending.begin(), m_pending.end(), [&](const auto& p) {
            return p.objectType == objectType &&
                   std::find(p.ids.begin(), p.ids.end(), id) != p.ids.end();
        });
        if (holding == m_pending.end()) {
            if (m_pending.empty() || !m_unsentIds.contains(unsentKey(objectType, id)))
                return;
            finishOldestPending();  // its request waits for a place
            continue;
        }
        const auto i = static_cast<size_t>(holding - m_pending.begin());
        if (i > 0 && !m_unsent.empty()) {
            // The answers before it are read (the caller went past them): their places go to
            // the requests waiting, so that two stay ahead of the one being read.
            finishOldestPending();
            continue;
        }
        // Entries are taken as they arrive, so the caller works on the first while the server
        // still sends the rest; the request ends when its answer is complete.
        for (;;) {
            const auto got = readPending(i);
            if (!got || *got == id)
                return;
        }
    }
}

void Session::finishOldestPending() {
    while (readPending(0)) {
    }
}

void Session::settleAllPending() {
    reclaimParked();
    while (!m_pending.empty())
        finishOldestPending();
}

void Session::dropPending(bool tellServer) {
    if (tellServer && !m_pending.empty()) {
        reclaimParked();  // forgets them itself when the connection was taken meanwhile
        if (LdapConnection* conn = m_lease.current())
            for (const auto& p : m_pending)
                conn->abandon(p.msgid);
    }
    m_pending.clear();
    m_unsent.clear();
    m_unsentIds.clear();
}

}  // namespace ridge::access
