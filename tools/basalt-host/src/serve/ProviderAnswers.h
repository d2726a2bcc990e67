#pragma once
// What the gateway takes out of the provider's documents: an exception with its messages and
// prompt (captions and display objects), an authenticate response's visa and cookies, and a
// search response's objects. Read with XmlScanner: only what a page shows is kept.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "HttpCookies.h"
#include "ObjectTable.h"

namespace basalt_host::serve {

struct PromptOption {
    std::string id;
    std::string value;
    bool isDefault = false;
};

// One field of a prompt form, as the provider describes it.
struct DisplayObject {
    std::string type;  // "text", "textnoecho", "verifytextnoecho", "singleselect",
                       // "multiselect", "hidden", "display"
    std::string name;
    std::string caption;
    std::string value;
    std::vector<PromptOption> options;
};

struct ProviderMessage {
    int level = 0;
    std::string text;
};

struct ProviderException {
    int32_t errorCode = 0;  // the failure's result code, when the provider gives one
    std::string errorCodeString;
    std::vector<ProviderMessage> messages;
    std::vector<std::string> captions;
    std::vector<DisplayObject> fields;
    std::string securityBlob;  // a system-recoverable exception's request for environment

    bool isPrompt() const { return !fields.empty(); }
};

// Reads an exception document text (an "exception" element, or a document holding one);
// unknown elements are passed over, and a text that is not XML becomes one message holding it.
ProviderException readExceptionText(const std::string& text);

struct AuthenticateAnswer {
    int32_t code = 0;
    std::string visa;    // the visa element as a document of its own; empty when none
    std::string userId;  // the visa's user object identifier
    std::optional<ProviderException> exception;
    std::vector<SetCookieVar> setCookies;
};

// Reads an authenticate response (HostError when it is not XML).
AuthenticateAnswer readAuthenticateResponse(int32_t code, const std::string& text);

struct SearchAnswer {
    std::vector<ObjectRow> rows;  // each property described as ResponsePrinter does
    // The first object's ancestors, (title, search path) from the top of the tree down.
    std::vector<std::pair<std::string, std::string>> ancestors;
};

// Reads a search response (HostError when it is not XML).
SearchAnswer readSearchResponse(const std::string& text);

}  // namespace basalt_host::serve
