#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "PYXDocumentLimits.h"
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

// Every text of the document, attribute values included, in one string.
std::string allText(PYXIDOM_Node* node) {
    std::string out = node->getNodeValue().utf8();
    if (PYXIDOM_NamedNodeMap* attributes = node->getAttributes()) {
        for (std::size_t i = 0; i < attributes->getLength(); ++i) {
            out += attributes->item(i)->getNodeValue().utf8();
        }
    }
    for (PYXIDOM_Node* child = node->getFirstChild(); child; child = child->getNextSibling()) {
        out += allText(child);
    }
    return out;
}

}  // namespace

TEST(IdomParse, ReadsTreeAttributesNamespacesAndNodeTypes) {
    auto document = parseOk(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<cfg:instance xmlns:cfg=\"urn:cfg\" name=\"ns1\" class=\"ridge\">"
        "<?keep me?><!--note--><parameter name=\"id\"><value>a &amp; "
        "W\xC3\xB6rld</value></parameter>"
        "<![CDATA[<raw>]]><parameter name=\"empty\"/></cfg:instance>");
    ASSERT_TRUE(document);
    PYXIDOM_Element* root = document->getDocumentElement();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->getTagName().utf8(), "cfg:instance");
    EXPECT_EQ(root->getLocalName().utf8(), "instance");
    EXPECT_EQ(root->getPrefix().utf8(), "cfg");
    EXPECT_EQ(root->getNamespaceURI().utf8(), "urn:cfg");
    EXPECT_EQ(root->getAttribute("name").utf8(), "ns1");
    EXPECT_FALSE(root->hasAttribute("missing"));
    EXPECT_EQ(root->getParentNode(), document.get());

    // Attributes: name, class and the namespace declaration; past the end, nothing.
    PYXIDOM_NamedNodeMap* attributes = root->getAttributes();
    ASSERT_EQ(attributes->getLength(), 3u);
    EXPECT_EQ(attributes->item(3), nullptr);
    auto* nameAttr = dynamic_cast<PYXIDOM_Attr*>(attributes->getNamedItem("name"));
    ASSERT_NE(nameAttr, nullptr);
    EXPECT_EQ(nameAttr->getOwnerElement(), root);
    EXPECT_NE(attributes->getNamedItemNS("http://www.w3.org/2000/xmlns/", "cfg"), nullptr);

    PYXIDOM_NodeList* children = root->getChildNodes();
    ASSERT_EQ(children->getLength(), 5u);
    EXPECT_EQ(children->item(5), nullptr);
    std::vector<PYXIDOM_Node::NodeType> types;
    for (std::size_t i = 0; i < children->getLength(); ++i) {
        types.push_back(children->item(i)->getNodeType());
    }
    EXPECT_EQ(types, (std::vector<PYXIDOM_Node::NodeType>{
                         PYXIDOM_Node::PROCESSING_INSTRUCTION_NODE, PYXIDOM_Node::COMMENT_NODE,
                         PYXIDOM_Node::ELEMENT_NODE, PYXIDOM_Node::CDATA_SECTION_NODE,
                         PYXIDOM_Node::ELEMENT_NODE}));
    auto* pi = dynamic_cast<PYXIDOM_ProcessingInstruction*>(children->item(0));
    ASSERT_NE(pi, nullptr);
    EXPECT_EQ(pi->getTarget().utf8() + "/" + pi->getData().utf8(), "keep/me");
    EXPECT_EQ(dynamic_cast<PYXIDOM_CDATASection*>(children->item(3))->getData().utf8(), "<raw>");
    // Predefined entities are expanded into the text, non-ASCII intact.
    EXPECT_EQ(children->item(2)->getTextContent().utf8(), "a & W\xC3\xB6rld");

    // Same node, same object; searches by name.
    EXPECT_EQ(root->getFirstChild(), children->item(0));
    EXPECT_EQ(children->item(2)->getNextSibling()->getPreviousSibling(), children->item(2));
    EXPECT_EQ(document->getElementsByTagName("parameter")->getLength(), 2u);
    EXPECT_EQ(document->getElementsByTagNameNS("urn:cfg", "instance")->item(0), root);

    // The declared encoding is the one read.
    auto latin = parseOk("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>caf\xE9</a>");
    EXPECT_EQ(latin->getDocumentElement()->getTextContent().utf8(), "caf\xC3\xA9");
}

