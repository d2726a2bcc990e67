#include "ProviderAnswers.h"

#include <cstdlib>
#include <memory>

#include "HostError.h"

namespace basalt_host::serve {
namespace {

std::vector<const XmlElement*> itemsOf(const XmlElement* array) {
    return array ? array->childrenNamed("item") : std::vector<const XmlElement*>{};
}

}  // namespace

ProviderException readException(const XmlElement& exception) {
    ProviderException result;
    result.errorCodeString = exception.childText("errorCodeString");
    result.errorCode = static_cast<int32_t>(std::atol(exception.childText("errorCode").c_str()));
    for (const XmlElement* item : itemsOf(exception.child("messages"))) {
        int level = std::atoi(item->childText("nestingLevel").c_str());
        result.messages.push_back({level < 0 ? 0 : level, item->childText("messageString")});
    }
    if (const XmlElement* prompt = exception.child("promptInfo")) {
        result.securityBlob = prompt->childText("securityBlob");
        for (const XmlElement* caption : itemsOf(prompt->child("captions"))) {
            result.captions.push_back(caption->text);
        }
        for (const XmlElement* item : itemsOf(prompt->child("displayObjects"))) {
            DisplayObject field;
            field.type = item->childText("type");
            field.name = item->childText("name");
            field.caption = item->childText("caption");
            field.value = item->childText("value");
            for (const XmlElement* option : itemsOf(item->child("promptOptions"))) {
                field.options.push_back({option->childText("id"), option->childText("value"),
                                         option->childText("default") == "true"});
            }
            result.fields.push_back(std::move(field));
        }
    }
    return result;
}

ProviderException readExceptionText(const std::string& text) {
    try {
        std::unique_ptr<XmlElement> root = parseXml(text, "exception document");
        const XmlElement* exception = root->find("exception");
        return readException(exception ? *exception : *root);
    } catch (const HostError&) {
        ProviderException unreadable;
        unreadable.messages.push_back({0, text});
        return unreadable;
    }
}

AuthenticateAnswer readAuthenticateResponse(int32_t code, const std::string& text) {
    AuthenticateAnswer answer;
    answer.code = code;
    std::unique_ptr<XmlElement> root = parseXml(text, "authenticate response");
    if (const XmlElement* visa = root->child("visa")) {
        answer.visa = serializeXml(*visa);
        if (const XmlElement* holder = visa->child("object")) {
            for (const XmlElement* object : holder->childrenNamed("object")) {
                if (object->attribute("class") == "user") {
                    answer.userId = object->attribute("id").value_or("");
                }
            }
        }
    }
    if (const XmlElement* exception = root->child("exception")) {
        answer.exception = readException(*exception);
    }
    if (const XmlElement* session = root->child("hdrSession")) {
        for (const XmlElement* item : itemsOf(session->child("setCookieVars"))) {
            answer.setCookies.push_back({item->childText("name"), item->childText("value"),
                                         item->childText("path"), item->childText("maxAge"),
                                         item->childText("domain"), item->childText("secure")});
        }
    }
    return answer;
}

}  // namespace basalt_host::serve
