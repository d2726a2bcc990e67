// A file of the home directory the build ships, read whole for the tests (empty when missing).
#pragma once

#include <fstream>
#include <sstream>
#include <string>

inline std::string readHomeFile(const std::string& name) {
    std::ifstream in(std::string(ACCESS_TEST_SOURCE_HOME) + "/" + name);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}
