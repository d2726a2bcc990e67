// Password verifiers for offline sign-on: Argon2id, so that a stolen cache costs an attacker
// the configured memory and time per guess.
#pragma once

#include <string>

namespace ridge::access {

struct VerifierCost {
    unsigned time = 2;  // passes
    unsigned memoryKib = 19456;
    unsigned parallelism = 1;
};

// The encoded verifier ("$argon2id$v=19$m=...,t=...,p=...$salt$hash"), with a fresh salt.
std::string makeVerifier(const std::string& password, const VerifierCost& cost);
// True when password matches the verifier (false for a malformed one).
bool verifierMatches(const std::string& verifier, const std::string& password);

}  // namespace ridge::access
