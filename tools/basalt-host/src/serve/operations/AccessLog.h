#pragma once
// One JSON line per answered request, on standard output: when, from where, what, how it
// ended and how long it took. Never the query or the body (they may hold what users typed).

#include <chrono>
#include <ostream>
#include <string>
#include <string_view>

namespace basalt_host::serve {

struct AccessRecord {
    std::string client;
    std::string method;  // "-" for a request refused before its header was read whole
    std::string path;
    int status = 0;
    std::size_t bytes = 0;
    std::chrono::steady_clock::duration took{};
};

// The record as one line of JSON (with its newline); every string escaped.
std::string accessLogLine(const AccessRecord& record, std::chrono::system_clock::time_point at =
                                                          std::chrono::system_clock::now());

// Adds the line to the log; lines go to standard output whole, a few kilobytes at a time, so a
// busy gateway makes one write for many requests rather than one each.
void writeAccessLog(const AccessRecord& record);

// Writes the lines not written yet (called every second, and when the gateway stops).
void flushAccessLog();

}  // namespace basalt_host::serve
