#include "ResponsePrinter.h"

#include <string_view>
#include <vector>

namespace basalt_host {
namespace {

std::string trim(std::string_view text) {
    const char* blanks = " \t\r\n";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    std::size_t last = text.find_last_not_of(blanks);
    return std::string(text.substr(first, last - first + 1));
}

std::string stripPrefix(const std::string& qualified) {
    std::size_t colon = qualified.find(':');
    return colon == std::string::npos ? qualified : qualified.substr(colon + 1);
}

bool isNil(const XmlElement& element) {
    return element.attribute("nil") == "true";
}

std::string join(const std::vector<std::string>& parts, std::string_view separator) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            out += separator;
        }
        out += parts[i];
    }
    return out;
}

void line(std::string& out, int indent, const std::string& name, const std::string& value) {
    out.append(static_cast<std::size_t>(indent) * 2, ' ');
    out += name;
    out += ": ";
    out += value;
    out += '\n';
}

// One entry of an array-valued property.
std::string describeArrayItem(const XmlElement& item) {
    if (auto searchPath = item.attribute("searchPath")) {  // a member object
        std::string word = stripPrefix(item.attribute("type").value_or("object"));
        const XmlElement* defaultName = item.child("defaultName");
        std::string name = defaultName ? trim(defaultName->childText("value")) : std::string();
        return word + " " + (name.empty() ? *searchPath : name + " [" + *searchPath + "]");
    }
    if (item.child("locale")) {  // multilingual string or token
        return trim(item.childText("value")) + " (" + trim(item.childText("locale")) + ")";
    }
    if (item.child("objectClass") && item.child("title")) {  // ancestor
        return trim(item.childText("title")) + " [" + trim(item.childText("searchPath")) + "]";
    }
    if (item.child("inclusive") || item.child("use")) {  // one value of a parameter
        const XmlElement* display = item.child("display");
        const XmlElement* use = item.child("use");
        std::string shown = display && !isNil(*display) ? trim(display->text) : "";
        std::string used = use && !isNil(*use) ? trim(use->text) : "";
        return shown.empty() || shown == used ? used : shown + " (" + used + ")";
    }
    if (item.child("name") && item.child("value")) {  // a parameter with its values
        const XmlElement* name = item.child("name");
        std::vector<std::string> values;
        for (const XmlElement* value : item.child("value")->childrenNamed("item")) {
            values.push_back(describeArrayItem(*value));
        }
        return (isNil(*name) ? std::string("(no name)") : trim(name->text)) + " = " +
               join(values, " | ");
    }
    return trim(item.text);
}

}  // namespace

std::string describeProperty(const XmlElement& property) {
    if (isNil(property)) {
        return "(none)";
    }
    const XmlElement* value = property.child("value");
    if (value == nullptr) {
        return trim(property.text);
    }
    std::vector<const XmlElement*> items = value->childrenNamed("item");
    if (items.empty()) {
        return trim(value->text);
    }
    std::vector<std::string> parts;
    for (const XmlElement* item : items) {
        parts.push_back(describeArrayItem(*item));
    }
    // Ancestors read as a path from the top of the tree down.
    return join(parts, property.localName == "ancestors" ? " > " : ", ");
}

namespace {

void describeObject(std::string& out, const XmlElement& item, int indent) {
    std::string searchPath = item.attribute("searchPath").value_or("");
    line(out, indent, stripPrefix(item.attribute("type").value_or("object")),
         searchPath.empty() ? "(no search path)" : searchPath);
    for (const auto& property : item.children) {
        if (property->localName == "schemaInfo") {
            continue;
        }
        line(out, indent + 1, property->localName, describeProperty(*property));
    }
}

void describeVisa(std::string& out, const XmlElement& visa) {
    line(out, 0, "visa for namespace", visa.attribute("namespaceID").value_or(""));
    if (const XmlElement* holder = visa.child("object")) {
        line(out, 1, holder->attribute("class").value_or("visa"),
             holder->attribute("id").value_or(""));
        for (const XmlElement* object : holder->childrenNamed("object")) {
            line(out, 1, object->attribute("class").value_or("object"),
                 object->attribute("id").value_or(""));
        }
    }
    if (const XmlElement* data = visa.child("providerSpecificData")) {
        for (const auto& entry : data->children) {
            line(out, 1, "provider data " + entry->localName, trim(entry->text));
        }
    }
}

}  // namespace

