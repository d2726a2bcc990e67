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

std::string parseError(const std::string& text, unsigned expansionLimit = 0) {
    PYXIDOM_Parser parser;
    if (expansionLimit != 0) {
        parser.setEntityExpansionLimit(expansionLimit);
    }
    I18NString error;
    auto document = parser.parse(text, error);
    EXPECT_FALSE(document) << "parsed although it should not: " << text;
    EXPECT_FALSE(error.empty());
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
        "<!DOCTYPE cfg:instance [<!ENTITY who \"W\xC3\xB6rld\">]>\n"
        "<cfg:instance xmlns:cfg=\"urn:cfg\" name=\"ns1\" class=\"ridge\">"
        "<?keep me?><!--note--><parameter name=\"id\"><value>a &amp; &who;</value></parameter>"
        "<![CDATA[<raw>]]><parameter name=\"empty\"/></cfg:instance>");
    ASSERT_TRUE(document);
    EXPECT_EQ(document->getNodeType(), PYXIDOM_Node::DOCUMENT_NODE);
    EXPECT_EQ(document->getOwnerDocument(), nullptr);

    PYXIDOM_DocumentType* doctype = document->getDoctype();
    ASSERT_NE(doctype, nullptr);
    EXPECT_EQ(doctype->getNodeType(), PYXIDOM_Node::DOCUMENT_TYPE_NODE);
    EXPECT_EQ(doctype->getName().utf8(), "cfg:instance");
    ASSERT_NE(doctype->getEntities(), nullptr);
    PYXIDOM_Node* entity = doctype->getEntities()->getNamedItem("who");
    ASSERT_NE(entity, nullptr);
    EXPECT_EQ(entity->getNodeType(), PYXIDOM_Node::ENTITY_NODE);

    PYXIDOM_Element* root = document->getDocumentElement();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->getTagName().utf8(), "cfg:instance");
    EXPECT_EQ(root->getLocalName().utf8(), "instance");
    EXPECT_EQ(root->getPrefix().utf8(), "cfg");
    EXPECT_EQ(root->getNamespaceURI().utf8(), "urn:cfg");
    EXPECT_EQ(root->getAttribute("name").utf8(), "ns1");
    EXPECT_TRUE(root->hasAttribute("class"));
    EXPECT_FALSE(root->hasAttribute("missing"));
    EXPECT_TRUE(root->getAttribute("missing").empty());
    EXPECT_EQ(root->getParentNode(), document.get());
    EXPECT_EQ(root->getOwnerDocument(), document.get());

    // Attributes: name, class and the namespace declaration.
    PYXIDOM_NamedNodeMap* attributes = root->getAttributes();
    ASSERT_NE(attributes, nullptr);
    EXPECT_EQ(attributes->getLength(), 3u);
    EXPECT_EQ(attributes->item(3), nullptr);
    auto* nameAttr = dynamic_cast<PYXIDOM_Attr*>(attributes->getNamedItem("name"));
    ASSERT_NE(nameAttr, nullptr);
    EXPECT_EQ(nameAttr->getValue().utf8(), "ns1");
    EXPECT_EQ(nameAttr->getOwnerElement(), root);
    EXPECT_EQ(root->getAttributeNode("name"), nameAttr);
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
    EXPECT_EQ(pi->getTarget().utf8(), "keep");
    EXPECT_EQ(pi->getData().utf8(), "me");
    EXPECT_EQ(dynamic_cast<PYXIDOM_Comment*>(children->item(1))->getData().utf8(), "note");
    EXPECT_EQ(dynamic_cast<PYXIDOM_CDATASection*>(children->item(3))->getData().utf8(), "<raw>");

    // Entities are expanded into the text, non-ASCII intact.
    auto* parameter = dynamic_cast<PYXIDOM_Element*>(children->item(2));
    ASSERT_NE(parameter, nullptr);
    EXPECT_EQ(parameter->getTextContent().utf8(), "a & W\xC3\xB6rld");
    EXPECT_EQ(parameter->getFirstChild()->getNodeName().utf8(), "value");
    EXPECT_FALSE(children->item(4)->hasChildNodes());

    // Same node, same object; searches by name.
    EXPECT_EQ(root->getFirstChild(), children->item(0));
    EXPECT_EQ(children->item(2)->getNextSibling()->getPreviousSibling(), children->item(2));
    EXPECT_EQ(document->getElementsByTagName("parameter")->getLength(), 2u);
    EXPECT_EQ(root->getElementsByTagName("value")->getLength(), 1u);
    EXPECT_EQ(document->getElementsByTagNameNS("urn:cfg", "instance")->item(0), root);
}

