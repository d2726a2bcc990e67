// The handlers of the entry frame: result codes and exception documents for every kind of
// failure, and the alloc routine's use.
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
    EXPECT_EQ(RunEntry([]() -> int32_t { PYX_THROW(PYXException(5)); }, &exception), -48);
    TakeText(exception);
    EXPECT_EQ(RunEntry([]() -> int32_t { PYX_THROW(PYXException(0)); }, &exception), -48);
    TakeText(exception);
    EXPECT_EQ(
        RunEntry(
            []() -> int32_t {
                PYX_THROW(ProviderError(-34, {ProviderMessage(kMsgMissingParameter, {"a", "b"})}));
            },
            &exception),
        -34);
    const std::string text = TakeText(exception);
    EXPECT_NE(text.find("lacks the mandatory parameter"), std::string::npos) << text;
    EXPECT_EQ(RunEntry([] { return 0; }, &exception), 0);
    EXPECT_EQ(exception, nullptr);
}

TEST(EntryFrame, OtherThrowablesNameTheEntryAndTheirBackTrace) {
    char* exception = nullptr;
    EXPECT_EQ(RunEntry([]() -> int32_t { PYX_ASSERT(1 == 2); }, &exception), -48);
    const std::string text = TakeText(exception);
    EXPECT_NE(text.find("BasaltConfigure"), std::string::npos) << text;
    EXPECT_NE(text.find("PYX_ASSERT(1 == 2);"), std::string::npos) << text;
    EXPECT_NE(text.find("<nestingLevel xsi:type=\"xsd:integer\">1</nestingLevel>"),
              std::string::npos);
    EXPECT_NE(text.find("EntryFrameTest.cpp"), std::string::npos) << text;  // back trace
}

TEST(EntryFrame, AnythingElseIsAnUnknownFailure) {
    char* exception = nullptr;
    EXPECT_EQ(RunEntry([]() -> int32_t { throw 42; }, &exception), -48);
    const std::string text = TakeText(exception);
    EXPECT_NE(text.find("An unknown error occurred."), std::string::npos) << text;
}

TEST(EntryFrame, WithoutMemoryFromTheHostOnlyTheCodeReportsTheFailure) {
    char* exception = nullptr;
    EXPECT_EQ(
        RunEntry([]() -> int32_t { PYX_THROW(PYXException(-30)); }, &exception, RefusingAlloc),
        -30);
    EXPECT_EQ(exception, nullptr);
}

TEST(EntryFrame, UnreadableAdditionalInformationIsReported) {
    char* exception = nullptr;
    bool ran = false;
    const int32_t code = RunEntry(
        [&] {
            ran = true;
            return 0;
        },
        &exception, CountingAlloc, "<additionalInfo><oops></additionalInfo>");
    EXPECT_FALSE(ran);
    EXPECT_EQ(code, -19);
    EXPECT_FALSE(TakeText(exception).empty());
}

// Terminate checks no argument: unreadable additional information does not stop the teardown,
// and the result is the teardown's own, with a document only when the teardown failed.
TEST(EntryFrame, TerminateTearsDownEvenWithUnreadableAdditionalInformation) {
    char* exception = nullptr;
    bool ran = false;
    EntryContext context{"BasaltTerminate",
                         "<additionalInfo><oops></additionalInfo>",
                         &exception,
                         CountingAlloc,
                         {},
                         true};
    EXPECT_EQ(RunLifecycleEntry(context,
                                [&] {
                                    ran = true;
                                    return 0;
                                }),
              0);
    EXPECT_TRUE(ran);
    EXPECT_EQ(exception, nullptr);

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
    // The document stands alone: a namespace-aware reader needs its prefixes declared.
    VOR_AAA_OMException document;
    document.Load(text.data(), text.size());
    EXPECT_EQ(document.GetErrorCode(), -1) << text;
}
