#include "CryptoDocuments.h"

#include <cstring>

#include "CryptoError.h"
#include "PYXIDOM_Parser.h"
#include "VOR_Crypto_Interface.h"

namespace basalt::crypto {
namespace {

[[noreturn]] void invalid(const std::string& what) {
    throw CryptoError(VOR_CRYPTO_E_DOCUMENT, what);
}

std::unique_ptr<PYXIDOM_Document> parse(const char* document, std::string_view rootName) {
    if (document == nullptr) {
        invalid("no " + std::string(rootName) + " was given");
    }
    PYXIDOM_Parser parser;
    I18NString error;
    std::unique_ptr<PYXIDOM_Document> parsed = parser.parse(document, std::strlen(document), error);
    if (!parsed) {
        invalid("the " + std::string(rootName) + " is not well-formed: " + error.utf8());
    }
    PYXIDOM_Element* root = parsed->getDocumentElement();
    if (root == nullptr || root->getLocalName().utf8() != rootName) {
        invalid("expected a " + std::string(rootName) + ", not <" +
                (root != nullptr ? root->getNodeName().utf8() : std::string()) + ">");
    }
    return parsed;
}

// The trimmed text of the one child element with the name; an error when it is missing.
std::string childText(PYXIDOM_Element* root, std::string_view name) {
    for (PYXIDOM_Node* child = root->getFirstChild(); child != nullptr;
         child = child->getNextSibling()) {
        if (child->getNodeType() == PYXIDOM_Node::ELEMENT_NODE &&
            child->getLocalName().utf8() == name) {
            I18NString value = child->getTextContent();
            value.trim();
            return value.utf8();
        }
    }
    invalid("the <" + root->getNodeName().utf8() + "> has no <" + std::string(name) + ">");
}

}  // namespace

std::string readServiceId(const char* document, std::string_view rootName) {
    std::unique_ptr<PYXIDOM_Document> parsed = parse(document, rootName);
    std::string serviceId = childText(parsed->getDocumentElement(), "serviceID");
    if (serviceId.empty()) {
        invalid("the <serviceID> of the " + std::string(rootName) + " is empty");
    }
    return serviceId;
}

SetInfoRequest readSetInfo(const char* document) {
    std::unique_ptr<PYXIDOM_Document> parsed = parse(document, "setInfoDocument");
    PYXIDOM_Element* root = parsed->getDocumentElement();
    return {childText(root, "action"), childText(root, "dataLocation")};
}

std::string failureDocument(int code, std::string_view message) {
    std::string escaped;
    for (char c : message) {
        switch (c) {
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '&':
                escaped += "&amp;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            default:
                escaped += c;
        }
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><resultDocument><status>" +
           std::to_string(code) + "</status><message>" + escaped + "</message></resultDocument>";
}

}  // namespace basalt::crypto
