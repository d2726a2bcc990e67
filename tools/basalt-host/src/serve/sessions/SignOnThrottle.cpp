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

SignOnThrottle::Record* SignOnThrottle::live(std::map<std::string, Record>& records,
                                             const std::string& key, Clock::time_point now) {
    auto it = records.find(key);
    if (it == records.end()) {
        return nullptr;
    }
    if (now - it->second.last > m_limits.window) {
        records.erase(it);
        return nullptr;
    }
    return &it->second;
}

std::chrono::seconds SignOnThrottle::waitLeft(const Record& record, Clock::time_point now) const {
    auto left = std::chrono::ceil<std::chrono::seconds>(record.last + m_limits.window - now);
    return std::max(left, std::chrono::seconds(1));
}

std::chrono::seconds SignOnThrottle::begin(const std::string& account, const std::string& address,
                                           Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    prune(now);
    if (Record* pair = live(m_pairs, pairKey(account, address), now);
        pair && pair->failures >= m_limits.pairLimit) {
        return waitLeft(*pair, now);
    }
    if (Record* from = live(m_addresses, address, now);
        from && from->failures >= m_limits.addressLimit) {
        return waitLeft(*from, now);
    }
    for (auto* records : {&m_accounts, &m_addresses, &m_pairs}) {
        const std::string key = records == &m_accounts    ? accountKey(account)
                                : records == &m_addresses ? address
                                                          : pairKey(account, address);
        Record& record = (*records)[key];
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
    auto from = m_addresses.find(address);
    if (from != m_addresses.end() && --from->second.failures <= 0) {
        m_addresses.erase(from);
    }
}

std::chrono::milliseconds SignOnThrottle::failureDelay(const std::string& account,
                                                       const std::string& address) {
    std::lock_guard lock(m_mutex);
    int failures = 0;
    if (auto it = m_accounts.find(accountKey(account)); it != m_accounts.end()) {
        failures = it->second.failures;
    }
    if (auto it = m_addresses.find(address); it != m_addresses.end()) {
        // An address guessing across many accounts is slowed as one guessing one account, at
        // a tenth of the pace, so a few colleagues' typing errors behind one NAT cost nothing.
        failures = std::max(failures, it->second.failures / 10);
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

// With m_mutex held: forgets records past the window once there are many, and the oldest when
// a flood of names still leaves too many.
void SignOnThrottle::prune(Clock::time_point now) {
    for (auto* records : {&m_accounts, &m_addresses, &m_pairs}) {
        if (records->size() < m_limits.maxRecords) {
            continue;
        }
        std::erase_if(*records,
                      [&](const auto& item) { return now - item.second.last > m_limits.window; });
        while (records->size() >= m_limits.maxRecords) {
            auto oldest = std::min_element(
                records->begin(), records->end(),
                [](const auto& a, const auto& b) { return a.second.last < b.second.last; });
            records->erase(oldest);
        }
    }
}

}  // namespace basalt_host::serve
