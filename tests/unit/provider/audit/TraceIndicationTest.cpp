// No value can break out of its section of a traced call (its layout and the masked password:
// tests/integration, SignOnSessions).
#include "audit/TraceIndication.h"

#include <gtest/gtest.h>

TEST(TraceIndication, AValueCannotEndItsSectionEarly) {
    VOR_AAA_IPF_ProviderTraceIndication t("F");
    t.AddParameter("p", "a]]>b");
    EXPECT_EQ(t.Finish(),
              "<function name=\"F\"><parameters><item name=\"p\"><![CDATA[a]]]]><![CDATA[>b]]>"
              "</item></parameters></function>");
}
