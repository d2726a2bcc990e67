// Deadlines of the requests waiting for the provider: told once when late, never when answered.
#include <gtest/gtest.h>

#include <atomic>
#include <boost/asio/io_context.hpp>
#include <chrono>
#include <memory>
#include <vector>

#include "RequestDeadlines.h"

namespace basalt_host::serve {
namespace {

using namespace std::chrono_literals;

struct Request : RequestDeadlines::Watched {
    std::atomic<int> expired{0};
    void expire() override { ++expired; }
};

TEST(RequestDeadlines, OnlyRequestsStillUnansweredAtTheirDeadlineAreTold) {
    boost::asio::io_context timers;
    RequestDeadlines deadlines(timers, 100ms);
    std::vector<std::shared_ptr<Request>> answered, late;
    for (int i = 0; i < 1000; ++i) {
        auto request = std::make_shared<Request>();
        deadlines.watch(request);
        // Most are answered in time; the request objects live on (a delayed answer, a
        // connection still holding them) and must not be told anything.
        if (i % 100 == 0) {
            late.push_back(request);
        } else {
            deadlines.answered(*request);
            answered.push_back(request);
        }
    }
    deadlines.answered(*answered.front());  // a second time changes nothing
    timers.run_for(400ms);
    for (const auto& request : late) {
        EXPECT_EQ(request->expired, 1);
    }
    for (const auto& request : answered) {
        EXPECT_EQ(request->expired, 0);
    }
    // Answered after its deadline passed: nothing more happens.
    deadlines.answered(*late.front());
    EXPECT_EQ(late.front()->expired, 1);
}

}  // namespace
}  // namespace basalt_host::serve
