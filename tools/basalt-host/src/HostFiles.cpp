#include "HostFiles.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "HostError.h"

namespace basalt_host {

std::string readFile(const std::string& path, const std::string& what) {
    if (path == "-") {
        return std::string(std::istreambuf_iterator<char>(std::cin), {});
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw HostError("cannot read the " + what + " '" + path + "': " + std::strerror(errno));
    }
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) {
        throw HostError("cannot read the " + what + " '" + path + "'");
    }
    return content.str();
}

void writeFile(const std::string& path, const std::string& content, const std::string& what) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    out.close();
    if (!out) {
        throw HostError("cannot write the " + what + " '" + path + "': " + std::strerror(errno));
    }
}

}  // namespace basalt_host
