// One check for a document failure: the call throws an exception of the code whose messages,
// from the first, are exactly the catalogue messages named (kMsg... names).
#pragma once

#include "VOR_AAA_Exception.h"
#include "VOR_AAA_Messages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace documents_test {

using namespace VOR_AAA_Messages;

// The exception thrown, for further checks of its parameters; none (and a test failure) when
// the call returned or threw something else.
template <typename Exception = VOR_AAA_Exception, typename Call>
std::optional<Exception> ExpectFailure(int32_t code, const std::vector<uint32_t>& messages,
                                       Call&& call) {
    try {
        call();
    } catch (Exception& e) {
        EXPECT_EQ(e.getErrorCode(), code);
        EXPECT_EQ(e.getMessageCount(), messages.size());
        for (size_t i = 0; i < messages.size() && i < e.getMessageCount(); ++i) {
            EXPECT_EQ(e.getMessageN(i).getNumber(), messages[i]) << "message " << i;
        }
        return e;
    }
    ADD_FAILURE() << "no failure with code " << code;
    return std::nullopt;
}

// The text of parameter index of message n.
inline I18NString Parameter(const VOR_AAA_Exception& e, size_t n, size_t index = 0) {
    return e.getMessageN(n).getComponents().getParm(index).toText();
}

}  // namespace documents_test
