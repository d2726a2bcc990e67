#include <gtest/gtest.h>

#include "RuntimeConfig.h"

using ridge::access::parseRuntimeConfig;

namespace {

const std::string kText =
    "<TESSEL_CONFIGURATION_6.7.0><GENERATION>100</GENERATION><STORAGE_TYPE>2</STORAGE_TYPE>"
    "<DEFAULT_NAMESPACE>Ridge NS</DEFAULT_NAMESPACE><SSL_CERT_DB></SSL_CERT_DB>"
    "<SSL_ENABLED>false</SSL_ENABLED><LDAP><HOST>dir.example.test</HOST><PORT>389</PORT>"
    "<BASE_DN>o=Example & Co,c=FR</BASE_DN><TIMEOUT>-1</TIMEOUT></LDAP>"
    "</TESSEL_CONFIGURATION_6.7.0>";

std::string replaced(const std::string& from, const std::string& to) {
    std::string t = kText;
    t.replace(t.find(from), from.size(), to);
    return t;
}

TEST(RuntimeConfig, ParsesTheTextTheNamespaceWrites) {
    std::string error;
    auto cfg = parseRuntimeConfig(kText, &error);
    ASSERT_TRUE(cfg) << error;
    EXPECT_EQ("6.7.0", cfg->version);
    EXPECT_EQ(100, cfg->generation);
    EXPECT_EQ(2, cfg->storageType);
    EXPECT_EQ("Ridge NS", cfg->defaultNamespace);
    EXPECT_EQ("", cfg->sslCertDb);
    EXPECT_FALSE(cfg->sslEnabled);
    EXPECT_EQ("dir.example.test", cfg->host);
    EXPECT_EQ(389u, cfg->port);
    EXPECT_EQ("o=Example & Co,c=FR", cfg->baseDn);  // raw text, no entities
    EXPECT_EQ(-1, cfg->timeoutSeconds);
    EXPECT_EQ(30, cfg->effectiveTimeout());
    EXPECT_EQ("ldap://dir.example.test:389", cfg->url());
    // A length that counts the NUL is accepted.
    EXPECT_TRUE(parseRuntimeConfig(std::string_view(kText.c_str(), kText.size() + 1), nullptr));
}

TEST(RuntimeConfig, SslMeansLdapsOnAnyPortUnlessStartTlsIsChosen) {
    auto tls = parseRuntimeConfig(replaced("<SSL_ENABLED>false", "<SSL_ENABLED>true"), nullptr);
    ASSERT_TRUE(tls);
    EXPECT_TRUE(tls->useLdaps());
    EXPECT_EQ("ldaps://dir.example.test:389", tls->url());
    tls->startTls = true;  // access.conf's tls_mode = starttls
    EXPECT_FALSE(tls->useLdaps());
    EXPECT_EQ("ldap://dir.example.test:389", tls->url());
    auto v6 = parseRuntimeConfig(replaced("dir.example.test", "::1"), nullptr);
    ASSERT_TRUE(v6);
    EXPECT_EQ("ldap://[::1]:389", v6->url());
}

TEST(RuntimeConfig, RefusesMalformedText) {
    std::vector<std::string> bad = {
        "",
        kText.substr(0, kText.size() - 1),
        kText + "x",
        replaced("<TESSEL_CONFIGURATION_6.7.0>", "<CONFIGURATION>"),
        replaced("</TESSEL_CONFIGURATION_6.7.0>", "</TESSEL_CONFIGURATION_6.8.0>"),
        replaced("<GENERATION>100</GENERATION>", "<GENERATION>1x0</GENERATION>"),
        replaced("<GENERATION>100</GENERATION>",
                 "<GENERATION>100</GENERATION><GENERATION>4</GENERATION>"),
        replaced("<GENERATION>100</GENERATION>", "<UNKNOWN>1</UNKNOWN>"),
        replaced("<SSL_ENABLED>false", "<SSL_ENABLED>yes"),
        replaced("<HOST>dir.example.test</HOST>", ""),
        replaced("dir.example.test", "evil/host?x"),
        replaced("<PORT>389", "<PORT>65536"),
        replaced("o=Example & Co,c=FR", "not a dn"),
        replaced("<TIMEOUT>-1", "<TIMEOUT>-2"),
        replaced("<TIMEOUT>-1</TIMEOUT></LDAP>", "<TIMEOUT>-1</TIMEOUT><LDAP></LDAP></LDAP>"),
        replaced("Ridge NS", "Ridge<NS"),
        replaced("<LDAP>", ""),
    };
    // A replica that is not host and port.
    for (const char* replica : {"b.test", "b.test:x", ":389", "b test:1", "b.test:1:2"}) {
        bad.push_back(
            replaced("</TIMEOUT>", std::string("</TIMEOUT><REPLICAS>") + replica + "</REPLICAS>"));
    }
    for (const auto& text : bad) {
        std::string error;
        EXPECT_FALSE(parseRuntimeConfig(text, &error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(RuntimeConfig, OptionalElementsMayBeLeftOut) {
    auto cfg = parseRuntimeConfig(
        "<TESSEL_CONFIGURATION_1><LDAP><HOST>h</HOST><PORT>1</PORT><BASE_DN>dc=x</BASE_DN></LDAP>"
        "</TESSEL_CONFIGURATION_1>",
        nullptr);
    ASSERT_TRUE(cfg);
    EXPECT_EQ("", cfg->defaultNamespace);
    EXPECT_EQ(-1, cfg->timeoutSeconds);
    EXPECT_FALSE(parseRuntimeConfig("<TESSEL_CONFIGURATION_1></TESSEL_CONFIGURATION_1>", nullptr));
}

TEST(RuntimeConfig, ReplicasFollowThePrimaryInTheirOrder) {
    std::string error;
    auto cfg = parseRuntimeConfig(replaced("</TIMEOUT>",
                                           "</TIMEOUT><REPLICAS>b.test:390, c.test:391 [::1]:392,"
                                           "dir.example.test:389</REPLICAS>"),
                                  &error);
    ASSERT_TRUE(cfg) << error;
    auto servers = cfg->servers();
    ASSERT_EQ(4u, servers.size());  // the primary named again is not a second server
    EXPECT_EQ("dir.example.test:389", servers[0].text());
    EXPECT_EQ("b.test:390", servers[1].text());
    EXPECT_EQ("c.test:391", servers[2].text());
    EXPECT_EQ("[::1]:392", servers[3].text());
    EXPECT_EQ("ldap://[::1]:392", cfg->urlOf(servers[3]));
    cfg->sslEnabled = true;
    EXPECT_EQ("ldaps://b.test:390", cfg->urlOf(servers[1]));
    // Without REPLICAS, one server.
    EXPECT_EQ(1u, parseRuntimeConfig(kText, nullptr)->servers().size());
}

}  // namespace
