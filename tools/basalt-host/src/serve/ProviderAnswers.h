#pragma once
// What the gateway takes out of the provider's documents: an exception with its messages and
// prompt (captions and display objects), and an authenticate response's visa and cookies.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "HttpCookies.h"
#include "XmlTree.h"

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

// Reads an "exception" element; unknown elements are passed over.
ProviderException readException(const XmlElement& exception);

// Reads an exception document text; a text that is not XML becomes one message holding it.
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

}  // namespace basalt_host::serve
