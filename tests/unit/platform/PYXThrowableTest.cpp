#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "PYXThrowable.h"

namespace {

// A caller's exception class, as the object model derives its own.
class SampleProviderException : public PYXException {
    PYX_THROWABLE_CLASS(SampleProviderException)
public:
    explicit SampleProviderException(int32_t code) : PYXException(code), m_ownCode(code) {}
    int32_t ownCode() const { return m_ownCode; }

private:
    int32_t m_ownCode;
};

int g_throwLine = 0;
int g_rethrowLine = 0;

void innermost() {
    SampleProviderException failure(-19);
    failure.addMessage(PYXMessage("VOR_AAA", 1, {-61, "AS_Init"}));
    g_throwLine = __LINE__ + 1;
    PYX_THROW(failure, "Sample::innermost");
}

void middle() {
    try {
        innermost();
    } catch (PYXThrowable& e) {
        g_rethrowLine = __LINE__ + 1;
        PYX_RETHROW(e);
    }
}

void outer() {
    try {
        middle();
    } catch (PYXThrowable& e) {
        PYX_RETHROW(e, "Sample::outer");
    }
}

TEST(PYXThrowable, BackTraceGrowsThroughRethrowsAndKeepsTheType) {
    try {
        outer();
        FAIL() << "nothing thrown";
    } catch (SampleProviderException& e) {
        EXPECT_EQ(e.ownCode(), -19);
        EXPECT_EQ(e.getErrorCode(), -19);
        ASSERT_EQ(e.getBackTraceCount(), 3u);
        const std::string source = "tests/unit/platform/PYXThrowableTest.cpp";
        EXPECT_EQ(e.getBackTrace()[0],
                  (PYXBackTraceEntry{source, g_throwLine, "Sample::innermost"}));
        EXPECT_EQ(e.getBackTrace()[1], (PYXBackTraceEntry{source, g_rethrowLine, "middle"}));
        EXPECT_EQ(e.getBackTrace()[2].function, "Sample::outer");
        EXPECT_EQ(e.getBackTraceLine(0),
                  source + ", " + std::to_string(g_throwLine) + ", Sample::innermost");
        EXPECT_EQ(e.getMessageCount(), 1u);
        EXPECT_STREQ(e.className(), "SampleProviderException");
    }
}

// An assertion's text and site in the entry's exception document: tests/unit/provider,
// EntryFrameTest.
TEST(PYXThrowable, StandardFailuresAreConverted) {
    auto convert = [](auto&& body) -> std::unique_ptr<PYXThrowable> {
        try {
            try {
                body();
            }
            PYX_CATCH_AND_RETHROW("Sample::convert")
        } catch (PYXThrowable& e) {
            return std::unique_ptr<PYXThrowable>(e.clone());
        }
        return nullptr;
    };
    auto oom = convert([] { throw std::bad_alloc(); });
    ASSERT_TRUE(oom);
    EXPECT_STREQ(oom->className(), "PYXOutOfMemoryError");
    EXPECT_EQ(oom->getBackTrace().at(0).function, "Sample::convert");

    auto wrapped = convert([] { throw std::out_of_range("index 9"); });
    ASSERT_TRUE(wrapped);
    auto* std = dynamic_cast<PYXStdExceptionError*>(wrapped.get());
    ASSERT_NE(std, nullptr);
    EXPECT_EQ(std->getOriginalWhat(), "index 9");
    EXPECT_NE(std->getText().find("index 9"), std::string::npos);
}

}  // namespace
