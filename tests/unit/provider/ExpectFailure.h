// One check for a provider failure: the call throws a VOR_AAA_Exception of the code whose
// messages, from the first, are the catalogue messages named (kMsg... names).
#pragma once

#include "common/ProviderMessages.h"

#include <VOR_AAA_Exception.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace provider_test {

// The exception thrown, for further checks of its parameters; none (and a test failure) when
// the call returned or threw something else.
template <typename Call>
std::optional<VOR_AAA_Exception> ExpectFailure(int32_t code, const std::vector<uint32_t>& messages,
                                               Call&& call) {
    try {
        call();
    } catch (VOR_AAA_Exception& e) {
        EXPECT_EQ(e.getErrorCode(), code);
        EXPECT_GE(e.getMessageCount(), messages.size());
        for (std::size_t i = 0; i < messages.size() && i < e.getMessageCount(); ++i) {
            EXPECT_EQ(e.getMessageN(i).getNumber(), messages[i]) << "message " << i;
        }
        return e;
    }
    ADD_FAILURE() << "no failure with code " << code;
    return std::nullopt;
}

}  // namespace provider_test