TEST(IdomParse, EncodingComesFromTheDeclaration) {
    auto document = parseOk("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>caf\xE9</a>");
    EXPECT_EQ(document->getDocumentElement()->getTextContent().utf8(), "caf\xC3\xA9");
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

TEST(IdomParse, NeverReadsExternalEntitiesOrDtds) {
    TempDirectory dir;
    const std::string secret = "SECRET-FILE-CONTENT-4711";
    const std::string file = (dir.path() / "secret.txt").string();
    std::ofstream(file) << secret;
    const std::string dtd = (dir.path() / "defaults.dtd").string();
    std::ofstream(dtd) << "<!ATTLIST a leaked CDATA \"" << secret << "\">"
                       << "<!ENTITY fromDtd \"" << secret << "\">";

    // An external general entity used in content: refused.
    std::string error =
        parseError("<!DOCTYPE a [<!ENTITY x SYSTEM \"file://" + file + "\">]>\n<a>&x;</a>");
    EXPECT_EQ(error.find(secret), std::string::npos);
    EXPECT_NE(error.find("line 2, column"), std::string::npos) << error;
    EXPECT_NE(error.find("is not allowed"), std::string::npos) << error;
    // Same with a plain path, and in an attribute value.
    parseError("<!DOCTYPE a [<!ENTITY x SYSTEM \"" + file + "\">]><a v=\"&x;\"/>");

    // An external parameter entity in the internal subset: its content never arrives.
    PYXIDOM_Parser parser;
    I18NString message;
    auto viaParameter =
        parser.parse("<!DOCTYPE a [<!ENTITY % p SYSTEM \"file://" + dtd + "\"> %p;]><a/>", message);
    if (viaParameter) {
        EXPECT_EQ(allText(viaParameter.get()).find(secret), std::string::npos);
        EXPECT_FALSE(viaParameter->getDocumentElement()->hasAttribute("leaked"));
    } else {
        EXPECT_EQ(message.utf8().find(secret), std::string::npos);
    }

    // An external DTD subset is skipped: no defaulted attribute appears.
    auto withDtd = parseOk("<!DOCTYPE a SYSTEM \"file://" + dtd + "\"><a/>");
    ASSERT_TRUE(withDtd);
    EXPECT_FALSE(withDtd->getDocumentElement()->hasAttribute("leaked"));
    EXPECT_EQ(allText(withDtd.get()).find(secret), std::string::npos);
    EXPECT_EQ(withDtd->getDoctype()->getSystemId().utf8(), "file://" + dtd);
}

TEST(IdomParse, EntityExpansionIsLimited) {
    std::string bomb = "<!DOCTYPE bomb [<!ENTITY a \"0123456789\">";
    char previous = 'a';
    for (char name = 'b'; name <= 'j'; ++name) {  // 10^9 expansions if unchecked
        bomb += std::string("<!ENTITY ") + name + " \"";
        for (int i = 0; i < 10; ++i) {
            bomb += std::string("&") + previous + ";";
        }
        bomb += "\">";
        previous = name;
    }
    bomb += "]><bomb>&j;</bomb>";
    std::string error = parseError(bomb);
    EXPECT_NE(error.find("line"), std::string::npos) << error;

    // A handful of expansions is fine; the limit is adjustable.
    auto few = parseOk("<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;&e;&e;</a>");
    EXPECT_EQ(few->getDocumentElement()->getTextContent().utf8(), "xxx");
    parseError("<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;&e;&e;</a>", 2);
}

TEST(IdomWrite, CreateAppendRemoveAttributesAndImport) {
    auto document = PYXIDOM_Document::create("", "root");
    PYXIDOM_Element* root = document->getDocumentElement();
    ASSERT_NE(root, nullptr);

    PYXIDOM_Element* child = document->createElement("child");
    EXPECT_EQ(child->getParentNode(), nullptr);
    EXPECT_EQ(root->appendChild(child), child);
    child->appendChild(document->createTextNode("h\xC3\xA9llo"));
    child->setAttribute("k", "v1");
    child->setAttribute("k", "v2");
    child->setAttributeNS("urn:x", "x:q", "qv");
    EXPECT_EQ(child->getAttribute("k").utf8(), "v2");
    EXPECT_EQ(child->getAttributeNS("urn:x", "q").utf8(), "qv");
    child->removeAttribute("k");
    child->removeAttribute("never-there");
    EXPECT_FALSE(child->hasAttribute("k"));
    child->removeAttributeNS("urn:x", "q");
    EXPECT_FALSE(child->hasAttributes());
    EXPECT_EQ(root->getTextContent().utf8(), "h\xC3\xA9llo");

    // Removed nodes stay usable: the document still owns them.
    EXPECT_EQ(root->removeChild(child), child);
    EXPECT_FALSE(root->hasChildNodes());
    EXPECT_EQ(child->getTextContent().utf8(), "h\xC3\xA9llo");

    // Import a subtree from another (parsed) document, deep and shallow.
    auto other = parseOk("<src a=\"1\"><inner>text</inner></src>");
    PYXIDOM_Node* deep = document->importNode(other->getDocumentElement(), true);
    EXPECT_EQ(deep->getOwnerDocument(), document.get());
    root->appendChild(deep);
    EXPECT_EQ(root->getTextContent().utf8(), "text");
    EXPECT_EQ(dynamic_cast<PYXIDOM_Element*>(deep)->getAttribute("a").utf8(), "1");
    PYXIDOM_Node* shallow = document->importNode(other->getDocumentElement(), false);
    EXPECT_FALSE(shallow->hasChildNodes());
    other.reset();  // the import does not depend on its source
    EXPECT_EQ(deep->getFirstChild()->getNodeName().utf8(), "inner");
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

TEST(IdomXerces, InitialisationIsCountedAcrossUsers) {
    const int before = PYXXercesInit::userCount();
    {
        auto document = parseOk("<a/>");
        // The parser is gone; the document keeps Xerces up.
        EXPECT_EQ(PYXXercesInit::userCount(), before + 1);
        PYXXercesInit another;
        EXPECT_EQ(PYXXercesInit::userCount(), before + 2);
    }
    EXPECT_EQ(PYXXercesInit::userCount(), before);

    // Threads that each parse and drop documents never pull Xerces down under another's feet.
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
