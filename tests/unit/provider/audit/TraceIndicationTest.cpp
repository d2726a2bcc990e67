// The text of a traced call, and its misuse.
#include "audit/TraceIndication.h"

#include <PYXThrowable.h>

#include <gtest/gtest.h>

TEST(TraceIndication, CallStartAndCallEndTexts) {
    VOR_AAA_IPF_ProviderTraceIndication start("AS_AuthenticateUser2");
    start.AddParameter("handle", int64_t{42});
    start.AddParameter("Namespace", "Sales");
    start.AddParameter("basicSignonName", "jdoe");
    start.AddParameter("Password", kTracePasswordMask);
    start.AddParameter("UserClass", "");
    start.AddParameter("Ticket", "");
    EXPECT_EQ(start.Finish(),
              "<function name=\"AS_AuthenticateUser2\"><parameters>"
              "<item name=\"handle\"><![CDATA[42]]></item>"
              "<item name=\"Namespace\"><![CDATA[Sales]]></item>"
              "<item name=\"basicSignonName\"><![CDATA[jdoe]]></item>"
              "<item name=\"Password\"><![CDATA[*****]]></item>"
              "<item name=\"UserClass\"><![CDATA[]]></item>"
              "<item name=\"Ticket\"><![CDATA[]]></item>"
              "</parameters></function>");

    VOR_AAA_IPF_ProviderTraceIndication end("AS_AuthenticateUser2");
    end.AddParameter("AUTH_ID", int64_t{4000000000});
    end.AddParameter("Ticket", "abc");
    end.SetReturnValue(int64_t{-3});
    EXPECT_EQ(end.Finish(),
              "<function name=\"AS_AuthenticateUser2\"><parameters>"
              "<item name=\"AUTH_ID\"><![CDATA[4000000000]]></item>"
              "<item name=\"Ticket\"><![CDATA[abc]]></item></parameters>"
              "<returnvalue><![CDATA[-3]]></returnvalue></function>");
}

TEST(TraceIndication, AValueCannotEndItsSectionEarly) {
    VOR_AAA_IPF_ProviderTraceIndication t("F");
    t.AddParameter("p", "a]]>b");
    EXPECT_EQ(t.Finish(),
              "<function name=\"F\"><parameters><item name=\"p\"><![CDATA[a]]]]><![CDATA[>b]]>"
              "</item></parameters></function>");
}

TEST(TraceIndication, AdditionsAfterClosingAreAssertions) {
    VOR_AAA_IPF_ProviderTraceIndication t("F");
    t.CloseParameters();
    EXPECT_THROW(t.AddParameter("late", "x"), PYXAssertError);
    t.Finish();
    EXPECT_THROW(t.SetReturnValue(int64_t{0}), PYXAssertError);
}
