// The steps of AS_CheckConfiguration beyond "a valid configuration is in force": each level adds
// one step, so that a caller asking level by level learns which step fails.
//   2  the server answers at host and port (with replicas: the first of the list that does),
//      with TLS when the configuration turns it on
//   3  the service identity of access.conf binds (anonymous when none is configured)
//   4  the base DN is an entry the service identity can read
//   5  the configuration's default namespace is a ridgeNamespace entry below the base DN
//   6  (after step 3 only) the server's schema defines the Ridge object classes and the
//      attributes they must carry
#pragma once

#include <cstdint>

#include "RuntimeConfig.h"

namespace ridge::access {

inline constexpr int32_t kHighestCheckLevel = 6;

// Throws AccessError for the first step up to level that fails: the step's own status (-108,
// -16, -3, -61, -63, -15, ...), -68 with reason "base" for a missing base DN, -61 with reason
// "schema" naming the missing schema elements.
void checkConfiguration(const RuntimeConfig& cfg, int32_t level);

}  // namespace ridge::access
