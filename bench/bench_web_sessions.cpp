// The gateway's session store at the sizes an open network brings: a request without a cookie
// makes an anonymous session, and once the anonymous sessions are at their cap each new one
// pushes out the one unused longest. Measured with the store below its cap and at it (10,000
// anonymous sessions, the default cap, beside 10,000 signed-on ones), and a returning
// browser's lookup: each should cost the same whatever the store holds, since every one is
// made on the gateway's only network thread under the store's lock. Likewise the sign-on
// throttle's records of failed attempts, which a flood of new names and addresses fills: every
// sign-on attempt passes through them under one lock.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

#include "SignOnThrottle.h"
#include "WebSessions.h"

namespace {

using basalt_host::serve::SessionStore;
using namespace std::chrono_literals;

constexpr std::size_t kCap = 10000;

// A store holding signedOn signed-on sessions and anonymous anonymous ones; their identifiers.
std::vector<std::string> fill(SessionStore& store, std::size_t signedOn, std::size_t anonymous) {
    std::vector<std::string> ids;
    for (std::size_t i = 0; i < signedOn; ++i) {
        SessionStore::Found found = store.findOrCreate("");
        found.slot->session.visa = "<visa/>";
        ids.push_back(store.renew(found.id, *found.slot));
    }
    for (std::size_t i = 0; i < anonymous; ++i) {
        ids.push_back(store.findOrCreate("").id);
    }
    return ids;
}

// A new anonymous session; the store holds state.range(0) anonymous ones (kCap: at its cap).
void BM_NewAnonymousSession(benchmark::State& state) {
    SessionStore store(30min, kCap);
    fill(store, kCap, static_cast<std::size_t>(state.range(0)));
    std::size_t made = 0;
    for (auto _ : state) {
        SessionStore::Found found = store.findOrCreate("");
        benchmark::DoNotOptimize(found.slot.get());
        // Below the cap the store would grow with every round: the new one goes again.
        if (static_cast<std::size_t>(state.range(0)) < kCap) {
            store.remove(found.id);
        }
        ++made;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(made));
}
BENCHMARK(BM_NewAnonymousSession)->Arg(100)->Arg(kCap)->Unit(benchmark::kMicrosecond);

// A returning browser: its session found among 10,000 signed-on and 10,000 anonymous ones.
void BM_ReturningSession(benchmark::State& state) {
    SessionStore store(30min, kCap);
    std::vector<std::string> ids = fill(store, kCap, kCap);
    std::size_t next = 0;
    for (auto _ : state) {
        SessionStore::Found found = store.findOrCreate(ids[next]);
        benchmark::DoNotOptimize(found.slot.get());
        next = (next + 7919) % ids.size();
    }
}
BENCHMARK(BM_ReturningSession)->Unit(benchmark::kMicrosecond);

// A sign-on attempt when the guessing records are full (100,000 accounts and addresses, the
// default limit): an attempt with a name never seen before, from an address never seen before.
void BM_SignOnAttemptWithRecordsFull(benchmark::State& state) {
    basalt_host::serve::ThrottleLimits limits;
    basalt_host::serve::SignOnThrottle throttle(limits);
    auto now = basalt_host::serve::SignOnThrottle::Clock::now();
    std::size_t next = 0;
    auto attempt = [&] {
        const std::string name = "guess" + std::to_string(next);
        const std::string address = "2001:db8::" + std::to_string(next++);
        now += std::chrono::microseconds(10);
        return throttle.begin(name, address, now);
    };
    for (std::size_t i = 0; i < limits.maxRecords; ++i) {
        attempt();
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(attempt());
    }
}
BENCHMARK(BM_SignOnAttemptWithRecordsFull)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
