#include "SignOnThrottle.h"

#include <algorithm>
#include <cctype>

namespace basalt_host::serve {
namespace {

// Sign-on names differ in case only by typing: "Alice" and "alice" are one account here.
std::string accountKey(const std::string& account) {
    std::string key = account;
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return key;
}

std::string pairKey(const std::string& account, const std::string& address) {
    return accountKey(account) + '\0' + address;
}

}  // namespace

SignOnThrottle::SignOnThrottle(ThrottleLimits limits) : m_limits(limits) {}

SignOnThrottle::Record* SignOnThrottle::Records::find(const std::string& key) {
    auto it = m_entries.find(key);
    return it == m_entries.end() ? nullptr : &it->second.record;
}

SignOnThrottle::Record& SignOnThrottle::Records::touch(const std::string& key) {
    auto [it, made] = m_entries.try_emplace(key);
    if (made) {
        it->second.place = m_order.insert(m_order.end(), key);
    } else {
        m_order.splice(m_order.end(), m_order, it->second.place);
    }
    return it->second.record;
}

void SignOnThrottle::Records::erase(const std::string& key) {
    auto it = m_entries.find(key);
    if (it != m_entries.end()) {
        m_order.erase(it->second.place);
        m_entries.erase(it);
    }
}

void SignOnThrottle::Records::prune(Clock::time_point now, Clock::duration window,
                                    std::size_t limit) {
    while (!m_order.empty()) {
        auto oldest = m_entries.find(m_order.front());
        if (m_entries.size() < limit && now - oldest->second.record.last <= window) {
            return;
        }
        m_entries.erase(oldest);
        m_order.pop_front();
    }
}

SignOnThrottle::Record* SignOnThrottle::live(Records& records, const std::string& key,
                                             Clock::time_point now) {
    Record* record = records.find(key);
    if (record && now - record->last > m_limits.window) {
        records.erase(key);
        return nullptr;
    }
    return record;
}

std::chrono::seconds SignOnThrottle::waitLeft(const Record& record, Clock::time_point now) const {
    auto left = std::chrono::ceil<std::chrono::seconds>(record.last + m_limits.window - now);
    return std::max(left, std::chrono::seconds(1));
}

std::chrono::seconds SignOnThrottle::begin(const std::string& account, const std::string& address,
                                           Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    for (auto* records : {&m_accounts, &m_addresses, &m_pairs}) {
        // One under the limit: this attempt may add a record.
        records->prune(now, m_limits.window, m_limits.maxRecords);
    }
    if (Record* pair = live(m_pairs, pairKey(account, address), now);
        pair && pair->failures >= m_limits.pairLimit) {
        return waitLeft(*pair, now);
    }
    if (Record* from = live(m_addresses, address, now);
        from && from->failures >= m_limits.addressLimit) {
        return waitLeft(*from, now);
    }
    for (auto* records : {&m_accounts, &m_addresses, &m_pairs}) {
        Record& record = records->touch(records == &m_accounts    ? accountKey(account)
                                        : records == &m_addresses ? address
                                                                  : pairKey(account, address));
        if (now - record.last > m_limits.window) {
            record.failures = 0;
        }
        ++record.failures;
        record.last = now;
    }
    return std::chrono::seconds(0);
}

void SignOnThrottle::succeeded(const std::string& account, const std::string& address) {
    std::lock_guard lock(m_mutex);
    m_accounts.erase(accountKey(account));
    m_pairs.erase(pairKey(account, address));
    // The address keeps its other failures, less this attempt's.
    if (Record* from = m_addresses.find(address); from && --from->failures <= 0) {
        m_addresses.erase(address);
    }
}

std::chrono::milliseconds SignOnThrottle::failureDelay(const std::string& account,
                                                       const std::string& address) {
    std::lock_guard lock(m_mutex);
    int failures = 0;
    if (const Record* record = m_accounts.find(accountKey(account))) {
        failures = record->failures;
    }
    if (const Record* from = m_addresses.find(address)) {
        // An address guessing across many accounts is slowed as one guessing one account, at
        // a tenth of the pace, so a few colleagues' typing errors behind one NAT cost nothing.
        failures = std::max(failures, from->failures / 10);
    }
    if (failures <= m_limits.freeFailures) {
        return std::chrono::milliseconds(0);
    }
    std::chrono::milliseconds delay = m_limits.firstDelay;
    for (int i = m_limits.freeFailures + 1; i < failures && delay < m_limits.maxDelay; ++i) {
        delay *= 2;
    }
    return std::min(delay, m_limits.maxDelay);
}

}  // namespace basalt_host::serve
