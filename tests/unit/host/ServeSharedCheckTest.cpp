// The check behind /healthz, shared by the requests that ask for it close together.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <stdexcept>
#include <vector>

#include "SharedCheck.h"

namespace basalt_host::serve {
namespace {

using namespace std::chrono_literals;
using Clock = SharedCheck::Clock;

// Jobs are held until the test runs them, as a busy worker pool would.
struct HeldJobs {
    std::vector<std::function<void()>> jobs;
    std::function<void(std::function<void()>)> runner() {
        return [this](std::function<void()> job) { jobs.push_back(std::move(job)); };
    }
    void runAll() {
        auto now = std::move(jobs);
        jobs.clear();
        for (auto& job : now) {
            job();
        }
    }
};

TEST(SharedCheck, RequestsCloseTogetherShareOneCheckAndEachHearsOnce) {
    HeldJobs held;
    int checks = 0;
    bool healthy = true;
    SharedCheck check([&] { return ++checks, healthy; }, held.runner(), 1000ms);
    std::vector<int> heard;  // 1 healthy, 0 not, per answer

    // Asked while a check is on its way: no second one; all hear its outcome when it ends.
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < 5; ++i) {
        check.ask([&](bool ok) { heard.push_back(ok); }, start);
    }
    EXPECT_EQ(held.jobs.size(), 1u);
    EXPECT_TRUE(heard.empty());
    held.runAll();
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(heard, std::vector<int>(5, 1));

    // Within the second after it: answered at once, without a check.
    check.ask([&](bool ok) { heard.push_back(ok); }, Clock::now() + 500ms);
    EXPECT_EQ(heard.size(), 6u);
    EXPECT_TRUE(held.jobs.empty());

    // Later, the directory is asked again, and a failure is what the next ones hear.
    healthy = false;
    check.ask([&](bool ok) { heard.push_back(ok); }, Clock::now() + 2s);
    held.runAll();
    EXPECT_EQ(checks, 2);
    EXPECT_EQ(heard.back(), 0);
}

TEST(SharedCheck, ACheckThatThrowsIsAFailedOne) {
    HeldJobs held;
    int checks = 0;
    SharedCheck check(
        [&]() -> bool {
            ++checks;
            throw std::runtime_error("the library went away");
        },
        held.runner(), 1000ms);
    int heard = -1;
    check.ask([&](bool ok) { heard = ok; });
    held.runAll();
    EXPECT_EQ(heard, 0);
    // Not stuck "running": a later request starts a new check.
    check.ask([&](bool ok) { heard = ok; }, Clock::now() + 2s);
    held.runAll();
    EXPECT_EQ(checks, 2);
}

}  // namespace
}  // namespace basalt_host::serve
