#pragma once
// Slows password guessing at the gateway. Every sign-on attempt counts as a failure for its
// account, for its client address and for the two together until it succeeds. Failed answers
// are delayed more and more; past a limit an account is refused from that address for a while
// (429), and an address that fails for very many accounts is refused too. A correct sign-on is
// never delayed, so users sharing an address behind a proxy or NAT are not slowed by a guesser
// among them, and no single client can lock an account out for everyone else.

#include <chrono>
#include <cstddef>
#include <list>
#include <map>
#include <mutex>
#include <string>

namespace basalt_host::serve {

struct ThrottleLimits {
    int freeFailures = 3;              // failures answered at once
    int pairLimit = 10;                // failures of one account from one address before 429
    int addressLimit = 100;            // failures from one address, any account, before 429
    std::chrono::seconds window{600};  // a record is forgotten this long after its last failure
    std::chrono::milliseconds firstDelay{500};  // doubled with each further failure
    std::chrono::milliseconds maxDelay{8000};
    std::size_t maxRecords = 100000;  // beyond it the oldest records are forgotten
};

class SignOnThrottle {
public:
    using Clock = std::chrono::steady_clock;

    explicit SignOnThrottle(ThrottleLimits limits = {});

    // Before an attempt: zero when it may go on (it is then counted as failed until
    // succeeded()), else how long the client must wait.
    std::chrono::seconds begin(const std::string& account, const std::string& address,
                               Clock::time_point now = Clock::now());
    // The attempt signed on: its account's records are cleared.
    void succeeded(const std::string& account, const std::string& address);
    // How long to hold back the answer to a failed attempt.
    std::chrono::milliseconds failureDelay(const std::string& account, const std::string& address);

private:
    struct Record {
        int failures = 0;
        Clock::time_point last;
    };
    // Records of one kind by key, in the order of their last failure, so that the oldest are
    // forgotten first without looking at the others: a flood of new names costs the same
    // whether the records are few or full.
    class Records {
    public:
        Record* find(const std::string& key);
        // The key's record, made if new, from now on the newest.
        Record& touch(const std::string& key);
        void erase(const std::string& key);
        // Forgets the records past the window, and the oldest beyond limit.
        void prune(Clock::time_point now, Clock::duration window, std::size_t limit);

    private:
        using Order = std::list<std::string>;  // the oldest first
        struct Entry {
            Record record;
            Order::iterator place;
        };
        // Ordered, not hashed: the keys are names and addresses anyone may send, and a flood of
        // names made to collide in a hash would make every lookup a scan.
        std::map<std::string, Entry> m_entries;
        Order m_order;
    };

    Record* live(Records& records, const std::string& key, Clock::time_point now);
    std::chrono::seconds waitLeft(const Record& record, Clock::time_point now) const;

    ThrottleLimits m_limits;
    std::mutex m_mutex;
    Records m_accounts;
    Records m_addresses;
    Records m_pairs;  // account, NUL, address
};

}  // namespace basalt_host::serve
