#include "HostFiles.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>

#include "HostError.h"
#include "XmlTree.h"

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

std::string readVisaFile(const std::string& path) {
    std::string text = readFile(path, "visa file");
    std::unique_ptr<XmlElement> root = parseXml(text, "visa file '" + path + "'");
    if (root->localName == "visa") {
        return text;
    }
    if (const XmlElement* visa = root->find("visa")) {
        return serializeXml(*visa);
    }
    throw HostError("the visa file '" + path + "' holds no visa element");
}

}  // namespace basalt_host
