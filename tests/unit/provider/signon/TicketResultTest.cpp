// The ticket-validation result: which elements and attributes count, and how the result reader
// turns them into a session identity.
#include "BasaltParseTicket.h"
#include "VOR_AAA_Exception.h"

#include <gtest/gtest.h>

#include <string>

namespace {

bool read(const std::string& text, BasaltTicketIdentity& identity) {
    return BasaltParseTicketResult(text.data(), text.size(), identity);
}

TEST(TicketResult, CompleteResultInAnyOrder) {
    BasaltTicketIdentity identity;
    ASSERT_TRUE(
        read("<result><uc name=\"Staff\" id=\"12\" extra=\"x\"/><ignored/>"
             "<user id=\"4000000000\" name=\"ann\"><deep/></user><ticket id=\"T1\"/>"
             "</result>",
             identity));
    EXPECT_EQ(identity.ticketId, I18NString("T1"));
    EXPECT_EQ(identity.userName, I18NString("ann"));
    EXPECT_EQ(identity.userId, 4000000000u);
    EXPECT_EQ(identity.userClassId, 12u);
    EXPECT_TRUE(identity.hasUserClass);
}

TEST(TicketResult, AllUserClassesMeansNoClassWhateverTheId) {
    BasaltTicketIdentity identity;
    ASSERT_TRUE(
        read("<result><ticket id=\"T\"/><user id=\"7\" name=\"u\"/>"
             "<uc id=\"99\" name=\"All User Classes\"/></result>",
             identity));
    EXPECT_EQ(identity.userClassId, 0u);
    EXPECT_FALSE(identity.hasUserClass);
}

TEST(TicketResult, IncompleteOrMalformedResultsFail) {
    BasaltTicketIdentity identity;
    for (const char* incomplete :
         {"<result><user id=\"7\" name=\"u\"/><uc id=\"1\" name=\"c\"/></result>",
          "<result><ticket id=\"T\"/><user id=\"7\" name=\"\"/><uc id=\"1\" name=\"c\"/></result>",
          "<other><ticket id=\"T\"/></other>"}) {
        EXPECT_FALSE(read(incomplete, identity)) << incomplete;
    }
    EXPECT_THROW(read("<result><ticket id=\"T\"></result>", identity), VOR_AAA_Exception);
}

}  // namespace
