// The text of a traced call: a password is masked, and no value can break out of its section.
#include "audit/TraceIndication.h"

#include <gtest/gtest.h>

// A traced call is one function element: its parameters, then its return value.
TEST(TraceIndication, ParametersThenTheReturnValue) {
    VOR_AAA_IPF_ProviderTraceIndication end("AS_AuthenticateUser2");
    end.AddParameter("AUTH_ID", int64_t{4000000000});
    end.AddParameter("Password", kTracePasswordMask);
    end.SetReturnValue(int64_t{-3});
    EXPECT_EQ(end.Finish(),
              "<function name=\"AS_AuthenticateUser2\"><parameters>"
              "<item name=\"AUTH_ID\"><![CDATA[4000000000]]></item>"
              "<item name=\"Password\"><![CDATA[*****]]></item></parameters>"
              "<returnvalue><![CDATA[-3]]></returnvalue></function>");
}

TEST(TraceIndication, AValueCannotEndItsSectionEarly) {
    VOR_AAA_IPF_ProviderTraceIndication t("F");
    t.AddParameter("p", "a]]>b");
    EXPECT_EQ(t.Finish(),
              "<function name=\"F\"><parameters><item name=\"p\"><![CDATA[a]]]]><![CDATA[>b]]>"
              "</item></parameters></function>");
}
