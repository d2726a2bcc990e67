// The listing calls (folder and class children, folder users, name searches, the namespace's
// root folder) the provider has made on the access library in this process so far.
#pragma once

#include <cstdint>

int ListingCalls();

// The requests for records ahead of their reads, and the most ids one of them held.
int PrefetchCalls();
uint32_t LargestPrefetchSoFar();