TEST(IdomParse, MalformedTextGivesLineAndColumn) {
    std::string error = parseError("<a>\n  <b></a>");
    EXPECT_NE(error.find("line 2, column"), std::string::npos) << error;

    EXPECT_NE(parseError("").find("line"), std::string::npos);
    parseError("<a x='1' x='2'/>");
    parseError("<a>text</a><second/>");
    parseError("<p:a/>");  // an undeclared prefix
    parseError("<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>\xC3(</a>");
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

// Size and depth come from documents.conf of the home directory and are refused with a text
// that names the bound. Depth is refused where the scanner reaches the first element too deep,
// not after the whole text: the reported column shows how far it read.
TEST(IdomParse, SizeAndDepthBoundsFromTheHomeDirectory) {
    TempDirectory home;
    std::ofstream(home.path() / "documents.conf")
        << "# test bounds\nmax_document_size = 1000000\nmax_element_depth = 8 # levels\n";
    ScopedEnv env("BASALT_HOME", home.str());

    auto nested = [](int depth) {
        std::string text;
        for (int i = 0; i < depth; ++i)
            text += "<e>";
        for (int i = 0; i < depth; ++i)
            text += "</e>";
        return text;
    };
    parseOk(nested(8));
    std::string error = parseError(nested(9), true);
    EXPECT_NE(error.find("max_element_depth"), std::string::npos) << error;
    EXPECT_NE(error.find(" 8 "), std::string::npos) << error;
    // Empty elements count as a level too, and leaving a level frees it.
    parseOk("<a><b><c><d><e><f><g><h/></g></f></e></d></c></b><b/></a>");
    parseError("<a><b><c><d><e><f><g><h><i/></h></g></f></e></d></c></b></a>", true);

    // 100,000 levels (quadratic in the parser's namespace lookup) stop at level 9: the
    // refusal's column is that of the ninth start tag, not the end of the 600 KB text.
    error = parseError("<r xmlns='urn:x'>" + nested(100000) + "</r>", true);
    EXPECT_EQ(error.substr(0, error.find(':')), "line 1, column 42") << error;

    parseOk("<a>" + std::string(1000000 - 7, 'x') + "</a>");
    error = parseError("<a>" + std::string(1000000 - 6, 'x') + "</a>", true);
    EXPECT_NE(error.find("1000001 bytes"), std::string::npos) << error;
    EXPECT_NE(error.find("max_document_size"), std::string::npos) << error;

    // Malformed text is a parse error, not a refusal.
    parseError("<a>", false);
}

// Values that are not bounds leave the defaults (which fit the largest documents the provider
// reads: tests/unit/documents).
TEST(IdomParse, InvalidBoundsLeaveTheDefaults) {
    TempDirectory home;
    std::ofstream(home.path() / "documents.conf")
        << "max_document_size = -5\nmax_element_depth = 0\nmax_element_depth=12x\n";
    const PYXDocumentLimits invalid = PYXDocumentLimits::Read(home.str());
    EXPECT_EQ(invalid.maxDocumentSize, PYXDocumentLimits::kDefaultMaxDocumentSize);
    EXPECT_EQ(invalid.maxElementDepth, PYXDocumentLimits::kDefaultMaxElementDepth);
}

TEST(IdomWrite, CreateAppendRemoveAttributesAndImport) {
    auto document = PYXIDOM_Document::create("", "root");
    PYXIDOM_Element* root = document->getDocumentElement();
    PYXIDOM_Element* child = document->createElement("child");
    EXPECT_EQ(root->appendChild(child), child);
    child->appendChild(document->createTextNode("h\xC3\xA9llo"));
    child->setAttribute("k", "v1");
    child->setAttribute("k", "v2");
    child->setAttributeNS("urn:x", "x:q", "qv");
    EXPECT_EQ(child->getAttribute("k").utf8() + child->getAttributeNS("urn:x", "q").utf8(), "v2qv");
    child->removeAttribute("k");
    child->removeAttribute("never-there");
    child->removeAttributeNS("urn:x", "q");
    EXPECT_FALSE(child->hasAttributes());

    // Removed nodes stay usable: the document still owns them.
    EXPECT_EQ(root->removeChild(child), child);
    EXPECT_FALSE(root->hasChildNodes());
    EXPECT_EQ(child->getTextContent().utf8(), "h\xC3\xA9llo");

    // An imported subtree does not depend on its source; a shallow import has no children.
    auto other = parseOk("<src a=\"1\"><inner>text</inner></src>");
    PYXIDOM_Node* deep = document->importNode(other->getDocumentElement(), true);
    root->appendChild(deep);
    EXPECT_FALSE(document->importNode(other->getDocumentElement(), false)->hasChildNodes());
    other.reset();
    EXPECT_EQ(root->getTextContent().utf8(), "text");
    EXPECT_EQ(dynamic_cast<PYXIDOM_Element*>(deep)->getAttribute("a").utf8(), "1");
}

TEST(IdomWrite, RefusedWritesThrowPlatformExceptions) {
    auto document = PYXIDOM_Document::create("", "root");
    auto other = PYXIDOM_Document::create("", "other");
    PYXIDOM_Element* root = document->getDocumentElement();
    EXPECT_THROW(document->createElement("bad name"), PYXException);
    EXPECT_THROW(root->appendChild(other->createElement("foreign")), PYXException);
    PYXIDOM_Element* child = document->createElement("child");
    root->appendChild(child);
    EXPECT_THROW(child->appendChild(root), PYXException);  // a node cannot hold its ancestor
    EXPECT_THROW(document->appendChild(document->createElement("second")), PYXException);
    EXPECT_THROW(root->removeChild(document->createElement("loose")), PYXException);
    EXPECT_THROW(root->appendChild(nullptr), PYXException);
    EXPECT_THROW(document->createTextNode("abc")->substringData(4, 1), PYXException);
    EXPECT_EQ(document->createTextNode("abc")->substringData(1, 10).utf8(), "bc");
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
