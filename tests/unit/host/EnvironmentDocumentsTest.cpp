// The host's side of the trusted environment: reading the provider's request for environment
// variables and answering only what it can answer. (That the provider reads an answer back to
// the same values, separators in them included, is tested in tests/integration/signon.)
#include <gtest/gtest.h>

#include "EnvironmentDocuments.h"

namespace basalt_host {
namespace {

// Base64 of the plain texts below, as the provider writes its requests.
constexpr const char* kAsksForRemoteUser =
    "VHlwZT0xICwgUkVNT1RFX1VTRVI=";  // "Type=1 , REMOTE_USER"
constexpr const char* kAsksForTwo = "VHlwZT0xICwgQVVUSF9UWVBFICwgUkVNT1RFX1VTRVI=";
// "Type=1 , AUTH_TYPE , REMOTE_USER"

TEST(EnvironmentDocuments, RequestsAreReadAndOnlyWhatIsKnownIsAnswered) {
    EXPECT_EQ(requestedVariables(kAsksForTwo),
              (std::vector<std::string>{"AUTH_TYPE", "REMOTE_USER"}));
    // Not Base64, another version, no header: no request at all.
    EXPECT_FALSE(requestedVariables("not base64!").has_value());
    EXPECT_FALSE(requestedVariables("VHlwZT0yICwgUkVNT1RFX1VTRVI=").has_value());  // Type=2
    EXPECT_FALSE(requestedVariables("UkVNT1RFX1VTRVI=").has_value());              // "REMOTE_USER"

    // A variable the host has no value for: it does not answer with less than was asked.
    EXPECT_FALSE(answerEnvironmentRequest(kAsksForTwo, {{"REMOTE_USER", "ann"}}).has_value());
    EXPECT_FALSE(answerEnvironmentRequest(kAsksForRemoteUser, {{"REMOTE_USER", ""}}).has_value());
    EXPECT_FALSE(answerEnvironmentRequest("garbage", {{"REMOTE_USER", "ann"}}).has_value());
}

}  // namespace
}  // namespace basalt_host
