// The session registry under real threads: check-out while another session is busy, merging a
// session registered twice, removal while others wait.
#include "namespace/NamespaceBase.h"
#include "session/SessionCheckout.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

std::atomic<int> g_destroyed{0};

class TestSession : public SessionBase {
public:
    explicit TestSession(const char* id, int value = 0) : SessionBase(id), m_value(value) {}
    ~TestSession() override { ++g_destroyed; }
    void UpdateFrom(SessionBase& other) override {
        m_value = static_cast<TestSession&>(other).m_value;
    }
    int m_value;
};

// Returns once `count` requests wait for the session: the order of threads comes from the
// registry's own state, not from sleeping, so the races are exercised on a loaded machine too.
// The event wakes its longest waiter first (the C library's condition variable serves earlier
// waiters first), which the removal test relies on.
void waitForWaiters(const NamespaceBase& ns, const char* id, std::size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (ns.GetWaiterCount(id) != count) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "no request came to wait";
        std::this_thread::yield();
    }
}

class SessionRegistry : public ::testing::Test {
protected:
    void SetUp() override { g_destroyed = 0; }
    NamespaceBase ns{"ns1", ""};
};

// Two requests on one session taking turns, and a second registration joining a busy session:
// tests/integration/provider (SearchTest). Here, what threads cannot be made to show there, on
// one identifier through the registry's index: a registration merged into the session in use,
// a removal that a waiting request sees, and the identifier added again after it.
TEST_F(SessionRegistry, MergeRemovalWhileWaitingAndAddingAgain) {
    ns.AddSession(std::make_unique<TestSession>("s1", 1));
    ns.AddSession(std::make_unique<TestSession>("free"));
    uint32_t key = 0;
    auto* registered = static_cast<TestSession*>(ns.CheckOut("s1", key));
    ASSERT_NE(registered, nullptr);

    std::thread adder([&] { ns.AddSession(std::make_unique<TestSession>("s1", 2)); });
    waitForWaiters(ns, "s1", 1);
    // The waiter does not hold the registry while it waits.
    uint32_t freeKey = 0;
    EXPECT_NE(ns.CheckOut("free", freeKey), nullptr);
    ns.CheckIn("free");
    ns.CheckIn("s1");
    adder.join();
    EXPECT_EQ(ns.GetSessionCount(), 2u);
    EXPECT_EQ(g_destroyed, 1);  // the newcomer, not the registered object
    EXPECT_EQ(ns.CheckOut("s1", key), registered);
    EXPECT_EQ(registered->m_value, 2);  // state taken over
    ns.CheckIn("s1");
    // Registered twice: the first removal leaves it.
    EXPECT_TRUE(ns.RemoveSession("s1"));
    ASSERT_EQ(ns.CheckOut("s1", key), registered);

    // The second removal queues for the session first, a request after it.
    std::atomic<bool> removed{false};
    std::thread remover([&] { removed = ns.RemoveSession("s1"); });
    waitForWaiters(ns, "s1", 1);
    std::atomic<bool> waiterDone{false};
    SessionBase* waited = reinterpret_cast<SessionBase*>(1);
    uint32_t waitedKey = 99;
    std::thread waiter([&] {
        waited = ns.CheckOut("s1", waitedKey);
        waiterDone = true;
        if (waited != nullptr) {
            ns.CheckIn("s1");  // lets the removal finish so that the failure is reported
        }
    });
    waitForWaiters(ns, "s1", 2);
    EXPECT_FALSE(waiterDone);
    ns.CheckIn("s1");
    remover.join();
    waiter.join();
    EXPECT_TRUE(removed);
    // Which of the two the event wakes first is its own choice: either the removal marks the
    // session deleted and the request gets nothing, or the request is served before the removal.
    EXPECT_EQ(waited == nullptr, waitedKey == 0u);
    EXPECT_EQ(ns.GetSessionCount(), 1u);
    EXPECT_EQ(g_destroyed, 2);
    EXPECT_FALSE(ns.RemoveSession("s1"));

    ns.AddSession(std::make_unique<TestSession>("s1", 3));
    auto* again = static_cast<TestSession*>(ns.CheckOut("s1", key));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->m_value, 3);
    ns.CheckIn("s1");
}

TEST_F(SessionRegistry, UpdateOfAnOwnedSessionNeedsTheCurrentKey) {
    ns.AddSession(std::make_unique<TestSession>("s1", 1));
    uint32_t key = 0;
    auto* session = static_cast<TestSession*>(ns.CheckOut("s1", key));
    EXPECT_FALSE(ns.UpdateOwnedSesssion(session, std::make_unique<TestSession>("x", 5), key + 1));
    EXPECT_EQ(session->m_value, 1);
    EXPECT_TRUE(ns.UpdateOwnedSesssion(session, std::make_unique<TestSession>("x", 7), key));
    EXPECT_EQ(session->m_value, 7);
    ns.CheckIn("s1");
    // Not owned any more: refused.
    EXPECT_FALSE(ns.UpdateOwnedSesssion(session, std::make_unique<TestSession>("x", 9), key));
}

}  // namespace
