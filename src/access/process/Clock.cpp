#include "Clock.h"

#include <atomic>
#include <cstdint>

namespace ridge::access {

namespace {

std::atomic<bool> g_pinned{false};
std::atomic<int64_t> g_pinnedAt{0};

}  // namespace

std::time_t wallClockNow() {
    if (g_pinned.load(std::memory_order_acquire))
        return static_cast<std::time_t>(g_pinnedAt.load(std::memory_order_relaxed));
    return std::time(nullptr);
}

void pinWallClock(std::optional<std::time_t> at) {
    if (at) {
        g_pinnedAt.store(static_cast<int64_t>(*at), std::memory_order_relaxed);
        g_pinned.store(true, std::memory_order_release);
    } else {
        g_pinned.store(false, std::memory_order_release);
    }
}

}  // namespace ridge::access
