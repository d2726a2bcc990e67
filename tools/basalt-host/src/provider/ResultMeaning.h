#pragma once
// What a result code means for the entry that returned it. The same code says different things
// from different entries (-1 from BasaltConfigure covers every directory-library failure while
// the namespace is built; -38 from BasaltSetNamespaceVersion names an unknown namespace).

#include <cstdint>
#include <string>
#include <string_view>

namespace basalt_host {

// entry: the label of the call, starting with the entry's name ("BasaltConfigure of 'ns.xml'").
// The meaning is in the run's language (HostText.h); "" for a code the entry never returns.
std::string resultMeaning(int32_t code, std::string_view entry);

// "-34 (a mandatory configuration parameter is missing)", or the bare number when the meaning is
// not known.
std::string describeResult(int32_t code, std::string_view entry);

}  // namespace basalt_host
