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

TEST(PYXThrowable, CloneAndRaiseKeepTheDynamicTypeAndTexts) {
    SampleProviderException original(-36);
    original.setErrorCodeString("vorAuthUserRecoverable");
    original.addMessage(PYXMessage("VOR_AAA", 2));
    const PYXThrowable& asBase = original;

    std::unique_ptr<PYXThrowable> copy(asBase.clone());
    auto* typed = dynamic_cast<SampleProviderException*>(copy.get());
    ASSERT_NE(typed, nullptr);
    EXPECT_EQ(typed->ownCode(), -36);
    EXPECT_EQ(typed->getErrorCodeString(), "vorAuthUserRecoverable");

    try {
        asBase.raise("src/x.cpp", 7, "X::raise");
    } catch (SampleProviderException& e) {
        EXPECT_EQ(e.getBackTraceLine(0), "src/x.cpp, 7, X::raise");
        EXPECT_EQ(original.getBackTraceCount(), 0u);  // raise throws a copy
    }

    PYXException withText(kPYXSeverityWarning, I18NString("disk almost full"));
    EXPECT_EQ(withText.getErrorCode(), 0);
    EXPECT_EQ(withText.getSeverity(), kPYXSeverityWarning);
    EXPECT_EQ(withText.renderMessageN(0, "fr"), I18NString("disk almost full"));
    EXPECT_STREQ(withText.what(), "disk almost full");
    // A number no catalogue holds renders in its fallback form.
    PYXException coded(-24, PYXMessage("VOR_AAA", 0x0ABCDEF1, {"ns1"}));
    EXPECT_EQ(coded.getSeverity(), kPYXSeverityError);
    EXPECT_EQ(coded.getText(), "[VOR_AAA 0x0ABCDEF1] ns1");
    EXPECT_STREQ(PYXException(-1).what(), "PYXException");
}

TEST(PYXThrowable, AssertionCarriesItsTextAndSite) {
    const bool m_bHandleAuthenticated = false;
    try {
        PYX_ASSERT(m_bHandleAuthenticated);
        FAIL() << "assertion passed";
    } catch (PYXException&) {
        FAIL() << "an assertion is not a PYXException";
    } catch (PYXAssertError& e) {
        EXPECT_EQ(e.getAssertion(), "PYX_ASSERT(m_bHandleAuthenticated);");
        EXPECT_STREQ(e.what(), "PYX_ASSERT(m_bHandleAuthenticated);");
        EXPECT_EQ(e.getSource(), "tests/unit/platform/PYXThrowableTest.cpp");
        EXPECT_GT(e.getLine(), 0);
        EXPECT_EQ(e.getSeverity(), kPYXSeverityFatal);
        ASSERT_EQ(e.getBackTraceCount(), 1u);
        EXPECT_EQ(e.getBackTrace()[0].function, "TestBody");
    }
    int theCryptoHandle = 3;
    EXPECT_NO_THROW(PYX_ASSERT(theCryptoHandle != 0));
}

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

    auto passed = convert([] { PYX_THROW(PYXException(-26), "inner"); });
    ASSERT_TRUE(passed);
    EXPECT_EQ(passed->getErrorCode(), -26);
    ASSERT_EQ(passed->getBackTraceCount(), 2u);
    EXPECT_EQ(passed->getBackTrace()[1].function, "Sample::convert");
}

}  // namespace
