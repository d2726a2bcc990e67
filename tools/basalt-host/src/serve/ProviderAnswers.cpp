#include "ProviderAnswers.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <utility>

#include "HostError.h"
#include "ResponsePrinter.h"
#include "XmlScanner.h"

namespace basalt_host::serve {
namespace {

// Calls visit with each child element's local name; what visit does not read is passed over.
template <typename Visit>
void forEachChild(XmlScanner& xml, Visit visit) {
    const int parent = xml.depth();
    while (xml.nextChild(parent)) {
        visit(xml.name());
    }
}

// The children of an array element ("item"s), each read by visit.
template <typename Visit>
void forEachItem(XmlScanner& xml, Visit visit) {
    forEachChild(xml, [&](std::string_view name) {
        if (name == "item") {
            visit();
        }
    });
}

DisplayObject readDisplayObject(XmlScanner& xml) {
    DisplayObject field;
    forEachChild(xml, [&](std::string_view name) {
        if (name == "type") {
            field.type = xml.text();
        } else if (name == "name") {
            field.name = xml.text();
        } else if (name == "caption") {
            field.caption = xml.text();
        } else if (name == "value") {
            field.value = xml.text();
        } else if (name == "promptOptions") {
            forEachItem(xml, [&] {
                PromptOption option;
                forEachChild(xml, [&](std::string_view part) {
                    if (part == "id") {
                        option.id = xml.text();
                    } else if (part == "value") {
                        option.value = xml.text();
                    } else if (part == "default") {
                        option.isDefault = xml.text() == "true";
                    }
                });
                field.options.push_back(std::move(option));
            });
        }
    });
    return field;
}

// A number the provider wrote; 0 when the text is none or out of range (atoi's would be
// undefined there).
int32_t leadingNumber(const std::string& text) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    while (begin != end && (*begin == ' ' || *begin == '\t' || *begin == '\n' || *begin == '\r')) {
        ++begin;
    }
    if (begin != end && *begin == '+') {
        ++begin;
    }
    int32_t value = 0;
    if (std::from_chars(begin, end, value).ec != std::errc()) {
        return 0;
    }
    return value;
}

// The current "exception" element.
ProviderException readException(XmlScanner& xml) {
    ProviderException result;
    forEachChild(xml, [&](std::string_view name) {
        if (name == "errorCodeString") {
            result.errorCodeString = xml.text();
        } else if (name == "errorCode") {
            result.errorCode = leadingNumber(xml.text());
        } else if (name == "messages") {
            forEachItem(xml, [&] {
                ProviderMessage message;
                forEachChild(xml, [&](std::string_view part) {
                    if (part == "nestingLevel") {
                        message.level = std::max(leadingNumber(xml.text()), 0);
                    } else if (part == "messageString") {
                        message.text = xml.text();
                    }
                });
                result.messages.push_back(std::move(message));
            });
        } else if (name == "promptInfo") {
            forEachChild(xml, [&](std::string_view part) {
                if (part == "securityBlob") {
                    result.securityBlob = xml.text();
                } else if (part == "captions") {
                    forEachItem(xml, [&] { result.captions.push_back(xml.text()); });
                } else if (part == "displayObjects") {
                    forEachItem(xml, [&] { result.fields.push_back(readDisplayObject(xml)); });
                }
            });
        }
    });
    return result;
}

// The visa as written, and its user object's identifier, read as it is copied: the holder
// (the visa's first "object") holds an "object" of class "user".
std::string copyVisa(XmlScanner& xml, std::string& user) {
    const int visaDepth = xml.depth();
    bool holderSeen = false;
    bool inHolder = false;
    return xml.copy([&] {
        const bool object = xml.name() == "object";
        if (xml.depth() == visaDepth + 1) {
            inHolder = object && !std::exchange(holderSeen, true);
        } else if (xml.depth() == visaDepth + 2 && inHolder && object &&
                   xml.attribute("class") == "user") {
            user = xml.attribute("id").value_or("");
        }
    });
}

}  // namespace

ProviderException readExceptionText(const std::string& text) {
    try {
        XmlScanner xml(text, "exception document");
        xml.root();
        if (xml.name() == "exception" || xml.descend("exception")) {
            return readException(xml);
        }
        // No "exception" element: the root is read as one.
        XmlScanner again(text, "exception document");
        again.root();
        return readException(again);
    } catch (const HostError&) {
        ProviderException unreadable;
        unreadable.messages.push_back({0, text});
        return unreadable;
    }
}

AuthenticateAnswer readAuthenticateResponse(int32_t code, const std::string& text) {
    AuthenticateAnswer answer;
    answer.code = code;
    XmlScanner xml(text, "authenticate response");
    xml.root();
    forEachChild(xml, [&](std::string_view name) {
        if (name == "visa" && answer.visa.empty()) {
            answer.visa = copyVisa(xml, answer.userId);
        } else if (name == "exception" && !answer.exception) {
            answer.exception = readException(xml);
        } else if (name == "hdrSession") {
            forEachChild(xml, [&](std::string_view part) {
                if (part != "setCookieVars") {
                    return;
                }
                forEachItem(xml, [&] {
                    SetCookieVar cookie;
                    forEachChild(xml, [&](std::string_view field) {
                        std::string* into = field == "name"     ? &cookie.name
                                            : field == "value"  ? &cookie.value
                                            : field == "path"   ? &cookie.path
                                            : field == "maxAge" ? &cookie.maxAge
                                            : field == "domain" ? &cookie.domain
                                            : field == "secure" ? &cookie.secure
                                                                : nullptr;
                        if (into) {
                            *into = xml.text();
                        }
                    });
                    answer.setCookies.push_back(std::move(cookie));
                });
            });
        }
    });
    return answer;
}

SearchAnswer readSearchResponse(const std::string& text) {
    SearchAnswer answer;
    XmlScanner xml(text, "search response");
    xml.root();
    if (xml.name() != "queryResult" && !xml.descend("queryResult")) {
        return answer;
    }
    bool ancestorsRead = false;
    forEachItem(xml, [&] {
        ObjectRow row;
        std::string type = xml.attribute("type").value_or("object");
        row.objectClass = type.substr(type.find(':') + 1);
        row.searchPath = xml.attribute("searchPath").value_or("");
        forEachChild(xml, [&](std::string_view name) {
            if (name == "schemaInfo") {
                return;
            }
            // Only this property becomes a tree, for the description every listing shares.
            std::unique_ptr<XmlElement> property = xml.element();
            // The first object's first ancestors: a second such property adds nothing.
            if (name == "ancestors" && answer.rows.empty() && !std::exchange(ancestorsRead, true)) {
                if (const XmlElement* values = property->child("value")) {
                    for (const XmlElement* item : values->childrenNamed("item")) {
                        answer.ancestors.emplace_back(item->childText("title"),
                                                      item->childText("searchPath"));
                    }
                }
            }
            row.properties.emplace_back(std::string(name), describeProperty(*property));
        });
        answer.rows.push_back(std::move(row));
    });
    return answer;
}

}  // namespace basalt_host::serve
