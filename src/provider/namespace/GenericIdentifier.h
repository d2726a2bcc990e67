// Comparison of two directory distinguished names, RDN by RDN, ignoring case and the blanks
// and quotes around values.
#pragma once

#include <string>

bool DirectoryDNsEqual(const std::string& dn, const std::string& otherDN);
