#pragma once
// A failure of the host itself (bad input, unreadable file, unusable library), as opposed to a
// negative result code from the provider. Its message is meant for the person at the terminal.

#include <stdexcept>
#include <string>

namespace basalt_host {

class HostError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace basalt_host
