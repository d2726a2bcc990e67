// The runtime configuration text, the connection split (the port is read as a leading number)
// and which data encodings ask for the system encoding.
#include "namespace/GenericIdentifier.h"
#include "namespace/RuntimeConfiguration.h"

#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <fstream>

// The library parses the text (RuntimeConfigurationSwitchTest and every integration test):
// here, what it cannot tell, the values in their places.
TEST(RuntimeConfigurationText, WritesEachValueInItsPlaceRawAndWithoutWhiteSpace) {
    RuntimeConfigurationSettings s;
    s.directoryNamespace = "a<b&c";
    s.host = "h";
    s.port = 389;
    s.baseDN = "o=x";
    const std::string plain = BuildRuntimeConfigurationText(s);
    EXPECT_NE(plain.find("<DEFAULT_NAMESPACE>a<b&c</DEFAULT_NAMESPACE>"), std::string::npos);
    EXPECT_NE(plain.find("<SSL_CERT_DB></SSL_CERT_DB><SSL_ENABLED>false"), std::string::npos);
    EXPECT_NE(plain.find("<TIMEOUT>-1</TIMEOUT></LDAP>"), std::string::npos);  // unset
    EXPECT_EQ(plain.find(' '), std::string::npos);

    s.sslCertificateDatabase = "/etc/certs";
    s.sslEnabled = true;
    s.timeout = 30;
    s.replicas = "b:389,c:1389";
    const std::string text = BuildRuntimeConfigurationText(s);
    EXPECT_NE(text.find("<SSL_CERT_DB>/etc/certs</SSL_CERT_DB><SSL_ENABLED>true</SSL_ENABLED>"
                        "<LDAP><HOST>h</HOST><PORT>389</PORT><BASE_DN>o=x</BASE_DN>"
                        "<TIMEOUT>30</TIMEOUT><REPLICAS>b:389,c:1389</REPLICAS></LDAP>"),
              std::string::npos)
        << text;
}

TEST(ConnectionValue, SplitsAtTheFirstColonAndPortFollowsAtoi) {
    std::string host, port;
    SplitConnection("ldap.example.com:389", host, port);
    EXPECT_EQ(host, "ldap.example.com");
    EXPECT_EQ(AtoiValue(port), 389);
    SplitConnection("h:389:12", host, port);
    EXPECT_EQ(host, "h");
    EXPECT_EQ(port, "389:12");
    EXPECT_EQ(AtoiValue(port), 389);
    SplitConnection("nohost", host, port);
    EXPECT_EQ(host, "nohost");
    EXPECT_EQ(AtoiValue(port), 0);
    EXPECT_EQ(AtoiValue("  -12x"), -12);
    EXPECT_EQ(AtoiValue("abc"), 0);
    EXPECT_EQ(AtoiValue("99999999999999"), 2147483647);
}

TEST(DataEncodingRule, PrefixesOfUtf8SelectTheSystemEncoding) {
    for (const char* text : {"", "u", "UTF", "utf-8", "UTF-8", "Utf-"}) {
        EXPECT_TRUE(DataEncodingSelectsSystemEncoding(text)) << text;
    }
    for (const char* text : {"ISO-8859-1", "UTF8", "utf-16", "UTF-8x", "cp1252"}) {
        EXPECT_FALSE(DataEncodingSelectsSystemEncoding(text)) << text;
    }
}

TEST(DirectoryDNComparison, IgnoresCaseBlanksAndQuotesOnly) {
    EXPECT_TRUE(DirectoryDNsEqual("cn=A, o=B", "CN=a,O=b"));
    EXPECT_TRUE(DirectoryDNsEqual("cn=A, o=B", "cn=a,o=\"b\""));
    EXPECT_TRUE(DirectoryDNsEqual("cn=a\\,b,o=c", "CN=A\\,B,O=C"));
    EXPECT_TRUE(DirectoryDNsEqual("", ""));
    const std::pair<const char*, const char*> different[] = {
        {"cn=a", "cn=a,o=b"},     {"cn=a,o=b", "cn=a"},      {"cn=,o=b", "cn=,o=b"},
        {"cn=a,o=b", "cn=a,o=c"}, {"cn=a,o=b", "uid=a,o=b"}, {"not a dn", "not a dn"}};
    for (const auto& [left, right] : different) {
        EXPECT_FALSE(DirectoryDNsEqual(left, right)) << left << " / " << right;
    }
}

TEST(CertificateDatabaseRule, AFileTurnsSslOnAndNamesItsDirectory) {
    const TempDirectory certificates;
    const std::string pattern = certificates.str();
    const std::string file = pattern + "/ca.pem";
    std::ofstream(file) << "certificate";

    std::string database = file;
    bool ssl = false;
    ApplyCertificateDatabaseRule(database, ssl);
    EXPECT_TRUE(ssl);
    EXPECT_EQ(database, pattern);

    for (const std::string& kept : {pattern, pattern + "/missing.pem", std::string()}) {
        database = kept;
        ssl = false;
        ApplyCertificateDatabaseRule(database, ssl);
        EXPECT_FALSE(ssl) << kept;
        EXPECT_EQ(database, kept);
    }
}

TEST(ConnectionValue, SeveralServersGiveTheFirstAndTheReplicasInOrder) {
    struct Case {
        const char* value;
        const char* first;
        const char* replicas;
    };
    // One pair of outputs for every case: each call replaces what the one before left.
    std::string first, replicas;
    for (const Case& c : {
             Case{"ldap1.example.com:389 ldap2.example.com:389,ldap3.example.com:1389",
                  "ldap1.example.com:389", "ldap2.example.com:389,ldap3.example.com:1389"},
             Case{" a:1 ,  b:2 ", "a:1", "b:2"},
             // A value whose later items are not host:port stays one value as it was.
             Case{"a:1 b", "a:1 b", ""},
         }) {
        SplitServerList(c.value, first, replicas);
        EXPECT_EQ(first, c.first) << c.value;
        EXPECT_EQ(replicas, c.replicas) << c.value;
    }
}
