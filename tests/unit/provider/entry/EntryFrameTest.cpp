// The handlers of the entry frame: result codes and exception documents for every kind of
// failure, and the alloc routine's use (the entries themselves: tests/abi/provider).
#include "common/ProviderErrors.h"
#include "common/ProviderMessages.h"
#include "entry/EntryFrame.h"

#include <PYXThrowable.h>
#include <VOR_AAA_Exception.h>
#include <VOR_AAA_OMException.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

void* CountingAlloc(uint32_t size) {
    return std::malloc(size);
}

void* RefusingAlloc(uint32_t) {
    return nullptr;
}

int32_t RunEntry(const std::function<int32_t()>& work, char** exception,
                 VOR_AAA_AllocRoutine alloc = CountingAlloc, const char* info = nullptr) {
    EntryContext context{"BasaltConfigure", info, exception, alloc, {}};
    return RunLifecycleEntry(context, work);
}

std::string TakeText(char*& text) {
    std::string copy = text != nullptr ? text : "";
    std::free(text);
    text = nullptr;
    return copy;
}

}  // namespace

TEST(EntryFrame, NegativeCodesPassThroughOthersBecomeGeneralFailure) {
    char* exception = nullptr;
    EXPECT_EQ(RunEntry([]() -> int32_t { PYX_THROW(PYXException(-30)); }, &exception), -30);
    EXPECT_NE(
        TakeText(exception).find("<errorCode xsi:type=\"xsd:string\" xml:space=\"preserve\">-30"),
        std::string::npos);
    for (int32_t code : {5, 0}) {
        EXPECT_EQ(RunEntry([&]() -> int32_t { PYX_THROW(PYXException(code)); }, &exception), -48);
        TakeText(exception);
    }
    EXPECT_EQ(RunEntry([] { return 0; }, &exception), 0);
    EXPECT_EQ(exception, nullptr);
    // Without memory from the host only the code reports the failure.
    EXPECT_EQ(
        RunEntry([]() -> int32_t { PYX_THROW(PYXException(-30)); }, &exception, RefusingAlloc),
        -30);
    EXPECT_EQ(exception, nullptr);
}

TEST(EntryFrame, OtherFailuresNameTheEntryAndTheirBackTrace) {
    char* exception = nullptr;
    EXPECT_EQ(RunEntry([]() -> int32_t { PYX_ASSERT(1 == 2); }, &exception), -48);
    const std::string text = TakeText(exception);
    EXPECT_NE(text.find("BasaltConfigure"), std::string::npos) << text;
    EXPECT_NE(text.find("PYX_ASSERT(1 == 2);"), std::string::npos) << text;
    EXPECT_NE(text.find("<nestingLevel xsi:type=\"xsd:integer\">1</nestingLevel>"),
              std::string::npos);
    EXPECT_NE(text.find("EntryFrameTest.cpp"), std::string::npos) << text;  // back trace

    EXPECT_EQ(RunEntry([]() -> int32_t { throw 42; }, &exception), -48);
    const std::string unknown = TakeText(exception);
    EXPECT_NE(unknown.find(ProviderMessage(kMsgUnknownFailure).render("en").utf8()),
              std::string::npos)
        << unknown;
}

// Terminate checks no argument (tests/abi): a failing teardown still reports its own code, in a
// document that stands alone.
TEST(EntryFrame, AFailingTerminateReportsTheTeardownsFailure) {
    char* exception = nullptr;
    EntryContext failing{"BasaltTerminate",
                         "<additionalInfo><oops></additionalInfo>",
                         &exception,
                         CountingAlloc,
                         {},
                         true};
    EXPECT_EQ(RunLifecycleEntry(failing,
                                []() -> int32_t { PYX_THROW(VOR_AAA_Exception(-1), "teardown"); }),
              -1);
    const std::string text = TakeText(exception);
    VOR_AAA_OMException document;
    document.Load(text.data(), text.size());
    EXPECT_EQ(document.GetErrorCode(), -1) << text;
}
