#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "PYXIDOM.h"
#include "TempDirectory.h"

namespace {

std::unique_ptr<PYXIDOM_Document> parseOk(const std::string& text) {
    PYXIDOM_Parser parser;
    I18NString error;
    auto document = parser.parse(text, error);
    EXPECT_TRUE(document) << error;
    EXPECT_TRUE(error.empty());
    return document;
}

std::string parseError(const std::string& text, bool refusedByBound = false) {
    PYXIDOM_Parser parser;
    I18NString error;
    auto document = parser.parse(text, error);
    EXPECT_FALSE(document) << "parsed although it should not: " << text.substr(0, 200);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(parser.wasRefused(), refusedByBound) << error;
    return error.utf8();
}

}  // namespace

// The readers of the namespace configuration and the encryption manager's documents find their
// elements by local name; the parser's own reading of XML is Xerces's.
TEST(IdomParse, ReadsNamespacedNamesAndTheDeclaredEncoding) {
    auto document = parseOk(
        "<cfg:instance xmlns:cfg=\"urn:cfg\" name=\"ns1\"><!--note--><parameter>a &amp; "
        "W\xC3\xB6rld</parameter></cfg:instance>");
    ASSERT_TRUE(document);
    PYXIDOM_Element* root = document->getDocumentElement();
    EXPECT_EQ(root->getLocalName().utf8(), "instance");
    EXPECT_EQ(root->getAttribute("name").utf8(), "ns1");
    EXPECT_EQ(root->getTextContent().utf8(), "a & W\xC3\xB6rld");
    auto latin = parseOk("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>caf\xE9</a>");
    EXPECT_EQ(latin->getDocumentElement()->getTextContent().utf8(), "caf\xC3\xA9");
}

TEST(IdomParse, MalformedTextGivesLineAndColumn) {
    std::string error = parseError("<a>\n  <b></a>");
    EXPECT_NE(error.find("line 2, column"), std::string::npos) << error;

    EXPECT_NE(parseError("").find("line"), std::string::npos);
    parseError("<p:a/>");  // an undeclared prefix
}

// Every document type declaration is refused where it starts: nothing it declares (internal or
// external entities, an external subset, attribute defaults) is ever read or expanded.
TEST(IdomParse, DoctypeIsRefusedSoNothingIsDeclaredOrRead) {
    TempDirectory dir;
    const std::string secret = "SECRET-FILE-CONTENT-4711";
    const std::string file = (dir.path() / "secret.txt").string();
    std::ofstream(file) << secret;
    const std::string dtd = (dir.path() / "defaults.dtd").string();
    std::ofstream(dtd) << "<!ATTLIST a leaked CDATA \"" << secret << "\">"
                       << "<!ENTITY fromDtd \"" << secret << "\">";

    std::string bomb = "<!DOCTYPE bomb [<!ENTITY a \"0123456789\">";
    char previous = 'a';
    for (char name = 'b'; name <= 'j'; ++name) {  // 10^9 expansions if it were read
        bomb += std::string("<!ENTITY ") + name + " \"";
        for (int i = 0; i < 10; ++i) {
            bomb += std::string("&") + previous + ";";
        }
        bomb += "\">";
        previous = name;
    }
    bomb += "]><bomb>&j;</bomb>";

    const std::vector<std::string> documents = {
        "<!DOCTYPE a [<!ENTITY x SYSTEM \"file://" + file + "\">]>\n<a>&x;</a>",
        "<!DOCTYPE a [<!ENTITY x SYSTEM \"" + file + "\">]><a v=\"&x;\"/>",
        "<!DOCTYPE a [<!ENTITY % p SYSTEM \"file://" + dtd + "\"> %p;]><a/>",
        "<!DOCTYPE a SYSTEM \"file://" + dtd + "\"><a/>",
        "<?xml version=\"1.0\"?>\n<!DOCTYPE a><a/>",
        "<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>",
        bomb,
    };
    for (const std::string& text : documents) {
        const std::string error = parseError(text, true);
        EXPECT_NE(error.find("DOCTYPE"), std::string::npos) << error;
        EXPECT_NE(error.find("line "), std::string::npos) << error;
        EXPECT_EQ(error.find(secret), std::string::npos) << error;
    }
}

// The parser's library stays up while a document needs it, and threads that each parse and
// drop documents never pull it down under another's feet.
TEST(IdomXerces, InitialisationLastsAsLongAsItsUsers) {
    const int before = PYXXercesInit::userCount();
    {
        auto document = parseOk("<a><b>x</b></a>");  // its parser is gone
        EXPECT_EQ(PYXXercesInit::userCount(), before + 1);
        EXPECT_EQ(document->getDocumentElement()->getTextContent().utf8(), "x");
    }
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([] {
            for (int i = 0; i < 50; ++i) {
                PYXIDOM_Parser parser;
                I18NString error;
                auto document = parser.parse("<a><b>x</b></a>", error);
                ASSERT_TRUE(document) << error;
                ASSERT_EQ(document->getDocumentElement()->getTextContent().utf8(), "x");
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(PYXXercesInit::userCount(), before);
}
