// The wall clock the ticket and certificate calls read, in seconds since the epoch. Tests that
// link the library statically pin it, so that the exact second a ticket expires can be examined
// without waiting for it.
#pragma once

#include <ctime>
#include <optional>

namespace ridge::access {

std::time_t wallClockNow();
// Pins the clock at `at` for the whole process; nullopt follows the system clock again.
void pinWallClock(std::optional<std::time_t> at);

}  // namespace ridge::access