std::string describeQueryResponse(const XmlElement& queryResponse) {
    std::string out;
    std::string format = trim(queryResponse.childText("currentNamespaceFormat"));
    if (!format.empty()) {
        line(out, 0, "current namespace format", format);
    }
    const XmlElement* result = queryResponse.child("queryResult");
    std::vector<const XmlElement*> items =
        result ? result->childrenNamed("item") : std::vector<const XmlElement*>{};
    line(out, 0, "objects", std::to_string(items.size()));
    for (const XmlElement* item : items) {
        describeObject(out, *item, 0);
    }
    return out;
}

std::string describeException(const XmlElement& exception) {
    std::string out;
    std::string severity = trim(exception.childText("severity"));
    if (!severity.empty()) {
        line(out, 0, "severity", severity);
    }
    std::string codeString = trim(exception.childText("errorCodeString"));
    std::string code = trim(exception.childText("errorCode"));
    if (!codeString.empty() || !code.empty()) {
        line(out, 0, "error", codeString.empty() ? code : codeString);
    }
    if (const XmlElement* messages = exception.child("messages")) {
        for (const XmlElement* item : messages->childrenNamed("item")) {
            int level = std::atoi(item->childText("nestingLevel").c_str());
            line(out, level < 0 ? 0 : level, "message", trim(item->childText("messageString")));
        }
    }
    if (const XmlElement* prompt = exception.child("promptInfo")) {
        if (const XmlElement* captions = prompt->child("captions")) {
            for (const XmlElement* caption : captions->childrenNamed("item")) {
                line(out, 0, "caption", trim(caption->text));
            }
        }
        if (const XmlElement* fields = prompt->child("displayObjects")) {
            for (const XmlElement* field : fields->childrenNamed("item")) {
                std::string text =
                    trim(field->childText("name")) + " (" + trim(field->childText("type")) + ")";
                std::string caption = trim(field->childText("caption"));
                if (!caption.empty()) {
                    text += " \"" + caption + "\"";
                }
                std::string value = trim(field->childText("value"));
                if (!value.empty()) {
                    text += " = " + value;
                }
                line(out, 0, "prompt", text);
                if (const XmlElement* options = field->child("promptOptions")) {
                    for (const XmlElement* option : options->childrenNamed("item")) {
                        std::string shown = trim(option->childText("id")) + " = " +
                                            trim(option->childText("value"));
                        if (trim(option->childText("default")) == "true") {
                            shown += " (default)";
                        }
                        line(out, 1, "option", shown);
                    }
                }
            }
        }
        std::string blob = trim(prompt->childText("securityBlob"));
        if (!blob.empty()) {
            line(out, 0, "security blob", blob);
        }
    }
    return out;
}

std::string describeAuthResponse(const XmlElement& authResponse) {
    std::string out;
    if (const XmlElement* visa = authResponse.child("visa")) {
        describeVisa(out, *visa);
    }
    if (const XmlElement* exception = authResponse.child("exception")) {
        out += describeException(*exception);
    }
    if (const XmlElement* credential = authResponse.child("credential")) {
        for (const auto& value : credential->children) {
            line(out, 0, "credential value " + value->localName, trim(value->text));
        }
    }
    if (const XmlElement* session = authResponse.child("hdrSession")) {
        if (const XmlElement* cookies = session->child("setCookieVars")) {
            for (const XmlElement* cookie : cookies->childrenNamed("item")) {
                std::string text =
                    trim(cookie->childText("name")) + "=" + trim(cookie->childText("value"));
                for (const char* field : {"path", "maxAge", "domain", "secure"}) {
                    std::string value = trim(cookie->childText(field));
                    if (!value.empty()) {
                        text += std::string("; ") + field + "=" + value;
                    }
                }
                line(out, 0, "set cookie", text);
            }
        }
        if (const XmlElement* fields = session->child("formFieldVars")) {
            for (const XmlElement* field : fields->childrenNamed("item")) {
                line(out, 0, "form field " + trim(field->childText("name")),
                     trim(field->childText("value")));
            }
        }
    }
    if (out.empty()) {
        out = "(the response is empty)\n";
    }
    return out;
}

}  // namespace basalt_host
