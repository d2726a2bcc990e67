#pragma once
// Reading and writing the files named on the command line; failures become HostError naming
// the file and what it was for.

#include <string>

namespace basalt_host {

// "-" reads standard input.
std::string readFile(const std::string& path, const std::string& what);
void writeFile(const std::string& path, const std::string& content, const std::string& what);

// A visa file holds a visa document, or a whole authenticate response with one inside: the visa.
std::string readVisaFile(const std::string& path);

}  // namespace basalt_host
