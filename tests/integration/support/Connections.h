// Counts what this process holds open, read from /proc: its descriptors, and its established
// TCP connections to a port (its socket descriptors matched with the kernel's tables).
#pragma once

#include <dirent.h>
#include <unistd.h>

#include <cstddef>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace ridge_test {

// Descriptors this process has open.
inline std::size_t openDescriptors() {
    std::size_t n = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (const dirent* e = readdir(dir))
            n += e->d_name[0] != '.';
        closedir(dir);
    }
    return n - 1;  // the directory's own
}

inline std::size_t connectionsTo(const std::string& port) {
    std::set<std::string> sockets;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (const dirent* e = readdir(dir)) {
            char target[64] = "";
            const std::string link = std::string("/proc/self/fd/") + e->d_name;
            const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
            const std::string t(target, n > 0 ? static_cast<std::size_t>(n) : 0);
            if (t.rfind("socket:[", 0) == 0)
                sockets.insert(t.substr(8, t.size() - 9));
        }
        closedir(dir);
    }
    std::size_t count = 0;
    for (const char* table : {"/proc/self/net/tcp", "/proc/self/net/tcp6"}) {
        std::ifstream in(table);
        std::string line;
        std::getline(in, line);  // header
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
            fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >>
                timeout >> inode;
            const unsigned long remotePort =
                std::stoul(remote.substr(remote.find(':') + 1), nullptr, 16);
            if (state == "01" && std::to_string(remotePort) == port && sockets.count(inode))
                ++count;
        }
    }
    return count;
}

}  // namespace ridge_test
